#include <windows.h>
#include <stdio.h>

typedef int (WINAPI *DisplayLegalBullshitFn)(void);

int main(void)
{
    HMODULE dll = LoadLibraryA("legalprompt.dll");
    if (!dll) {
        fprintf(stderr, "cannot load legalprompt.dll (error %lu)\n", GetLastError());
        return 3;
    }
    /* By name, or by ordinal 2 (ShowLegal, the dialog procedure, is ordinal 3).  The cast
       through void (*)(void) tells GCC that the change of function type is meant. */
    DisplayLegalBullshitFn display =
        (DisplayLegalBullshitFn)(void (*)(void))GetProcAddress(dll, "DisplayLegalBullshit");
    DisplayLegalBullshitFn same =
        (DisplayLegalBullshitFn)(void (*)(void))GetProcAddress(dll, MAKEINTRESOURCEA(2));
    if (!display || display != same) {
        fprintf(stderr, "legalprompt.dll has no DisplayLegalBullshit\n");
        return 3;
    }

    int outcome = display();  /* blocks until the user answers */
    if (outcome == 0)
        printf("accepted\n");
    else if (outcome == 1)
        printf("not accepted\n");
    else
        printf("liscn.txt could not be read\n");

    FreeLibrary(dll);
    return outcome;
}
