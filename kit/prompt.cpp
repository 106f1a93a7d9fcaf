// legalprompt.exe: puts the licence agreement in front of the user and exits with the outcome,
// so that a batch file or an installer script can gate on it:  legalprompt.exe && setup.exe
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "legalprompt.h"

namespace {

// Distinct from the three outcomes 0, 1 and -1.
const int kExitUsage = 2;
const int kExitLibrary = 3;

const char kUsage[] =
    "Usage: legalprompt.exe\n"
    "Shows the licence agreement in liscn.txt (looked for in this program's directory, then\n"
    "in the current directory, the system directories and PATH) and asks the user to accept it.\n"
    "The exit code is the answer:\n"
    "   0  the user accepted\n"
    "   1  the user did not accept (Do Not Accept, Esc or the close box)\n"
    "  -1  liscn.txt could not be opened or read; nothing was shown\n"
    "   2  wrong arguments\n"
    "   3  legalprompt.dll could not be loaded from this program's directory, or lacks\n"
    "      DisplayLegalBullshit\n"
    "Example:  legalprompt.exe && setup.exe\n";

typedef int(WINAPI *DisplayFn)(void);

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h") || !strcmp(argv[1], "/?"))) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 1) {
        fprintf(stderr, "legalprompt: unexpected argument '%s'\n\n%s", argv[1], kUsage);
        return kExitUsage;
    }

    // The library beside this program, by its full path, never one found elsewhere.
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    if (length == 0 || length >= MAX_PATH || !slash || slash + sizeof "legalprompt.dll" >= path + MAX_PATH) {
        fprintf(stderr, "legalprompt: cannot tell this program's directory\n");
        return kExitLibrary;
    }
    strcpy(slash + 1, "legalprompt.dll");

    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        fprintf(stderr, "legalprompt: cannot load %s (error %lu)\n", path, GetLastError());
        return kExitLibrary;
    }
    DisplayFn display = (DisplayFn)(void (*)(void))GetProcAddress(library, "DisplayLegalBullshit");
    if (!display) {
        fprintf(stderr, "legalprompt: %s has no DisplayLegalBullshit export\n", path);
        return kExitLibrary;
    }
    return display();
}
