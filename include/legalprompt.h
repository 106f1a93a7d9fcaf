/* legalprompt.dll: shows the licence agreement in "liscn.txt" and tells whether the user
   accepts it.  Exports DisplayLegalBullshit (ordinal 2) and ShowLegal (ordinal 3). */
#ifndef LEGALPROMPT_H
#define LEGALPROMPT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Outcomes of DisplayLegalBullshit. */
#define LEGALPROMPT_ACCEPTED 0
#define LEGALPROMPT_DECLINED 1
#define LEGALPROMPT_NO_TEXT (-1)

/* Shows the agreement dialog modally and blocks until the user answers.  LEGALPROMPT_NO_TEXT
   when "liscn.txt" cannot be opened or read; nothing is shown then. */
int WINAPI DisplayLegalBullshit(void);

/* The agreement dialog's procedure, for the platform's dialog calls. */
INT_PTR CALLBACK ShowLegal(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#ifdef __cplusplus
}
#endif

#endif
