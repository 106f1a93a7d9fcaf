// legalprompt.exe and legalprompt.exe's twin for installers, legalpromptw.exe: put the licence
// agreement in front of the user and exit with the outcome, so that a batch file or an
// installer script can gate on it:  legalprompt.exe && setup.exe
// No C runtime: the program is a few kilobytes, like the library, and its entry point is
// PromptStart.  The twin is the same code linked for the GUI subsystem, so that no console
// window ever opens for it.
#include <windows.h>
#include <shellapi.h>

#include "legalprompt.h"
#include "say.h"
#include "why.h"

// Distinct from the three outcomes 0, 1 and -1.
static const int exit_usage = 2;
static const int exit_library = 3;

static const char usage[] =
    "Usage: legalprompt.exe   (legalpromptw.exe: the same, never with a console window)\n"
    "Shows the licence agreement in liscn.txt from this program's folder or the current\n"
    "folder; the exit code is the answer:\n"
    "   0  accepted\n"
    "   1  not accepted (Do Not Accept, Esc, the close box)\n"
    "  -1  no text: liscn.txt could not be opened or read\n"
    "   2  wrong arguments\n"
    "   3  legalprompt.dll beside this program could not be loaded or used\n"
    "Example:  legalprompt.exe && setup.exe\n";

typedef int(WINAPI *DisplayFn)(void);

static WCHAR program_path[32768];

static int same(const WCHAR *argument, const char *option)
{
    while (*option && *argument == (unsigned char)*option)
        argument++, option++;
    return !*option && !*argument;
}

static int is_help(const WCHAR *argument)
{
    return same(argument, "--help") || same(argument, "-h") || same(argument, "/?");
}

// Checks the arguments: none, or a request for help wherever it stands.  Returns -1 to go on,
// else the exit code.
static int read_arguments(void)
{
    int count;
    WCHAR **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        complain("the command line: ");
        say_system_error(GetLastError());
        say("\n");
        tell(STD_ERROR_HANDLE);
        return exit_usage;
    }
    int code = -1;
    for (int i = 1; i < count && code == -1; i++)
        if (is_help(arguments[i])) {
            say(usage);
            code = tell(STD_OUTPUT_HANDLE) ? 0 : exit_usage;  // help that cannot be read is no help
        }
    if (code == -1 && count > 1) {
        complain("unexpected argument '");
        say_wide(arguments[1]);
        say("' (--help says more)\n");
        tell(STD_ERROR_HANDLE);
        code = exit_usage;
    }
    LocalFree(arguments);
    return code;
}

// The library beside this program, by its full path, never one found elsewhere.  Returns the
// outcome, or exit_library.
static int prompt(void)
{
    static const WCHAR library_name[] = L"legalprompt.dll";
    const DWORD room = sizeof program_path / sizeof *program_path;
    DWORD length = GetModuleFileNameW(NULL, program_path, room);
    if (length == 0 || length >= room) {
        complain("cannot tell this program's folder: ");
        say_system_error(length ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
        say("\n");
        tell(STD_ERROR_HANDLE);
        return exit_library;
    }
    while (length && program_path[length - 1] != L'\\')
        length--;
    if (length + sizeof library_name / sizeof *library_name > room) {
        complain("this program's path is too long\n");
        tell(STD_ERROR_HANDLE);
        return exit_library;
    }
    for (DWORD i = 0; i < sizeof library_name / sizeof *library_name; i++)
        program_path[length + i] = library_name[i];

    HMODULE library = LoadLibraryExW(program_path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        explain_load_failure(program_path, GetLastError());
        return exit_library;
    }
    DisplayFn display = (DisplayFn)(void (*)(void))GetProcAddress(library, "DisplayLegalBullshit");
    if (!display) {
        complain("");
        say_wide(program_path);
        say(" has no DisplayLegalBullshit export: another DLL of that name\n");
        tell(STD_ERROR_HANDLE);
        return exit_library;
    }
    int outcome = display();
    if (outcome == LEGALPROMPT_NO_TEXT) {
        // The folder as the current folder is written: without its last backslash, but for
        // the root of a drive ("C:\").
        program_path[length > 3 ? length - 1 : length] = 0;
        explain_no_text(program_path);
    }
    return outcome;
}

extern "C" void PromptStart(void)
{
    int code = read_arguments();
    if (code == -1)
        code = prompt();
    ExitProcess((UINT)code);
}
