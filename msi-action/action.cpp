// legalprompt_msi.dll: Windows Installer custom actions that put the package's licence
// agreement in front of the user and let the installation go on only when the user accepts it:
// LegalPromptAction in the user interface sequence, LegalPromptCheck in the execute sequence.
// No C runtime, like the library.
//
// The library looks for liscn.txt first in the folder of the program that loads it, and a
// custom action runs in msiexec, whose folder is the system folder: a stray liscn.txt there
// would be shown instead of the package's.  So the action takes the prompt program, the
// library and the text out of the package's Binary table and runs the program from a folder of
// its own, as run.h tells, accepting only on the run's key.  The dialog comes only where the
// user interface sequence runs (full or reduced UI); with basic UI (/qb, /passive) or none (/qn)
// nobody is there to answer it, and the installation goes on only when the command line says
// LEGALPROMPT_ACCEPT=1.  The execute sequence checks that property whatever the UI, so that an
// installation whose user interface sequence never ran does not go on unasked.  They return
// ERROR_SUCCESS, ERROR_INSTALL_USEREXIT (1602: declined, no text to show, nobody to ask) or
// ERROR_INSTALL_FAILURE (1603), and say why in the installer's log.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "run.h"

// The Binary entries that the WiX include LegalPrompt.wxi adds, in the order of run.h's files.
static const WCHAR *const kBinaries[RUN_FILES] = {L"LegalPromptProgram", L"LegalPromptLibrary", L"LegalPromptText"};

// Room for each file: the program and the library are a few kilobytes; of the text the library
// reads the first 16380 bytes, and the rest would never be shown.
static const DWORD kRooms[RUN_FILES] = {65536, 65536, 16380};
static char program[65536], library[65536], text[16380];
static char *const kBuffers[RUN_FILES] = {program, library, text};
static RunReport report;

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

// Reads the Binary entry `binary` into `buffer`, at most `room` bytes of it.  ERROR_NOT_FOUND
// when the package has no such entry, ERROR_FILE_TOO_LARGE when a program is larger.
// Runs `sql` with `parameter` for its one "?" and fetches the first row into `*row`; ERROR_NOT_FOUND
// when there is none.  close_query closes what it opened, whatever it returned.
static UINT first_row(MSIHANDLE database, const WCHAR *sql, const WCHAR *parameter, MSIHANDLE *view, MSIHANDLE *row)
{
    MSIHANDLE query = MsiCreateRecord(1);
    *view = *row = 0;
    UINT result = query ? MsiRecordSetStringW(query, 1, parameter) : ERROR_OUTOFMEMORY;
    if (result == ERROR_SUCCESS)
        result = MsiDatabaseOpenViewW(database, sql, view);
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(*view, query);
    if (result == ERROR_SUCCESS)
        result = MsiViewFetch(*view, row);
    if (query)
        MsiCloseHandle(query);
    return result == ERROR_NO_MORE_ITEMS ? ERROR_NOT_FOUND : result;
}

static void close_query(MSIHANDLE view, MSIHANDLE row)
{
    if (row)
        MsiCloseHandle(row);
    if (view) {
        MsiViewClose(view);
        MsiCloseHandle(view);
    }
}

static UINT extract(MSIHANDLE database, const WCHAR *binary, char *buffer, DWORD room, BOOL may_cut, DWORD *size)
{
    MSIHANDLE view, row;
    UINT result = first_row(database, L"SELECT `Data` FROM `Binary` WHERE `Name` = ?", binary, &view, &row);
    *size = 0;
    while (result == ERROR_SUCCESS) {
        char probe;
        DWORD got = room - *size;
        if (got == 0) {
            got = 1;  // full: is there more?
            result = MsiRecordReadStream(row, 1, &probe, &got);
            if (result == ERROR_SUCCESS && got && !may_cut)
                result = ERROR_FILE_TOO_LARGE;
            break;
        }
        result = MsiRecordReadStream(row, 1, buffer + *size, &got);
        if (result != ERROR_SUCCESS || got == 0)
            break;
        *size += got;
    }
    close_query(view, row);
    return result;
}

// The user interface level that msiexec runs at: 2 none, 3 basic, 4 reduced, 5 full.
static int ui_level(MSIHANDLE install)
{
    WCHAR value[16];
    DWORD size = sizeof value / sizeof *value;
    int level = 0;
    if (MsiGetPropertyW(install, L"UILevel", value, &size) != ERROR_SUCCESS)
        return 0;
    for (int i = 0; value[i] >= L'0' && value[i] <= L'9' && level < 100; i++)
        level = level * 10 + (value[i] - L'0');
    return level & 7;  // without the modifiers (INSTALLUILEVEL_HIDECANCEL and the like)
}

static UINT prompt(MSIHANDLE install)
{
    MSIHANDLE database = MsiGetActiveDatabase(install);
    if (!database) {
        log_line(install, L"the package's database cannot be read");
        return ERROR_INSTALL_FAILURE;
    }
    RunFile files[RUN_FILES];
    UINT result = ERROR_SUCCESS;
    for (int i = 0; i < RUN_FILES && result == ERROR_SUCCESS; i++) {
        files[i].bytes = kBuffers[i];
        result = extract(database, kBinaries[i], kBuffers[i], kRooms[i], i == RUN_TEXT, &files[i].size);
        if (result == ERROR_NOT_FOUND)
            log_line(install, L"the package has no Binary entry ", kBinaries[i]);
        else if (result != ERROR_SUCCESS)
            log_line(install, L"cannot read the Binary entry ", kBinaries[i], result);
    }
    MsiCloseHandle(database);
    if (result != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;

    switch (run_prompt_program(files, &report)) {
    case RUN_ACCEPTED:
        log_line(install, L"the user accepted the licence agreement");
        return ERROR_SUCCESS;
    case RUN_DECLINED:
        log_line(install, L"the user did not accept the licence agreement");
        return ERROR_INSTALL_USEREXIT;
    case RUN_NO_TEXT:
        log_line(install, L"the licence agreement could not be shown: ", report.said);
        return ERROR_INSTALL_USEREXIT;
    case RUN_UNSEEN:
        log_line(install, L"nobody can see the licence agreement here (a service, or SYSTEM in session 0); "
                          L"to accept it, add LEGALPROMPT_ACCEPT=1 to the command line");
        return ERROR_INSTALL_USEREXIT;
    default:
        log_line(install, report.failed, report.path[0] ? L" " : L"", report.error);
        if (report.path[0])
            log_line(install, L"in ", report.path);
        if (report.said[0])
            log_line(install, L"the prompt program said: ", report.said);
        return ERROR_INSTALL_FAILURE;
    }
}

// Where nobody is asked the installation goes on only when LEGALPROMPT_ACCEPT is 1: given on
// the command line, or set by this action in the user interface sequence when the user accepted.
static UINT accepted_without_asking(MSIHANDLE install, int level)
{
    if (property_is(install, L"LEGALPROMPT_ACCEPT", L"1")) {
        log_line(install, level < INSTALLUILEVEL_REDUCED
                              ? L"the licence agreement is accepted on the command line (LEGALPROMPT_ACCEPT=1)"
                              : L"the licence agreement is accepted (LEGALPROMPT_ACCEPT=1: by the user in the user "
                                L"interface sequence, or on the command line)");
        return ERROR_SUCCESS;
    }
    log_line(install, level < INSTALLUILEVEL_REDUCED
                          ? L"with no or a basic user interface nobody is asked to accept the licence agreement; "
                            L"to accept it, add LEGALPROMPT_ACCEPT=1 to the command line"
                          : L"the user interface sequence did not ask the user to accept the licence agreement "
                            L"(it was left out or replaced); to accept it, add LEGALPROMPT_ACCEPT=1 to the command "
                            L"line");
    return ERROR_INSTALL_USEREXIT;
}

// Whether the execute sequence runs LegalPromptCheck.  A package built with an earlier
// LegalPrompt.wxi does not, and would install unasked where its user interface sequence is left
// out: its first installation with a user interface fails, and says so, instead.
static BOOL checked_in_execute_sequence(MSIHANDLE install)
{
    MSIHANDLE database = MsiGetActiveDatabase(install), view = 0, row = 0;
    UINT result = database ? first_row(database, L"SELECT `Action` FROM `InstallExecuteSequence` WHERE `Action` = ?",
                                       L"LegalPromptCheck", &view, &row)
                           : ERROR_INVALID_HANDLE;
    close_query(view, row);
    if (database)
        MsiCloseHandle(database);
    if (result == ERROR_NOT_FOUND)
        log_line(install, L"the package's execute sequence does not run LegalPromptCheck: it was built with an "
                          L"earlier LegalPrompt.wxi; build it again with this kit's");
    else if (result != ERROR_SUCCESS)
        log_line(install, L"cannot read the package's execute sequence", L"", result);
    return result == ERROR_SUCCESS;
}

// The user interface sequence: the dialog at full and reduced UI, and LEGALPROMPT_ACCEPT=1 for
// the execute sequence's check when the user accepts.  Sequenced in the execute sequence, as
// packages made with an earlier LegalPrompt.wxi do, at no or a basic UI it is that check.
extern "C" UINT WINAPI LegalPromptAction(MSIHANDLE install)
{
    int level = ui_level(install);
    if (level < INSTALLUILEVEL_REDUCED)  // none (/qn) or basic (/qb, /passive): nobody to ask
        return accepted_without_asking(install, level);
    if (!checked_in_execute_sequence(install))
        return ERROR_INSTALL_FAILURE;
    UINT result = prompt(install);
    if (result == ERROR_SUCCESS && (result = MsiSetPropertyW(install, L"LEGALPROMPT_ACCEPT", L"1")) != ERROR_SUCCESS) {
        log_line(install, L"cannot set LEGALPROMPT_ACCEPT", L"", result);
        result = ERROR_INSTALL_FAILURE;
    }
    return result;
}

// The execute sequence, always: the installation goes on only when the agreement was accepted,
// whether or not the user interface sequence ran (an embedded user interface, or a program that
// runs the execute sequence itself, leaves it out).
extern "C" UINT WINAPI LegalPromptCheck(MSIHANDLE install)
{
    return accepted_without_asking(install, ui_level(install));
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
