// What the support library's parts share among themselves.
#ifndef LEGALPROMPT_SUPPORT_INTERNAL_H
#define LEGALPROMPT_SUPPORT_INTERNAL_H

#include <windows.h>

// Sends the window nothing and waits for its answer: its thread has taken what came before.
void round_trip(HWND window);
// Last resort after a failure: ends every dialog of the thread so that the call returns.
void close_dialogs_of(DWORD thread);

#endif
