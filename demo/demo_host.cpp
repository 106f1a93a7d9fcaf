// A host program as an installer would be one: loads legalprompt.dll, asks for the user's
// agreement and prints the outcome.  The exit code is the outcome (0, 1 or -1), or 2 when the
// library cannot be used.
#include <windows.h>

#include <cstdio>

#include "legalprompt.h"

int main()
{
    HMODULE library = LoadLibraryA("legalprompt.dll");
    if (!library) {
        std::fprintf(stderr, "demo_host: cannot load legalprompt.dll (error %lu)\n", GetLastError());
        return 2;
    }
    typedef int(WINAPI * DisplayFn)(void);
    DisplayFn display = (DisplayFn)(void (*)(void))GetProcAddress(library, "DisplayLegalBullshit");
    if (!display) {
        std::fprintf(stderr, "demo_host: legalprompt.dll has no DisplayLegalBullshit\n");
        return 2;
    }

    int outcome = display();
    switch (outcome) {
    case LEGALPROMPT_ACCEPTED:
        std::printf("outcome 0: the user accepted the agreement\n");
        break;
    case LEGALPROMPT_DECLINED:
        std::printf("outcome 1: the user did not accept the agreement\n");
        break;
    case LEGALPROMPT_NO_TEXT:
        std::printf("outcome -1: liscn.txt could not be opened\n");
        break;
    default:
        std::printf("outcome %d: unexpected\n", outcome);
        break;
    }
    std::fflush(stdout);
    FreeLibrary(library);
    return outcome;
}
