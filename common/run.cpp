#include "run.h"

#include "reach.h"

extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG size);  // RtlGenRandom, advapi32

const WCHAR *const kRunFileNames[RUN_FILES] = {L"legalpromptw.exe", L"legalprompt.dll", L"liscn.txt"};
static const WCHAR kWhyName[] = L"why.txt";
static const int kNameLength = 18;  // "lp" and 16 hexadecimal digits
static const int kDeepest = 32;     // folders inside the folder that removal goes into

static WCHAR folder[MAX_PATH + 64];
static int folder_length;
static WCHAR path[MAX_PATH + 64];
static WCHAR tree[32768];  // removal: the folder and what it holds
static char chunk[4096];
static char key[33];  // the run's key, hexadecimal, and a line end
static WCHAR command_line[MAX_PATH + 128];

// Security: the DACL that the folder gets, and the SIDs in it.
static BYTE system_sid[SECURITY_MAX_SID_SIZE], administrators_sid[SECURITY_MAX_SID_SIZE];
static union {
    TOKEN_USER user;
    BYTE room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
} token_user;
static union {
    ACL acl;
    BYTE room[sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)];
} dacl;
static SECURITY_DESCRIPTOR descriptor;

static BOOL fail(RunReport *report, const WCHAR *what, DWORD error)
{
    report->failed = what;
    report->error = error;
    return FALSE;
}

static int copy(WCHAR *to, int at, const WCHAR *text)
{
    while (*text)
        to[at++] = *text++;
    to[at] = 0;
    return at;
}

// `folder`\`name` in `path`.
static const WCHAR *in_folder(const WCHAR *name)
{
    copy(path, copy(path, 0, folder), L"\\");
    copy(path, folder_length + 1, name);
    return path;
}

// Whether this process runs elevated or as SYSTEM; when that cannot be told, as if it did, so
// that the folder is never one that others may write.  The user's SID goes to token_user.
static BOOL elevated(BOOL *known_user)
{
    HANDLE token;
    *known_user = FALSE;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return TRUE;
    TOKEN_ELEVATION elevation;
    DWORD size;
    BOOL is_elevated = !GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)
                       || elevation.TokenIsElevated;
    *known_user = GetTokenInformation(token, TokenUser, &token_user, sizeof token_user, &size);
    if (*known_user && IsWellKnownSid(token_user.user.User.Sid, WinLocalSystemSid))
        is_elevated = TRUE;
    CloseHandle(token);
    return is_elevated;
}

// A DACL that lets in SYSTEM, the Administrators and, when not elevated, the user; nothing is
// inherited from the folder above.
static BOOL folder_security(SECURITY_ATTRIBUTES *attributes, BOOL with_user)
{
    DWORD size = sizeof system_sid;
    if (!CreateWellKnownSid(WinLocalSystemSid, NULL, system_sid, &size))
        return FALSE;
    size = sizeof administrators_sid;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, administrators_sid, &size))
        return FALSE;
    const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if (!InitializeAcl(&dacl.acl, sizeof dacl, ACL_REVISION)
        || !AddAccessAllowedAceEx(&dacl.acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, system_sid)
        || !AddAccessAllowedAceEx(&dacl.acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, administrators_sid)
        || (with_user
            && !AddAccessAllowedAceEx(&dacl.acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, token_user.user.User.Sid))
        || !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)
        || !SetSecurityDescriptorDacl(&descriptor, TRUE, &dacl.acl, FALSE)
        || !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return FALSE;
    attributes->nLength = sizeof *attributes;
    attributes->lpSecurityDescriptor = &descriptor;
    attributes->bInheritHandle = FALSE;
    return TRUE;
}

// The system's temp folder, "%SystemRoot%\Temp\", in `folder`; its length, or 0.
static int system_temp(void)
{
    UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 6)
        return 0;
    if (folder[length - 1] != L'\\')
        folder[length++] = L'\\';
    return copy(folder, (int)length, L"Temp\\");
}

// Whether the library can open the text in a folder of ours under the first `length`
// characters of `folder`.
static BOOL text_in_reach(int length)
{
    int ansi_length;
    return library_reach(folder, length, &ansi_length) == REACH_OK
           && ansi_length + kNameLength + 1 + 9 <= kLongestReach;  // "\liscn.txt"
}

static void hexadecimal(const BYTE *bytes, int count, char *to)
{
    for (int i = 0; i < count; i++) {
        to[2 * i] = "0123456789abcdef"[bytes[i] >> 4];
        to[2 * i + 1] = "0123456789abcdef"[bytes[i] & 15];
    }
}

// Makes the folder, with a random name, and opens it so that it cannot be renamed or deleted
// while `*held`; a link put in its place is refused.
static BOOL make_folder(HANDLE *held, RunReport *report)
{
    BOOL known_user;
    BOOL is_elevated = elevated(&known_user);
    int length = 0;
    if (!is_elevated) {
        DWORD temp = GetTempPathW(MAX_PATH + 1, folder);
        length = temp > 0 && temp <= MAX_PATH && text_in_reach((int)temp) ? (int)temp : 0;
    }
    if (length == 0 && ((length = system_temp()) == 0 || !text_in_reach(length))) {
        copy(report->path, 0, folder);
        return fail(report, L"no temp folder is one where the library could open the text", 0);
    }
    SECURITY_ATTRIBUTES attributes;
    if (!is_elevated && !known_user)
        return fail(report, L"cannot tell who this user is", GetLastError());
    if (!folder_security(&attributes, !is_elevated))
        return fail(report, L"cannot make the folder's security descriptor", GetLastError());
    for (int attempt = 0;; attempt++) {
        BYTE random[8];
        char name[16];
        if (!SystemFunction036(random, sizeof random))
            return fail(report, L"the system's random source failed", GetLastError());
        hexadecimal(random, sizeof random, name);
        folder[length] = L'l';
        folder[length + 1] = L'p';
        for (int i = 0; i < 16; i++)
            folder[length + 2 + i] = (WCHAR)name[i];
        folder[length + kNameLength] = 0;
        copy(report->path, 0, folder);
        if (CreateDirectoryW(folder, &attributes)) {
            folder_length = length + kNameLength;  // ours from now on, to remove at the end
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 3)
            return fail(report, L"cannot make a folder", GetLastError());
    }
    *held = CreateFileW(folder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION information;
    if (*held == INVALID_HANDLE_VALUE)
        return fail(report, L"cannot hold the folder", GetLastError());
    if (!GetFileInformationByHandle(*held, &information))
        return fail(report, L"cannot hold the folder", GetLastError());
    if ((information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        != FILE_ATTRIBUTE_DIRECTORY)
        return fail(report, L"the folder was replaced before it could be held", ERROR_ACCESS_DENIED);
    return TRUE;
}

// Writes `file` as `name` in the folder, then holds it for reading alone, denying every other
// write, rename and delete, and checks through that handle that it holds what was written.
static BOOL place(const WCHAR *name, const RunFile *file, HANDLE *held, RunReport *report)
{
    const WCHAR *at = in_folder(name);
    copy(report->path, 0, at);
    HANDLE writing = CreateFileW(at, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (writing == INVALID_HANDLE_VALUE)
        return fail(report, L"cannot write", GetLastError());
    DWORD done = 0;
    BOOL written = WriteFile(writing, file->bytes, file->size, &done, NULL) && done == file->size;
    DWORD error = written ? 0 : GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    if (!CloseHandle(writing) && written) {
        written = FALSE;
        error = GetLastError();
    }
    if (!written)
        return fail(report, L"cannot write", error);
    // Between the close and this open another process may have written to it; what it wrote
    // shows below, and it cannot write from now on.
    *held = CreateFileW(at, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (*held == INVALID_HANDLE_VALUE)
        return fail(report, L"cannot hold", GetLastError());
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(*held, &information))
        return fail(report, L"cannot hold", GetLastError());
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || information.nFileSizeHigh
        || information.nFileSizeLow != file->size)
        return fail(report, L"another process changed", ERROR_ACCESS_DENIED);
    const char *expected = (const char *)file->bytes;
    for (DWORD offset = 0; offset < file->size;) {
        DWORD got;
        if (!ReadFile(*held, chunk, sizeof chunk, &got, NULL) || got == 0)
            return fail(report, L"cannot read back", GetLastError() ? GetLastError() : ERROR_HANDLE_EOF);
        for (DWORD i = 0; i < got; i++)
            if (offset + i >= file->size || chunk[i] != expected[offset + i])
                return fail(report, L"another process changed", ERROR_ACCESS_DENIED);
        offset += got;
    }
    return TRUE;
}

// Deletes the file, the empty folder or the link at `tree` itself, never what a link leads to:
// it is opened as it is and deleted through that handle (by name, deleting and clearing the
// read-only attribute both follow a link).  A read-only entry is deleted as it is where the
// system can (Windows 10 1809 and later); else its attribute is cleared for the deletion and,
// on a file with other hard links (names of a file outside the folder), set back after it.
// (The headers name the newer class and flag only for programs that need that Windows.)
static const FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx = (FILE_INFO_BY_HANDLE_CLASS)21;
static const DWORD kDeleteIgnoringReadOnly = 0x1 | 0x10;  // FILE_DISPOSITION_FLAG_DELETE, _IGNORE_READONLY_ATTRIBUTE

static void remove_entry(BOOL read_only)
{
    HANDLE entry = CreateFileW(tree, DELETE | FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (entry == INVALID_HANDLE_VALUE)
        return;
    FILE_DISPOSITION_INFO_EX ignoring_read_only;
    ignoring_read_only.Flags = kDeleteIgnoringReadOnly;
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    static FILE_BASIC_INFO basic;  // times of zero are left as they are
    BY_HANDLE_FILE_INFORMATION information;
    if (!read_only) {
        SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition);
    } else if (!SetFileInformationByHandle(entry, kFileDispositionInfoEx, &ignoring_read_only,
                                           sizeof ignoring_read_only)
               && GetFileInformationByHandle(entry, &information)) {
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
        SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition);
        basic.FileAttributes = information.dwFileAttributes & 0x31A7;  // FILE_ATTRIBUTE_VALID_SET_FLAGS
        if (information.nNumberOfLinks > 1)
            SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
    }
    CloseHandle(entry);
}

// Deletes what the folder at `tree` (`length` characters) holds: links themselves, never what
// they lead to, and real folders, each held while it is emptied, at most kDeepest down.
static void remove_contents(int length, int depth)
{
    HANDLE held = CreateFileW(tree, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION information;
    if (held == INVALID_HANDLE_VALUE)
        return;
    if (!GetFileInformationByHandle(held, &information) || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || length + 2 + MAX_PATH >= (int)(sizeof tree / sizeof *tree)) {
        CloseHandle(held);
        return;
    }
    copy(tree, length, L"\\*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(tree, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const WCHAR *name = found.cFileName;
            if (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])))
                continue;
            int end = copy(tree, length + 1, name);
            DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                && depth < kDeepest)
                remove_contents(end, depth + 1);
            remove_entry(attributes & FILE_ATTRIBUTE_READONLY);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    tree[length] = 0;
    CloseHandle(held);
}

static void read_what_it_said(HANDLE why, RunReport *report)
{
    DWORD size = 0;
    report->said[0] = 0;
    if (SetFilePointer(why, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER
        || !ReadFile(why, chunk, sizeof report->said / sizeof *report->said - 1, &size, NULL))
        return;
    // A UTF-8 byte is at most one UTF-16 unit: it always fits.
    int length = MultiByteToWideChar(CP_UTF8, 0, chunk, (int)size, report->said,
                                     sizeof report->said / sizeof *report->said - 1);
    for (int i = 0; i < length; i++)
        if (report->said[i] == L'\r' || report->said[i] == L'\n')
            report->said[i] = L' ';
    while (length > 0 && report->said[length - 1] == L' ')
        length--;
    report->said[length > 0 ? length : 0] = 0;
}

// Waits for the program to end while answering what other threads and programs send to this
// thread's windows and letting them repaint, as NSIS's own ExecWait does: the thread that waits
// may be the installer's window thread, and a window that answers nothing hangs every program
// that broadcasts to the desktop.  No input is taken meanwhile.  Its exit code goes to `code`.
static BOOL wait_for(HANDLE process, DWORD *code)
{
    // A window that never validates its paint gets WM_PAINT for ever, and the system may tell
    // of it before the program's end: the end is looked at before each message.  The queue is
    // looked at every 100 ms too, as a window whose thread does not for 5 s is shown as not
    // responding, and the user offered to end the installer.
    MSG message;
    while (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        if (MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_SENDMESSAGE | QS_PAINT) == WAIT_FAILED) {
            WaitForSingleObject(process, INFINITE);
            break;
        }
        if (PeekMessageW(&message, NULL, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&message);
    }
    return GetExitCodeProcess(process, code);
}

// Starts the program in the folder with its two handles, in a job that ends it with the
// caller, and waits for it; the outcome.
static int run(HANDLE why, RunReport *report)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE answer_read, answer_write;
    if (!CreatePipe(&answer_read, &answer_write, &inherited, 4096)) {
        fail(report, L"cannot make the answer's pipe", GetLastError());
        return RUN_FAILED;
    }
    SetHandleInformation(answer_read, HANDLE_FLAG_INHERIT, 0);

    static HANDLE inherit[2];
    static union {
        BYTE room[256];
        void *align;
    } attribute_list;
    inherit[0] = answer_write;
    inherit[1] = why;
    SIZE_T list_size = sizeof attribute_list;
    LPPROC_THREAD_ATTRIBUTE_LIST list = (LPPROC_THREAD_ATTRIBUTE_LIST)attribute_list.room;
    static STARTUPINFOEXW startup;  // zero but for these: no memset without a C runtime
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = answer_write;
    startup.StartupInfo.hStdError = why;
    startup.lpAttributeList = list;

    BYTE random[16];
    int outcome = RUN_FAILED;
    HANDLE job = CreateJobObjectW(NULL, NULL);
    static JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    PROCESS_INFORMATION process;
    if (!InitializeProcThreadAttributeList(list, 1, 0, &list_size)) {
        fail(report, L"cannot list the handles to pass on", GetLastError());
    } else if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit, sizeof inherit,
                                          NULL, NULL)) {
        fail(report, L"cannot list the handles to pass on", GetLastError());
        DeleteProcThreadAttributeList(list);
    } else if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        fail(report, L"cannot make a job for the prompt", GetLastError());
        DeleteProcThreadAttributeList(list);
    } else if (!SystemFunction036(random, sizeof random)) {
        fail(report, L"the system's random source failed", GetLastError());
        DeleteProcThreadAttributeList(list);
    } else {
        hexadecimal(random, sizeof random, key);
        key[32] = '\n';
        const WCHAR *program = in_folder(kRunFileNames[RUN_PROGRAM]);
        int at = copy(command_line, copy(command_line, copy(command_line, 0, L"\""), program), L"\" --confirm ");
        for (int i = 0; i < 32; i++)
            command_line[at++] = (WCHAR)key[i];
        command_line[at] = 0;
        BOOL started = CreateProcessW(program, command_line, NULL, NULL, TRUE,
                                      CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, NULL, folder,
                                      &startup.StartupInfo, &process);
        DWORD error = GetLastError();
        DeleteProcThreadAttributeList(list);
        if (!started) {
            copy(report->path, 0, program);
            fail(report, L"cannot start", error);
        } else {
            // Where the system refuses a job (an older Windows that runs the installer in a job
            // of its own), the prompt runs without: it is then left up if the installer is
            // ended, but its answer goes nowhere.
            AssignProcessToJobObject(job, process.hProcess);
            BOOL resumed = ResumeThread(process.hThread) != (DWORD)-1;
            error = GetLastError();
            CloseHandle(process.hThread);
            CloseHandle(answer_write);
            answer_write = NULL;
            DWORD code = 0, ready = 0, got = 0;
            if (!resumed) {
                TerminateProcess(process.hProcess, ERROR_PROCESS_ABORTED);
                copy(report->path, 0, program);
                fail(report, L"cannot start", error);
            } else if (!wait_for(process.hProcess, &code)) {
                fail(report, L"cannot read the prompt program's exit code", GetLastError());
            } else {
                if (PeekNamedPipe(answer_read, NULL, 0, NULL, &ready, NULL) && ready > 0)
                    ReadFile(answer_read, chunk, ready < sizeof chunk ? ready : sizeof chunk, &got, NULL);
                BOOL keyed = got == sizeof key;
                for (DWORD i = 0; keyed && i < got; i++)
                    keyed = chunk[i] == key[i];
                read_what_it_said(why, report);
                report->error = code;
                if (code == 0 && keyed)
                    outcome = RUN_ACCEPTED;
                else if (code == 0)
                    report->failed = L"the prompt ended with exit code 0 but gave no acceptance: "
                                     L"another process ended it";
                else if (code == 1)
                    outcome = RUN_DECLINED;
                else if (code == (DWORD)-1)
                    outcome = RUN_NO_TEXT;
                else if (code == 4)
                    outcome = RUN_UNSEEN;
                else
                    report->failed = L"the prompt program failed";
            }
            CloseHandle(process.hProcess);
        }
    }
    if (job)
        CloseHandle(job);
    if (answer_write)
        CloseHandle(answer_write);
    CloseHandle(answer_read);
    return outcome;
}

static int run_held(const RunFile files[RUN_FILES], RunReport *report)
{
    HANDLE folder_held = INVALID_HANDLE_VALUE, held[RUN_FILES], why = INVALID_HANDLE_VALUE;
    for (int i = 0; i < RUN_FILES; i++)
        held[i] = INVALID_HANDLE_VALUE;
    folder_length = 0;
    int outcome = RUN_FAILED;
    if (make_folder(&folder_held, report)) {
        BOOL placed = TRUE;
        for (int i = 0; i < RUN_FILES && placed; i++)
            placed = place(kRunFileNames[i], &files[i], &held[i], report);
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
        if (placed) {
            why = CreateFileW(in_folder(kWhyName), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
            if (why == INVALID_HANDLE_VALUE) {
                copy(report->path, 0, path);
                fail(report, L"cannot write", GetLastError());
            } else {
                copy(report->path, 0, folder);
                outcome = run(why, report);
            }
        }
    }
    if (why != INVALID_HANDLE_VALUE)
        CloseHandle(why);
    for (int i = 0; i < RUN_FILES; i++)
        if (held[i] != INVALID_HANDLE_VALUE)
            CloseHandle(held[i]);
    if (folder_length) {
        // Emptied while it is still held, so that it cannot be swapped for a link meanwhile.
        copy(tree, 0, folder);
        remove_contents(folder_length, 0);
        if (folder_held != INVALID_HANDLE_VALUE)
            CloseHandle(folder_held);
        // Another process may still be adding to it: a few more passes.
        for (int pass = 0; !RemoveDirectoryW(folder) && pass < 4; pass++) {
            Sleep(50);  // a moment for a scanner that holds a new file to let it go
            copy(tree, 0, folder);
            remove_contents(folder_length, 0);
        }
    }
    return outcome;
}

int run_prompt_program(const RunFile files[RUN_FILES], RunReport *report)
{
    static LONG running;
    // The state is in fixed buffers, and the wait answers messages: a window procedure that
    // asks again while a prompt is up is refused, not let in to overwrite the run in progress.
    if (InterlockedExchange(&running, 1)) {
        fail(report, L"another prompt is still up", ERROR_BUSY);
        return RUN_FAILED;
    }
    report->failed = NULL;
    report->error = 0;
    report->path[0] = report->said[0] = 0;
    int outcome = run_held(files, report);
    InterlockedExchange(&running, 0);
    return outcome;
}
