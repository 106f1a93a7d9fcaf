// Windows and waits: the agreement dialog of whichever process, found, settled and read.
#ifndef LEGALPROMPT_SUPPORT_DIALOGS_H
#define LEGALPROMPT_SUPPORT_DIALOGS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls condition every 10 ms until it holds or timeout_ms passes; whether it held.
bool wait_until(const std::function<bool()> &condition, DWORD timeout_ms = 10000);

// ---- the dialog ----
// A visible "License Agreement" dialog of process pid (default: this one; ANY_PROCESS: any)
// that is not in except, or NULL.
const DWORD ANY_PROCESS = (DWORD)-1;
HWND find_dialog(const std::vector<HWND> &except = {}, DWORD pid = 0);
HWND wait_for_dialog(const std::vector<HWND> &except = {}, DWORD timeout_ms = 10000, DWORD pid = 0);
// Waits until the dialog is in front and holds the keyboard focus, and its thread is idle.
bool settle(HWND dialog);
HWND focus_of(HWND window);  // the focus window of the window's thread
std::string text_of(HWND window);
HWND control(HWND dialog, int id);

// Ends every agreement dialog still up, of whatever process, so that a failed test leaves
// nothing waiting for an answer.
void close_stray_dialogs();

#endif
