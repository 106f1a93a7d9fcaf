/* A program put in the prompt program's place: signals the tests and exits 0, as an
   acceptance would.  No C runtime: as small as the prompt program it stands in for. */
#include <windows.h>

void Start(void)
{
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, "LegalPromptPlantedRan");
    if (event) SetEvent(event);
    ExitProcess(0);
}
