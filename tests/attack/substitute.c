/* A program put in the prompt program's place: signals the tests, answers as an acceptance
   would, with a key of the right form that it made up, and exits 0.  No C runtime: as small as
   the prompt program it stands in for. */
#include <windows.h>

void Start(void)
{
    static const char forged[] = "0123456789abcdef0123456789abcdef\n";
    DWORD written;
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, "LegalPromptPlantedRan");
    if (event) SetEvent(event);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), forged, sizeof forged - 1, &written, NULL);
    ExitProcess(0);
}
