#include "driver.h"

#include <vector>

namespace {

struct Run {
    std::function<void(HWND)> act;
    HWND dialog = nullptr;  // the first top-level dialog created during the call
    std::vector<HWND> dialogs;  // every one, message boxes included, in the order made
    int windows = 0;
    bool acted = false, forced = false, end_after_act = false;
    DWORD started = 0, acted_at = 0;
};
std::vector<Run *> runs;  // innermost last: a prompt may be started from inside another
UINT act_message;

const DWORD kActDeadline = 10000, kEndDeadline = 5000;
const LPARAM kAct = 0, kEnd = 1;

LRESULT CALLBACK on_create(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_CREATEWND && !runs.empty()) {
        Run *run = runs.back();
        run->windows++;
        char name[16] = "";
        GetClassNameA((HWND)wparam, name, sizeof name);
        const CREATESTRUCTA *create = ((CBT_CREATEWNDA *)lparam)->lpcs;
        if (!(create->style & WS_CHILD) && lstrcmpA(name, "#32770") == 0) {
            if (!run->dialog) run->dialog = (HWND)wparam;
            run->dialogs.push_back((HWND)wparam);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void post(Run *run, LPARAM what)
{
    PostThreadMessageA(GetCurrentThreadId(), act_message, (WPARAM)run, what);
}

// Acts when the dialog is there, or ends what a test left up past its time.
void serve(Run *run, LPARAM what)
{
    DWORD now = GetTickCount();
    if (what == kEnd) {
        // Read by the dialog's loop, which stops reading once the dialog has ended: still up.
        if (run->dialog && IsWindow(run->dialog)) EndDialog(run->dialog, 0);
        return;
    }
    if (!run->acted && run->dialog && IsWindow(run->dialog)) {
        run->acted = true;
        run->acted_at = now;
        // Wine would swallow an exception thrown out of a hook: the test fails instead.
        try {
            if (run->act) run->act(run->dialog);
        } catch (...) {
            ADD_FAILURE() << "the test's action threw";
            run->end_after_act = true;
        }
        if (run->end_after_act) post(run, kEnd);
        return;
    }
    if (run->forced) return;
    if (run->acted && now - run->acted_at > kEndDeadline) {
        // Whatever the call still has up, innermost first: a window the library opened inside
        // its dialog too.
        run->forced = true;
        ADD_FAILURE() << "the dialog was still up 5 s after the test acted; the driver ends it";
        for (auto d = run->dialogs.rbegin(); d != run->dialogs.rend(); ++d)
            if (IsWindow(*d)) EndDialog(*d, 0);
    } else if (!run->acted && now - run->started > kActDeadline) {
        run->forced = true;
        ADD_FAILURE() << "the call has shown no dialog and not returned in 10 s";
    }
}

LRESULT CALLBACK on_get_message(int code, WPARAM removed, LPARAM lparam)
{
    MSG *msg = (MSG *)lparam;
    if (code == HC_ACTION && removed == PM_REMOVE && !msg->hwnd && msg->message == act_message) {
        if (!runs.empty() && msg->wParam == (WPARAM)runs.back()) serve(runs.back(), msg->lParam);
        msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removed, lparam);
}

void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!runs.empty()) serve(runs.back(), kAct);
}

}  // namespace

static Prompt drive(DisplayFn display, const std::function<void(HWND)> &act, bool end_after_act)
{
    if (!act_message) act_message = RegisterWindowMessageA("LegalPromptTestAct");
    Run run;
    run.act = act;
    run.end_after_act = end_after_act;
    run.started = GetTickCount();
    // Set by the outermost prompt only: a prompt started inside another uses the same hooks.
    static HHOOK create_hook, message_hook;
    if (runs.empty()) {
        create_hook = SetWindowsHookExA(WH_CBT, on_create, nullptr, GetCurrentThreadId());
        message_hook = SetWindowsHookExA(WH_GETMESSAGE, on_get_message, nullptr, GetCurrentThreadId());
        EXPECT_TRUE(create_hook && message_hook) << "hooks not set, error " << GetLastError();
    }
    runs.push_back(&run);
    post(&run, kAct);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, on_tick);

    Prompt result;
    result.outcome = display();

    KillTimer(nullptr, timer);
    runs.pop_back();
    if (runs.empty()) {
        UnhookWindowsHookEx(message_hook);
        UnhookWindowsHookEx(create_hook);
    }
    MSG left;  // the act message of a call that made no dialog
    while (PeekMessageA(&left, (HWND)-1, act_message, act_message, PM_REMOVE)) {
    }
    result.windows = run.windows;
    result.acted = run.acted;
    return result;
}

Prompt run_prompt_here(DisplayFn display, const std::function<void(HWND)> &act)
{
    return drive(display, act, false);
}

Prompt inside_dialog(DisplayFn display, const std::function<void(HWND)> &probe)
{
    return drive(display, probe, true);
}

void click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

int handles_open()
{
    // SystemHandleInformation: a count, then one entry per handle in the system.
    struct Entry {
        USHORT process, creator_back_trace;
        UCHAR type, attributes;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    typedef LONG(WINAPI * Query)(int, void *, ULONG, ULONG *);
    static Query query = (Query)(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                              "NtQuerySystemInformation");
    if (!query) return -1;
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(16, buffer.data(), (ULONG)buffer.size(), &needed)) == (LONG)0xC0000004)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    ULONG count = *(ULONG *)buffer.data();
    const Entry *entries = (const Entry *)(buffer.data() + sizeof(ULONG_PTR));
    int mine = 0;
    for (ULONG i = 0; i < count; i++)
        if (entries[i].process == (USHORT)GetCurrentProcessId()) mine++;
    return mine;
}

static BOOL CALLBACK count_window(HWND, LPARAM count)
{
    ++*(int *)count;
    return TRUE;
}

int windows_of_this_thread()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), count_window, (LPARAM)&count);
    return count;
}

bool nobody_has_open(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}
