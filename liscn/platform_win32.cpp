#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform.h"

namespace {

char g_error[512];
// The new file beside OUT while it exists, for the console handler to remove.
WCHAR g_temp[32768];
volatile LONG g_temp_live;
WCHAR g_target[32768];

std::wstring wide(const char *utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], n);
    w.resize(wcslen(w.c_str()));
    return w;
}

bool fail(const char *why)
{
    snprintf(g_error, sizeof g_error, "%s", why);
    return false;
}

// The system's words for the last error, in UTF-8.
bool fail_last_error()
{
    DWORD code = GetLastError();
    WCHAR text[400];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             400, nullptr);
    while (n && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.')) n--;
    if (!n) return snprintf(g_error, sizeof g_error, "error %lu", code), false;
    int k = WideCharToMultiByte(CP_UTF8, 0, text, (int)n, g_error, sizeof g_error - 1, nullptr, nullptr);
    g_error[k > 0 ? k : 0] = 0;
    return false;
}

// All n bytes at p to h, in pieces of at most 1 GiB, or false.
bool write_all(HANDLE h, const void *data, size_t n)
{
    const char *p = (const char *)data;
    while (n) {
        DWORD wrote;
        if (!WriteFile(h, p, (DWORD)(n > (1u << 30) ? 1u << 30 : n), &wrote, nullptr) || !wrote)
            return fail_last_error();
        p += wrote;
        n -= wrote;
    }
    return true;
}

BOOL WINAPI on_console_event(DWORD)
{
    // The file was opened with FILE_SHARE_DELETE: it goes when the process ends.
    if (g_temp_live) DeleteFileW(g_temp);
    return FALSE;
}

}  // namespace

const char *platform_error() { return g_error; }

bool in_open(InFile *f, const char *name)
{
    if (strcmp(name, "-") == 0) {
        HANDLE h;
        if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(), &h, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            return fail_last_error();
        BY_HANDLE_FILE_INFORMATION info = {};
        GetFileInformationByHandle(h, &info);
        f->handle = (intptr_t)h;
        f->volume = info.dwVolumeSerialNumber;
        f->index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
        // Standard input may stand past the first byte: rewinding goes back to where it stood.
        LARGE_INTEGER zero = {}, at = {};
        f->start = GetFileType(h) == FILE_TYPE_DISK && SetFilePointerEx(h, zero, &at, FILE_CURRENT) ? at.QuadPart : 0;
        return true;
    }
    std::wstring w = wide(name);
    DWORD attributes = GetFileAttributesW(w.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail("Is a directory");
    HANDLE h = CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail_last_error();
    DWORD type = GetFileType(h);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) {
        CloseHandle(h);
        return fail("a device, not a file");
    }
    if (type == FILE_TYPE_DISK) GetFileInformationByHandle(h, &info);
    f->handle = (intptr_t)h;
    f->volume = info.dwVolumeSerialNumber;
    f->index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    f->start = 0;
    return true;
}

long in_read(InFile *f, unsigned char *p, size_t n)
{
    DWORD got;
    if (ReadFile((HANDLE)f->handle, p, (DWORD)n, &got, nullptr)) return (long)got;
    if (GetLastError() == ERROR_BROKEN_PIPE) return 0;  // the writer is done
    fail_last_error();
    return -1;
}

bool in_rewind(InFile *f)
{
    LARGE_INTEGER start;
    start.QuadPart = f->start;
    return (GetFileType((HANDLE)f->handle) == FILE_TYPE_DISK &&
            SetFilePointerEx((HANDLE)f->handle, start, nullptr, FILE_BEGIN)) || fail("a pipe cannot be read again");
}

void in_close(InFile *f) { CloseHandle((HANDLE)f->handle); }

bool out_begin(OutFile *o, const char *name, const InFile *in, bool force)
{
    o->handle = (intptr_t)INVALID_HANDLE_VALUE;
    o->stream = -1;
    if (strcmp(name, "-") == 0) {
        BY_HANDLE_FILE_INFORMATION out_info = {};
        HANDLE std = GetStdHandle(STD_OUTPUT_HANDLE);
        if (in && GetFileType(std) == FILE_TYPE_DISK && GetFileInformationByHandle(std, &out_info) &&
            out_info.dwVolumeSerialNumber == in->volume &&
            ((unsigned long long)out_info.nFileIndexHigh << 32 | out_info.nFileIndexLow) == in->index)
            return fail("the same file as IN: fix never changes its input");
        return o->stream = 1, true;
    }
    std::wstring w = wide(name);
    HANDLE h = CreateFileW(w.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info = {};
        bool disk = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info);
        // Through a symbolic link to its target.
        DWORD n = disk ? GetFinalPathNameByHandleW(h, g_target, 32768, FILE_NAME_NORMALIZED) : 0;
        CloseHandle(h);
        if (!disk) return fail("a device, not a file");
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return fail("Is a directory");
        unsigned long long index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
        if (in && in->volume == info.dwVolumeSerialNumber && in->index == index)
            return fail("the same file as IN: fix never changes its input");
        // The file behind standard output or error is a stream: renaming over it would replace
        // what the user meant to add to.
        for (int stream = 1; stream <= 2; stream++) {
            BY_HANDLE_FILE_INFORMATION std_info = {};
            HANDLE std = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
            if (GetFileType(std) == FILE_TYPE_DISK && GetFileInformationByHandle(std, &std_info) &&
                std_info.dwVolumeSerialNumber == info.dwVolumeSerialNumber &&
                ((unsigned long long)std_info.nFileIndexHigh << 32 | std_info.nFileIndexLow) == index)
                return o->stream = stream, true;
        }
        if (!force && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
            return fail("read-only: liscn replaces it only when told --force");
        if (n == 0 || n >= 32768) wcscpy(g_target, w.c_str());
    } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        if (w.size() >= 32768 - 64) return fail("the name is too long");
        wcscpy(g_target, w.c_str());
    } else {
        return fail_last_error();
    }

    const WCHAR *base = g_target;
    for (const WCHAR *p = g_target; *p; p++)
        if (*p == L'\\' || *p == L'/' || *p == L':') base = p + 1;
    SetConsoleCtrlHandler(on_console_event, TRUE);
    for (unsigned attempt = 0; attempt < 1000; attempt++) {
        _snwprintf(g_temp, 32768, L"%.*ls%ls.liscn-%lx-%x.tmp", (int)(base - g_target), g_target, base,
                   GetCurrentProcessId(), attempt + GetTickCount() % 0x10000 * 1000);
        g_temp[32767] = 0;
        h = CreateFileW(g_temp, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            InterlockedExchange(&g_temp_live, 1);
            o->handle = (intptr_t)h;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    // The folder is what cannot take a new file: name it.
    fail_last_error();
    std::string why = g_error;
    int k = WideCharToMultiByte(CP_UTF8, 0, g_target, (int)(base - g_target), nullptr, 0, nullptr, nullptr);
    std::string folder(k > 0 ? k : 0, '\0');
    if (k > 0) WideCharToMultiByte(CP_UTF8, 0, g_target, (int)(base - g_target), &folder[0], k, nullptr, nullptr);
    snprintf(g_error, sizeof g_error, "cannot make a file in its folder %s: %s", folder.empty() ? "." : folder.c_str(),
             why.c_str());
    return false;
}

bool out_write(OutFile *o, const unsigned char *p, size_t n) { return write_all((HANDLE)o->handle, p, n); }

bool out_commit(OutFile *o)
{
    HANDLE h = (HANDLE)o->handle;
    if (!FlushFileBuffers(h)) {
        fail_last_error();
        out_abort(o);
        return false;
    }
    CloseHandle(h);
    o->handle = (intptr_t)INVALID_HANDLE_VALUE;
    if (!MoveFileExW(g_temp, g_target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail_last_error();
        out_abort(o);
        return false;
    }
    InterlockedExchange(&g_temp_live, 0);
    return true;
}

void out_abort(OutFile *o)
{
    if ((HANDLE)o->handle != INVALID_HANDLE_VALUE) CloseHandle((HANDLE)o->handle);
    o->handle = (intptr_t)INVALID_HANDLE_VALUE;
    if (InterlockedExchange(&g_temp_live, 0)) DeleteFileW(g_temp);
}

bool std_write(int stream, const char *p, size_t n)
{
    HANDLE h = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode;
    if (GetConsoleMode(h, &mode)) {
        // A console shows UTF-16 whatever its code page.
        std::wstring w(n, L'\0');
        int k = MultiByteToWideChar(CP_UTF8, 0, p, (int)n, &w[0], (int)n);
        DWORD wrote;
        return WriteConsoleW(h, w.data(), (DWORD)k, &wrote, nullptr) || fail_last_error();
    }
    return write_all(h, p, n);
}

// The text's own bytes, never converted: a console shows them in its code page.
bool out_stream_write(OutFile *o, const unsigned char *p, size_t n)
{
    return write_all(GetStdHandle(o->stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), p, n);
}
