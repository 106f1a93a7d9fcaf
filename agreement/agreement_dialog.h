/* The agreement dialog's procedure and its centre-on-screen step. */
#ifndef AGREEMENT_DIALOG_H
#define AGREEMENT_DIALOG_H

#include <windows.h>

/* Moves the window so that its outer rectangle is centred on the primary screen; leaves it
   where it is when its rectangle or the screen size cannot be read. */
void CenterOnScreen(HWND window);

#endif
