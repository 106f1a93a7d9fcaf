/* A host program linked against an import library: calls both functions as a host would and
   checks that the import library bound them to the DLL's exports.  Uses no C runtime, so that
   it links with lld-link as well as with MinGW.  Exit code: the number of failed checks. */
#include <windows.h>

#include "legalprompt.h"

static int failures;

static void check(int ok, const char *what)
{
    char line[200];
    DWORD written;
    int length = wsprintfA(line, "%s %s\r\n", ok ? "ok  " : "FAIL", what);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, (DWORD)length, &written, NULL);
    if (!ok) failures++;
}

int main(void)
{
    HMODULE dll;

    /* No liscn.txt beside this program or in the current directory: nothing shown, -1. */
    check(DisplayLegalBullshit() == LEGALPROMPT_NO_TEXT, "DisplayLegalBullshit() without a text gives -1");

    dll = GetModuleHandleA("legalprompt.dll");
    check(dll != NULL, "legalprompt.dll was loaded through the import library");
    check((UINT_PTR)DisplayLegalBullshit == (UINT_PTR)GetProcAddress(dll, MAKEINTRESOURCEA(2)),
          "DisplayLegalBullshit is export 2");
    check((UINT_PTR)ShowLegal == (UINT_PTR)GetProcAddress(dll, MAKEINTRESOURCEA(3)) &&
              (UINT_PTR)ShowLegal == (UINT_PTR)GetProcAddress(dll, "ShowLegal"),
          "ShowLegal is export 3");
    /* stdcall: a wrong calling convention would leave the stack unbalanced here. */
    check(ShowLegal(NULL, WM_NULL, 0, 0) == 0, "ShowLegal leaves other messages to the platform");

    ExitProcess((UINT)failures);
}
