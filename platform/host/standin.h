// Steering and inspecting the host stand-in of the Windows calls, for tests.
// The stand-in keeps one world: modules, windows, open files, a screen and a record of calls.
#ifndef LEGALPROMPT_HOST_STANDIN_H
#define LEGALPROMPT_HOST_STANDIN_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

// Forgets every module, window and recorded call, closes every open file, sets the screen to
// 1024 x 768, the host program's directory to that of the running program, and no user.
void reset();

// A module whose resources are those of the compiled resource file (.res) at res_path.
HINSTANCE load_module(const char *res_path);
// The directory that OpenFile searches first, as the host program's directory.
void set_program_dir(const std::string &dir);
// The primary screen's size in pixels, as GetDeviceCaps reports it.
void set_screen(int width, int height);

// The user: called while a modal dialog is up, and again for as long as it stays up (at most
// a few rounds; then the dialog is ended with result -2 and "no answer" is recorded).
using User = std::function<void(HWND dialog)>;
void set_user(User user);

// What the user does.  click: a push button's BN_CLICKED; command: any control notification;
// close: the close box, which the dialog manager turns into WM_CLOSE and then IDCANCEL.
void click(HWND dialog, int id);
void command(HWND dialog, int id, int code);
void close(HWND dialog);
// A message sent to the window's dialog procedure; what the procedure returned.
INT_PTR send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The calls made so far, one line each, e.g. "OpenFile(liscn.txt, 0)", "SetFocus(1)",
// "SetWindowPos(296, 228, 5)"; the stand-in also records "[shown]" when a dialog is shown
// and "DialogBoxParamA -> N" when one returns.
const std::vector<std::string> &calls();
// The position of the first recorded call that starts with prefix, or -1.
int call_index(const std::string &prefix);

std::string text(HWND window);
DWORD style(HWND window);
int control_id(HWND window);
WORD class_atom(HWND window);
RECT rect(HWND window);
bool alive(HWND window);
HWND owner(HWND window);
HWND focus();
std::vector<HWND> children(HWND dialog);  // in template order

int dialogs_created();
int files_open();
int dcs_held();

}  // namespace standin

#endif
