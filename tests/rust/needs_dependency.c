/* A legalprompt.dll that imports from lpdepend.dll, planted code that only the current folder
   and PATH hold.  The DLLs that the library imports are looked for in its own folder and the
   system's alone, so this one cannot be loaded. */
#include <windows.h>

__declspec(dllimport) int WINAPI PlantedAnswer(void);

__declspec(dllexport) int WINAPI DisplayLegalBullshit(void) { return PlantedAnswer(); }
