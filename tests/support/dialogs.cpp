#include "harness.h"
#include "internal.h"

// Windows and waits: the agreement dialog of whichever process, found, settled and read.

bool wait_until(const std::function<bool()> &condition, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(10);
    }
}

namespace {

bool class_is(HWND window, const char *name)
{
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

DWORD process_of(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct Search {
    const std::vector<HWND> *except;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_one(HWND window, LPARAM lparam)
{
    Search *s = (Search *)lparam;
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (!IsWindowVisible(window) || (s->pid != ANY_PROCESS && process_of(window) != s->pid) ||
        !class_is(window, "#32770") ||
        lstrcmpA(title, "License Agreement") != 0)
        return TRUE;
    for (HWND seen : *s->except)
        if (seen == window) return TRUE;
    s->found = window;
    return FALSE;
}


BOOL CALLBACK cancel_dialog(HWND window, LPARAM)
{
    if (!class_is(window, "#32770")) return TRUE;
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);  // ends a menu
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
}  // namespace

void round_trip(HWND window)
{
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
}

// Last resort after a failure: ends every dialog of the thread so that the call returns.
void close_dialogs_of(DWORD thread)
{
    for (int i = 0; i < 20; i++) {
        EnumThreadWindows(thread, cancel_dialog, 0);
        if (wait_until([] { return find_dialog() == nullptr; }, 500)) return;
    }
}

HWND find_dialog(const std::vector<HWND> &except, DWORD pid)
{
    Search s = {&except, pid ? pid : GetCurrentProcessId(), nullptr};
    EnumWindows(find_one, (LPARAM)&s);
    return s.found;
}

HWND wait_for_dialog(const std::vector<HWND> &except, DWORD timeout_ms, DWORD pid)
{
    HWND dialog = nullptr;
    wait_until([&] { return (dialog = find_dialog(except, pid)) != nullptr; }, timeout_ms);
    return dialog;
}

HWND focus_of(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool settle(HWND dialog)
{
    bool ready = wait_until([&] {
        return GetForegroundWindow() == dialog && focus_of(dialog) != nullptr;
    });
    // The window system's own focus events for a new window arrive after it is in front; a
    // few round trips through the dialog's thread let them land before any key is pressed.
    for (int i = 0; i < 3; i++) round_trip(dialog);
    return ready;
}

std::string text_of(HWND window)
{
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

HWND control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void close_stray_dialogs()
{
    for (HWND dialog; (dialog = find_dialog({}, ANY_PROCESS)) != nullptr;) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        wait_until([&] { return !IsWindow(dialog); }, 2000);
    }
}
