// Tells the launcher (scripts/wine-run.sh) that this program has started: it creates the file
// that LEGALPROMPT_STARTED names before main runs.  Wine now and then ends a program with 1
// before any of its code has run, silently; the launcher runs a program that never said this
// once more, and fails one that ends without it.  Compiled into each test program
// itself, so that the linker cannot leave it out.
#include <windows.h>

namespace {

struct Started {
    Started()
    {
        wchar_t path[1024];
        DWORD length = GetEnvironmentVariableW(L"LEGALPROMPT_STARTED", path, ARRAYSIZE(path));
        if (length == 0 || length >= ARRAYSIZE(path)) return;
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
} started;

}  // namespace
