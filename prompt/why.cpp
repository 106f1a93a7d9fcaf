#include "why.h"

#include "reach.h"
#include "say.h"
#include "version.h"

static const WCHAR text_name[] = L"liscn.txt";

// The widths a DLL can have, from the machine field of its file header.
#if defined(_WIN64)
static const WORD own_machine = IMAGE_FILE_MACHINE_AMD64;
#else
static const WORD own_machine = IMAGE_FILE_MACHINE_I386;
#endif

static BOOL read_exactly(HANDLE file, void *buffer, DWORD size)
{
    DWORD got;
    return ReadFile(file, buffer, size, &got, NULL) && got == size;
}

// Reads the machine field of the PE file at `path`: 0 when the file is no PE image.
static WORD pe_machine(const WCHAR *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    IMAGE_DOS_HEADER dos;
    DWORD signature;
    WORD machine;
    BOOL is_pe = read_exactly(file, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0
                 && SetFilePointer(file, dos.e_lfanew, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER
                 && read_exactly(file, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE
                 && read_exactly(file, &machine, sizeof machine);
    CloseHandle(file);
    return is_pe ? machine : 0;
}

static const char *width(WORD machine)
{
    return machine == IMAGE_FILE_MACHINE_AMD64 ? "64-bit" : "32-bit";
}

void explain_load_failure(const WCHAR *path, DWORD error)
{
    complain("cannot load ");
    say_wide(path);
    say(": ");
    say_system_error(error);
    say("\n");

    DWORD attributes = GetFileAttributesW(path);
    WORD machine;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        complain("it is a folder\n");
    } else if (attributes != INVALID_FILE_ATTRIBUTES && error == ERROR_MOD_NOT_FOUND) {
        complain("it is there, but a DLL that it needs is not\n");
    } else if (attributes != INVALID_FILE_ATTRIBUTES && error == ERROR_BAD_EXE_FORMAT) {
        machine = pe_machine(path);
        if (machine == own_machine) {
            complain("it is damaged\n");
        } else if (machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_I386) {
            complain("it is a ");
            say(width(machine));
            say(" DLL; this program is ");
            say(width(own_machine));
            say(" and needs the ");
            say(width(own_machine));
            say(" one, from LegalPrompt-" LEGALPROMPT_VERSION "-");
            say(own_machine == IMAGE_FILE_MACHINE_AMD64 ? "win64.zip\n" : "win32.zip\n");
        } else {
            complain(machine ? "it is for another kind of processor\n" : "it is damaged, or no DLL at all\n");
        }
    }
    tell(STD_ERROR_HANDLE);
}

// Says what is wrong with `folder`\liscn.txt, for a library that opens it through the 8-bit
// OpenFile: its OFSTRUCT holds 128 bytes, so a path of 128 or more cannot be opened, and a
// name with characters outside the ANSI code page cannot be named at all.  Returns whether
// the search went on past this folder: only when nothing of that name is there.
static int explain_place(const WCHAR *folder, int folder_length)
{
    static WCHAR path[32768 + sizeof text_name];
    int length = 0;
    for (int i = 0; i < folder_length; i++)
        path[length++] = folder[i];
    if (length && path[length - 1] != L'\\')
        path[length++] = L'\\';
    for (int i = 0; text_name[i]; i++)
        path[length++] = text_name[i];
    path[length] = 0;

    say("  ");
    say_wide(path);
    say(": ");
    DWORD attributes = GetFileAttributesW(path);
    DWORD error = GetLastError();
    int ansi_length = 0;
    int reach = library_reach(path, length, &ansi_length);
    HANDLE file;
    // What cannot even be asked about (absent, a broken link, a pipe) the search passes by.
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            say("absent");
        else
            say_system_error(error);
        say("\n");
        return 1;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        say("a folder");
    } else if (reach == REACH_NOT_ANSI) {
        say("its path has characters outside the ANSI code page (");
        say_number(GetACP());
        say("), which the library cannot open");
    } else if (reach == REACH_TOO_LONG) {
        say("its full path is ");
        say_number(ansi_length);
        say(" bytes in the ANSI code page; the library opens at most 127 (a folder of at most 117)");
    } else if ((file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                   0, NULL)) == INVALID_HANDLE_VALUE) {
        say_system_error(GetLastError());
    } else {
        CloseHandle(file);
        say("it opens now, but could not be read");
    }
    say("\n");
    return 0;
}

void explain_no_text(const WCHAR *program_folder)
{
    static WCHAR current[32768];
    complain("liscn.txt could not be opened or read, so nothing was shown; looked for in:\n");
    int program_length = 0;
    while (program_folder[program_length])
        program_length++;
    int went_on = explain_place(program_folder, program_length);
    DWORD current_length = GetCurrentDirectoryW(sizeof current / sizeof *current, current);
    if (current_length == 0 || current_length >= sizeof current / sizeof *current) {
        say("  the current folder: ");
        say_system_error(GetLastError());
        say("\n");
    } else if (lstrcmpiW(current, program_folder)) {
        if (went_on)
            explain_place(current, current_length);
        else
            say("  the current folder: not reached\n");
    }
    tell(STD_ERROR_HANDLE);
}
