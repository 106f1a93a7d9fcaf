// legalprompt_msi.dll: a Windows Installer custom action, LegalPromptAction, that puts the
// package's licence agreement in front of the user and lets the installation go on only when
// the user accepts it.  No C runtime, like the library.
//
// The library looks for liscn.txt first in the folder of the program that loads it, and a
// custom action runs in msiexec, whose folder is the system folder: a stray liscn.txt there
// would be shown instead of the package's.  So the action takes the prompt program, the
// library and the text out of the package's Binary table into a folder of its own, runs the
// program there and waits for its exit code, then deletes the folder.  With no user interface
// (/qn, /quiet) nobody could answer: the installation goes on only when the command line says
// LEGALPROMPT_ACCEPT=1.  Returns ERROR_SUCCESS, ERROR_INSTALL_USEREXIT (1602: declined, no
// text to show, not accepted with no user interface) or ERROR_INSTALL_FAILURE (1603), and says
// why in the installer's log.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

// The Binary entries that the WiX include LegalPrompt.wxi adds, and the names the files get.
static const struct {
    const WCHAR *binary, *file;
} kFiles[] = {
    {L"LegalPromptProgram", L"legalpromptw.exe"},
    {L"LegalPromptLibrary", L"legalprompt.dll"},
    {L"LegalPromptText", L"liscn.txt"},
};
static const int kFileCount = sizeof kFiles / sizeof *kFiles;
static const WCHAR kWhyFile[] = L"why.txt";  // what the prompt program says on its error output

// The prompt program's exit codes besides the outcomes 0 and 1.
static const DWORD kNoText = (DWORD)-1;

// One folder's worth of paths: the temp folder (at most MAX_PATH), a name of 8 characters and
// a file name.
static WCHAR folder[MAX_PATH + 32];
static WCHAR path[MAX_PATH + 64];
static char chunk[4096];
static WCHAR why[4096];

// Writes `folder`\`name` into `path`.
static const WCHAR *in_folder(const WCHAR *name)
{
    int at = 0;
    for (int i = 0; folder[i]; i++)
        path[at++] = folder[i];
    path[at++] = L'\\';
    for (int i = 0; name[i]; i++)
        path[at++] = name[i];
    path[at] = 0;
    return path;
}

// A line in the installer's log: "LegalPrompt: ", the words, the detail, and the error code
// when there is one.
static void log_line(MSIHANDLE install, const WCHAR *words, const WCHAR *detail = L"", DWORD error = 0)
{
    MSIHANDLE record = MsiCreateRecord(3);
    if (!record)
        return;
    MsiRecordSetStringW(record, 0, error ? L"LegalPrompt: [1][2] (error [3])" : L"LegalPrompt: [1][2]");
    MsiRecordSetStringW(record, 1, words);
    MsiRecordSetStringW(record, 2, detail);
    MsiRecordSetInteger(record, 3, (int)error);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// Whether the property `name` is exactly `value`.
static BOOL property_is(MSIHANDLE install, const WCHAR *name, const WCHAR *value)
{
    WCHAR text[16];
    DWORD size = sizeof text / sizeof *text;
    if (MsiGetPropertyW(install, name, text, &size) != ERROR_SUCCESS)
        return FALSE;
    return lstrcmpW(text, value) == 0;
}

// A new, empty folder in the temp folder, never one that was there before.
static BOOL make_folder(void)
{
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        folder[0] = 0;
        SetLastError(length ? ERROR_BUFFER_OVERFLOW : GetLastError());
        return FALSE;
    }
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; attempt++) {
        DWORD name = seed + attempt * 7919;
        int at = (int)length;
        folder[at++] = L'l';
        folder[at++] = L'p';
        for (int i = 0; i < 6; i++, name >>= 4)
            folder[at++] = L"0123456789abcdef"[name & 15];
        folder[at] = 0;
        if (CreateDirectoryW(folder, NULL))
            return TRUE;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    return FALSE;
}

// Writes the Binary entry `binary` to a new file at `to`.  ERROR_NOT_FOUND when the package has
// no such entry.
static UINT extract(MSIHANDLE database, const WCHAR *binary, const WCHAR *to)
{
    MSIHANDLE view = 0, query = MsiCreateRecord(1), row = 0;
    UINT result = query ? MsiRecordSetStringW(query, 1, binary) : ERROR_OUTOFMEMORY;
    if (result == ERROR_SUCCESS)
        result = MsiDatabaseOpenViewW(database, L"SELECT `Data` FROM `Binary` WHERE `Name` = ?", &view);
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(view, query);
    if (result == ERROR_SUCCESS)
        result = MsiViewFetch(view, &row);
    if (result == ERROR_NO_MORE_ITEMS)
        result = ERROR_NOT_FOUND;
    if (result == ERROR_SUCCESS) {
        HANDLE file = CreateFileW(to, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            result = GetLastError();
        } else {
            for (;;) {
                DWORD size = sizeof chunk, written;
                result = MsiRecordReadStream(row, 1, chunk, &size);
                if (result != ERROR_SUCCESS || size == 0)
                    break;
                if (!WriteFile(file, chunk, size, &written, NULL) || written != size) {
                    result = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
                    break;
                }
            }
            if (!CloseHandle(file) && result == ERROR_SUCCESS)
                result = GetLastError();
        }
    }
    if (row)
        MsiCloseHandle(row);
    if (view) {
        MsiViewClose(view);
        MsiCloseHandle(view);
    }
    if (query)
        MsiCloseHandle(query);
    return result;
}

// Runs the prompt program in the folder, its error output to why.txt there.  The exit code, or
// a failure to start it as `*error`.
static BOOL run_prompt(DWORD *exit_code, DWORD *error)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE why_file = CreateFileW(in_folder(kWhyFile), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
    if (why_file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return FALSE;
    }
    static STARTUPINFOW startup;  // zero but for these: no memset without a C runtime
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = why_file;
    PROCESS_INFORMATION process;
    static WCHAR command_line[MAX_PATH + 96];
    const WCHAR *program = in_folder(kFiles[0].file);
    int at = 0;
    command_line[at++] = L'"';
    for (int i = 0; program[i]; i++)
        command_line[at++] = program[i];
    command_line[at++] = L'"';
    command_line[at] = 0;
    BOOL started = CreateProcessW(NULL, command_line, NULL, NULL, TRUE, 0, NULL, folder, &startup, &process);
    *error = GetLastError();
    CloseHandle(why_file);
    if (!started)
        return FALSE;
    WaitForSingleObject(process.hProcess, INFINITE);
    BOOL got = GetExitCodeProcess(process.hProcess, exit_code);
    *error = GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return got;
}

// What the prompt program said on its error output, as one line for the log.
static const WCHAR *what_it_said(void)
{
    why[0] = 0;
    HANDLE file = CreateFileW(in_folder(kWhyFile), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return why;
    DWORD size = 0;
    ReadFile(file, chunk, 2048, &size, NULL);  // a UTF-8 byte is at most one UTF-16 unit: fits in why
    CloseHandle(file);
    int length = MultiByteToWideChar(CP_UTF8, 0, chunk, (int)size, why + 2, sizeof why / sizeof *why - 3);
    if (length <= 0)
        return why;
    why[0] = L':';
    why[1] = L' ';
    for (int i = 2; i < length + 2; i++)
        if (why[i] == L'\r' || why[i] == L'\n')
            why[i] = L' ';
    why[length + 2] = 0;
    return why;
}

static void remove_folder(void)
{
    DeleteFileW(in_folder(kWhyFile));
    for (int i = 0; i < kFileCount; i++)
        DeleteFileW(in_folder(kFiles[i].file));
    RemoveDirectoryW(folder);
}

static UINT prompt(MSIHANDLE install)
{
    MSIHANDLE database = MsiGetActiveDatabase(install);
    if (!database) {
        log_line(install, L"the package's database cannot be read");
        return ERROR_INSTALL_FAILURE;
    }
    UINT result = ERROR_SUCCESS;
    for (int i = 0; i < kFileCount && result == ERROR_SUCCESS; i++) {
        const WCHAR *to = in_folder(kFiles[i].file);
        result = extract(database, kFiles[i].binary, to);
        if (result == ERROR_NOT_FOUND) {
            log_line(install, L"the package has no Binary entry ", kFiles[i].binary);
        } else if (result != ERROR_SUCCESS) {
            log_line(install, L"cannot write ", to, result);
        }
    }
    MsiCloseHandle(database);
    if (result != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;

    DWORD exit_code, error;
    if (!run_prompt(&exit_code, &error)) {
        log_line(install, L"cannot run the prompt program ", in_folder(kFiles[0].file), error);
        return ERROR_INSTALL_FAILURE;
    }
    switch (exit_code) {
    case 0:
        log_line(install, L"the user accepted the licence agreement");
        return ERROR_SUCCESS;
    case 1:
        log_line(install, L"the user did not accept the licence agreement");
        return ERROR_INSTALL_USEREXIT;
    case kNoText:
        log_line(install, L"the licence agreement could not be shown", what_it_said());
        return ERROR_INSTALL_USEREXIT;
    default:
        log_line(install, L"the prompt program failed", what_it_said(), exit_code);
        return ERROR_INSTALL_FAILURE;
    }
}

extern "C" UINT WINAPI LegalPromptAction(MSIHANDLE install)
{
    if (property_is(install, L"UILevel", L"2")) {  // INSTALLUILEVEL_NONE: /qn, /quiet
        if (property_is(install, L"LEGALPROMPT_ACCEPT", L"1")) {
            log_line(install, L"the licence agreement is accepted on the command line (LEGALPROMPT_ACCEPT=1)");
            return ERROR_SUCCESS;
        }
        log_line(install, L"with no user interface nobody can answer the licence agreement; to accept it, "
                          L"add LEGALPROMPT_ACCEPT=1 to the command line");
        return ERROR_INSTALL_USEREXIT;
    }
    if (!make_folder()) {
        log_line(install, L"cannot make a folder in the temp folder ", folder, GetLastError());
        return ERROR_INSTALL_FAILURE;
    }
    UINT result = prompt(install);
    remove_folder();
    return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
