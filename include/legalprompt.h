/* legalprompt.dll: shows the licence agreement in "liscn.txt" in a modal dialog and tells
   whether the user accepts it.  C and C++.

   There are two builds of the DLL, with the same name, exports and behaviour: the win32 kit's
   for 32-bit programs (x86) and the win64 kit's for 64-bit programs (x64).  A program loads
   only the DLL of its own width: LoadLibrary fails on the other with error 193
   (ERROR_BAD_EXE_FORMAT, "not a valid Win32 application"), and a program linked with an import
   library does not start beside it (0xc000007b).  Ship the one that matches your program,
   whatever the width of Windows it runs on.

   Link with liblegalprompt.dll.a (MinGW) or legalprompt.lib (MSVC, clang-cl) from the same kit,
   or load the DLL with LoadLibrary and find the functions with GetProcAddress, by name or by
   ordinal: DisplayLegalBullshit is ordinal 2, ShowLegal ordinal 3. */
#ifndef LEGALPROMPT_H
#define LEGALPROMPT_H

#include <windows.h>

#ifndef LEGALPROMPT_API
#ifdef LEGALPROMPT_BUILD
#define LEGALPROMPT_API
#else
#define LEGALPROMPT_API __declspec(dllimport)
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Outcomes of DisplayLegalBullshit.  Acceptance is 0, not 1. */
#define LEGALPROMPT_ACCEPTED 0     /* the user chose "Accept" */
#define LEGALPROMPT_DECLINED 1     /* "Do Not Accept", Esc, the close box; or no dialog could be made */
#define LEGALPROMPT_NO_TEXT (-1)   /* "liscn.txt" could not be opened or read; nothing was shown */

/* Shows the agreement text from "liscn.txt" (looked for in the host program's directory, then
   the current directory, the system directories and PATH) and blocks until the user answers.
   Call it from one thread at a time. */
LEGALPROMPT_API int WINAPI DisplayLegalBullshit(void);

/* The agreement dialog's procedure, for the platform's dialog calls. */
LEGALPROMPT_API INT_PTR CALLBACK ShowLegal(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#ifdef __cplusplus
}
#endif

#endif
