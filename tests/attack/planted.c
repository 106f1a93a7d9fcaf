/* Code that an attacker planted: signals the tests when it runs, and as the library it
   answers "accepted" without asking anybody. */
#include <windows.h>

static void signal_ran(void)
{
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, "LegalPromptPlantedRan");
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance, (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) signal_ran();
    return TRUE;
}

__declspec(dllexport) int WINAPI DisplayLegalBullshit(void) { return 0; }

/* The same answer under a name of its own, for a DLL that imports planted code. */
__declspec(dllexport) int WINAPI PlantedAnswer(void) { return 0; }
