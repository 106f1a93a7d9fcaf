// legalprompt.exe and legalprompt.exe's twin for installers, legalpromptw.exe: put the licence
// agreement in front of the user and exit with the outcome, so that a batch file or an
// installer script can gate on it:  legalprompt.exe && setup.exe
// No C runtime: the program is a few kilobytes, like the library, and its entry point is
// PromptStart.  The twin is the same code linked for the GUI subsystem, so that no console
// window ever opens for it.
#include <windows.h>

#include "legalprompt.h"
#include "say.h"
#include "why.h"

// Distinct from the three outcomes 0, 1 and -1.  Nothing but an answer is 0: help and every
// wrong argument are 2, so that "legalprompt.exe --help && setup.exe" goes no further.
static const int exit_usage = 2;
static const int exit_library = 3;
static const int exit_unseen = 4;

static const char usage[] =
    "Usage: legalprompt.exe [--confirm KEY]   (legalpromptw.exe: the same, never with a console window)\n"
    "Shows the licence agreement in liscn.txt from this program's folder or the current\n"
    "folder; the exit code is the answer:\n"
    "   0  accepted\n"
    "   1  not accepted (Do Not Accept, Esc, the close box)\n"
    "  -1  no text: liscn.txt could not be opened or read\n"
    "   2  wrong arguments, or this help\n"
    "   3  legalprompt.dll beside this program could not be loaded or used, or KEY not written\n"
    "   4  nobody can see a dialog here (a service, or SYSTEM in session 0); nothing was shown\n"
    "--confirm KEY  once the user has accepted, also writes KEY (32 hexadecimal digits) and a\n"
    "               line end to standard output: a program that runs this one can tell a real\n"
    "               acceptance from a process that was ended with exit code 0\n"
    "Example:  legalprompt.exe && setup.exe\n";

typedef int(WINAPI *DisplayFn)(void);
typedef BOOL(WINAPI *SetDefaultDllDirectoriesFn)(DWORD);

static WCHAR program_path[32768];
static WCHAR argument[32768];  // the command line is at most 32767 characters
static char confirm_key[34];   // the key and its line end, or empty

static int same(const WCHAR *text, const char *option)
{
    while (*option && *text == (unsigned char)*option)
        text++, option++;
    return !*option && !*text;
}

static int is_help(const WCHAR *text)
{
    return same(text, "--help") || same(text, "-h") || same(text, "/?");
}

// Skips the program's name at the start of a command line: quoted, or up to the first blank.
static const WCHAR *after_program_name(const WCHAR *at)
{
    if (*at == L'"') {
        for (at++; *at && *at != L'"'; at++)
            ;
        if (*at)
            at++;
    } else {
        while (*at && *at != L' ' && *at != L'\t')
            at++;
    }
    return at;
}

// Copies the next argument of the command line at `at` into `argument`, split and unquoted as
// the C runtime does (2n backslashes and a quote: n backslashes, the quote opens or closes;
// 2n+1: n and a quote), and returns where the rest begins; NULL when no argument is left.
static const WCHAR *next_argument(const WCHAR *at)
{
    while (*at == L' ' || *at == L'\t')
        at++;
    if (!*at)
        return NULL;
    int length = 0, quoted = 0;
    while (*at && (quoted || (*at != L' ' && *at != L'\t'))) {
        int backslashes = 0;
        while (*at == L'\\')
            backslashes++, at++;
        if (*at == L'"') {
            for (int i = 0; i < backslashes / 2; i++)
                argument[length++] = L'\\';
            if (backslashes % 2)
                argument[length++] = L'"';
            else
                quoted = !quoted;
            at++;
        } else {
            for (int i = 0; i < backslashes; i++)
                argument[length++] = L'\\';
            if (*at && (quoted || (*at != L' ' && *at != L'\t')))
                argument[length++] = *at++;
        }
    }
    argument[length] = 0;
    return at;
}

// Takes the argument as the key when it is 32 hexadecimal digits.
static int take_key(const WCHAR *text)
{
    int length = 0;
    for (; text[length]; length++) {
        WCHAR c = text[length];
        if (length == 32 || !((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F')))
            return 0;
        confirm_key[length] = (char)c;
    }
    confirm_key[length] = '\n';
    return length == 32;
}

static int usage_error(const char *what, const WCHAR *text)
{
    complain(what);
    say_wide(text);
    say("' (--help says more)\n");
    tell(STD_ERROR_HANDLE);
    return exit_usage;
}

// Checks the arguments: none, --confirm and its key, or a request for help wherever it
// stands.  Returns -1 to go on, else the exit code.
static int read_arguments(void)
{
    const WCHAR *line = after_program_name(GetCommandLineW());
    for (const WCHAR *at = line; (at = next_argument(at)) != NULL;)
        if (is_help(argument)) {
            say(usage);
            tell(STD_OUTPUT_HANDLE);
            return exit_usage;
        }
    for (const WCHAR *at = line; (at = next_argument(at)) != NULL;) {
        if (!same(argument, "--confirm") || confirm_key[0])
            return usage_error("unexpected argument '", argument);
        if ((at = next_argument(at)) == NULL)
            return usage_error("--confirm needs a key", L"");
        if (!take_key(argument))
            return usage_error("the key must be 32 hexadecimal digits, not '", argument);
    }
    return -1;
}

// Whether a user can see a window of this process: a service, or SYSTEM in session 0, runs on
// a window station that is not shown, where a dialog would wait for ever for an answer.
static BOOL seen_by_a_user(void)
{
    USEROBJECTFLAGS flags;
    DWORD size;
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &size))
        return TRUE;  // cannot tell: as before, the dialog is shown
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// From now on this process loads DLLs from the system folder alone: nothing that lies beside
// the program, planted there or not, is ever loaded for the library's imports or the system's.
// Windows 7 and Vista have SetDefaultDllDirectories only with update KB2533623; the answer says
// whether the LOAD_LIBRARY_SEARCH flags may be used.
static BOOL load_from_system_folder_only(void)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn set_default = kernel32
        ? (SetDefaultDllDirectoriesFn)(void (*)(void))GetProcAddress(kernel32, "SetDefaultDllDirectories")
        : NULL;
    return set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The library beside this program, by its full path, never one found elsewhere.  Returns the
// outcome, or exit_library.
static int prompt(BOOL system_only)
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

    // The library by its full path; its own imports from the system folder alone where the
    // system can be told so, else from the library's folder, which is this program's.
    HMODULE library = LoadLibraryExW(program_path, NULL, system_only ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                                                     : LOAD_WITH_ALTERED_SEARCH_PATH);
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
    if (outcome == LEGALPROMPT_ACCEPTED && confirm_key[0]) {
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD written;
        if (!output || output == INVALID_HANDLE_VALUE
            || !WriteFile(output, confirm_key, sizeof confirm_key - 1, &written, NULL)
            || written != sizeof confirm_key - 1) {
            complain("the user accepted, but the key could not be written: ");
            say_system_error(GetLastError());
            say("\n");
            tell(STD_ERROR_HANDLE);
            return exit_library;
        }
    }
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
    BOOL system_only = load_from_system_folder_only();
    int code = read_arguments();
    if (code == -1 && !seen_by_a_user()) {
        complain("nobody can see a dialog on this window station (a service, or SYSTEM in session 0), "
                 "so the agreement was not shown\n");
        tell(STD_ERROR_HANDLE);
        code = exit_unseen;
    }
    if (code == -1)
        code = prompt(system_only);
    ExitProcess((UINT)code);
}
