#include "harness.h"

#include "attack.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <thread>

Library::Library(const std::string &path)
    : module(LoadLibraryA(path.c_str())),
      display(module ? (DisplayFn)(void (*)(void))GetProcAddress(module, "DisplayLegalBullshit") : nullptr)
{
    EXPECT_NE(nullptr, module) << "LoadLibrary(" << path << ") failed, error " << GetLastError();
    EXPECT_NE(nullptr, display) << "no DisplayLegalBullshit in " << path;
}

Library::~Library()
{
    if (module) FreeLibrary(module);
}

// ---- files ----

std::string program_dir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

std::string text_path() { return program_dir() + "liscn.txt"; }

bool write_file(const std::string &path, const std::string &bytes)
{
    // Shares reading and writing, as the library's own open does, so that a text can be
    // rewritten while a dialog shows it.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void remove_file(const std::string &path) { DeleteFileA(path.c_str()); }

std::string make_temp_dir(const char *name)
{
    static int serial;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "lp" + std::to_string(GetCurrentProcessId()) + "_" +
                      std::to_string(++serial) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

CurrentDirectory::CurrentDirectory(const std::string &dir)
{
    GetCurrentDirectoryA(MAX_PATH, saved);
    EXPECT_TRUE(SetCurrentDirectoryA(dir.c_str())) << dir;
}

CurrentDirectory::~CurrentDirectory() { SetCurrentDirectoryA(saved); }

// ---- waiting ----

bool wait_until(const std::function<bool()> &condition, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(10);
    }
}

// ---- the dialog ----

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

void round_trip(HWND window)
{
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
}

BOOL CALLBACK cancel_dialog(HWND window, LPARAM)
{
    if (!class_is(window, "#32770")) return TRUE;
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);  // ends a menu
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Last resort after a failure: ends every dialog of the thread so that the call returns.
void close_dialogs_of(DWORD thread)
{
    for (int i = 0; i < 20; i++) {
        EnumThreadWindows(thread, cancel_dialog, 0);
        if (wait_until([] { return find_dialog() == nullptr; }, 500)) return;
    }
}

bool extended_key(WORD vk)
{
    switch (vk) {
    case VK_HOME: case VK_END: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_DELETE: case VK_INSERT: case VK_PRIOR: case VK_NEXT:
        return true;
    }
    return false;
}

void send_key(WORD vk, DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = flags | (extended_key(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &in, sizeof in);
}

void key_down(WORD vk) { send_key(vk, 0); }
void key_up(WORD vk) { send_key(vk, KEYEVENTF_KEYUP); }

void send_mouse(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

}  // namespace

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

// ---- input ----


void press(WORD vk)
{
    key_down(vk);
    key_up(vk);
}

bool chord(HWND dialog, WORD modifier, WORD vk)
{
    // A modifier can be lost when the window system resynchronises the key state; press it
    // again until the system reports it down.
    for (int attempt = 0; attempt < 5; attempt++) {
        key_down(modifier);
        round_trip(dialog);
        if (GetAsyncKeyState(modifier) & 0x8000) {
            press(vk);
            key_up(modifier);
            return true;
        }
    }
    key_up(modifier);
    ADD_FAILURE() << "modifier " << modifier << " never registered";
    return false;
}

bool click_at(POINT p)
{
    // Absolute coordinates run from 0 to 65535 across the primary screen; rounding up keeps
    // the point inside the intended pixel.
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (p.x * 65536 + width - 1) / width,
               (p.y * 65536 + height - 1) / height);
    POINT at;
    if (!wait_until([&] { return GetCursorPos(&at) && at.x == p.x && at.y == p.y; }, 3000)) {
        ADD_FAILURE() << "the pointer did not reach (" << p.x << ", " << p.y << ")";
        return false;
    }
    send_mouse(MOUSEEVENTF_LEFTDOWN);
    send_mouse(MOUSEEVENTF_LEFTUP);
    return true;
}

bool click_centre(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

bool close_box(HWND dialog, POINT *point)
{
    RECT r;
    GetWindowRect(dialog, &r);
    LONG left = LONG_MAX, right = LONG_MIN, top = LONG_MAX, bottom = LONG_MIN;
    for (LONG y = r.top; y < r.top + 48; y++) {
        for (LONG x = r.right - 1; x > r.right - 64; x--) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit != HTCLOSE) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (left > right) return false;
    *point = {(left + right) / 2, (top + bottom) / 2};
    return true;
}

bool tab_to(HWND dialog, HWND target)
{
    for (int i = 0; i < 4 && focus_of(dialog) != target; i++) {
        HWND before = focus_of(dialog);
        press(VK_TAB);
        wait_until([&] { return focus_of(dialog) != before; }, 2000);
    }
    return focus_of(dialog) == target;
}

// ---- a prompt ----

int run_prompt(DisplayFn display, const std::function<void(HWND)> &user)
{
    DWORD caller = GetCurrentThreadId();
    std::thread acting([&] {
        HWND dialog = wait_for_dialog();
        if (!dialog) {
            ADD_FAILURE() << "no agreement dialog appeared";
            close_dialogs_of(caller);
            return;
        }
        EXPECT_TRUE(settle(dialog)) << "the dialog did not come to the front with the focus";
        user(dialog);
        if (!wait_until([&] { return !IsWindow(dialog); })) {
            ADD_FAILURE() << "the dialog is still up after the user's action";
            close_dialogs_of(caller);
        }
    });
    int outcome = display();
    acting.join();
    return outcome;
}

DWORD run_program(const std::string &command, const std::function<void(DWORD pid)> &act, DWORD creation_flags,
                  DWORD timeout_ms, HANDLE error_output)
{
    std::string line = command;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (error_output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = error_output;
    }
    PROCESS_INFORMATION process = {};
    auto start = [&] {
        if (running_limited()) {
            return CreateProcessAsUserA(limited_token(), nullptr, &line[0], nullptr, nullptr, error_output != nullptr,
                                        creation_flags, nullptr, nullptr, &startup, &process);
        }
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, error_output != nullptr, creation_flags, nullptr,
                              nullptr, &startup, &process);
    };
    // Wine now and then fails to start a process at all (ERROR_INTERNAL_ERROR, seen once in the
    // twenty installers of a run): that start, and only that, is tried once more, and said.
    BOOL started = start();
    if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
        printf("could not start %s (error %lu); trying once more\n", command.c_str(), GetLastError());
        Sleep(200);
        started = start();
    }
    if (!started) {
        ADD_FAILURE() << "cannot start " << command << ", error " << GetLastError();
        return 999;
    }
    if (act) act(process.dwProcessId);
    DWORD code = 999;
    if (WaitForSingleObject(process.hProcess, timeout_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        ADD_FAILURE() << command << " did not end";
        TerminateProcess(process.hProcess, 999);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// What a folder holds, names relative to it ("nsa1.tmp/legalpromptw.exe ..."); "" when empty.
std::string folder_contents(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    std::string names;
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        names += name + ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/{" + folder_contents(dir + name + "\\") + "} " : " ");
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

const std::string &original_temp()
{
    static const std::string temp = [] {
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, path);
        return std::string(path);
    }();
    return temp;
}

void set_temp(const std::string &dir)
{
    SetEnvironmentVariableA("TEMP", dir.c_str());
    SetEnvironmentVariableA("TMP", dir.c_str());
}

void remove_tree(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)  // a link: never what it leads to
                (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? RemoveDirectoryA : DeleteFileA)((dir + name).c_str());
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(dir + name + "\\");
            else
                DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

void close_stray_dialogs()
{
    for (HWND dialog; (dialog = find_dialog({}, ANY_PROCESS)) != nullptr;) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        wait_until([&] { return !IsWindow(dialog); }, 2000);
    }
}

DWORD run_and_answer(const std::string &command, const std::function<void(HWND)> &user, bool *seen,
                     DWORD timeout_ms, HANDLE error_output, bool optional)
{
    close_stray_dialogs();  // one left by an earlier run must not be taken for this run's
    bool dialog_seen = false;
    DWORD code = run_program(command, [&](DWORD pid) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        HWND dialog = nullptr;
        wait_until([&] {
            return (dialog = find_dialog({}, ANY_PROCESS)) != nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        }, 30000);
        CloseHandle(process);
        dialog_seen = dialog != nullptr;
        if (!user) {  // one that should not be there is ended at once
            if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (!dialog && optional) return;
        ASSERT_NE(nullptr, dialog) << "no agreement dialog from " << command;
        settle(dialog);
        user(dialog);
    }, 0, timeout_ms, error_output);
    if (seen) *seen = dialog_seen;
    return code;
}

void InstallerTest::SetUp()
{
    set_temp(original_temp());
    // Names of their own: Wine gives a new process an earlier one's id again.
    const std::string run = std::to_string(GetTickCount());
    temp = make_temp_dir(("temp" + run).c_str());
    target = make_temp_dir(("target" + run).c_str());
    here = make_temp_dir(("here" + run).c_str());
    set_temp(temp);
    system_before = prompt_folders(system_temp());
}

void InstallerTest::TearDown()
{
    close_stray_dialogs();
    run_limited(false);
    if (temp.empty()) return;  // SetUp did not run: nothing of ours to check or delete
    EXPECT_EQ("", folder_contents(temp)) << "left in the temp folder " << temp;
    EXPECT_EQ(system_before, prompt_folders(system_temp())) << "a prompt folder is left in " << system_temp();
    set_temp(original_temp());
    for (const std::string &dir : {temp, target, here}) remove_tree(dir);
}

std::string sample_text(size_t size)
{
    std::string text;
    char line[80];
    for (int n = 1; text.size() < size; n++) {
        snprintf(line, sizeof line, "Line %05d: the quick brown fox jumps over the lazy dog.\r\n", n);
        text += line;
    }
    text.resize(size);
    return text;
}
