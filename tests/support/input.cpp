#include "harness.h"
#include "internal.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

// Input: real keyboard and mouse input (SendInput) to the window in front.
namespace {

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

namespace {

std::string describe(HWND window)
{
    char name[64] = "", title[128] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(GetAncestor(window, GA_ROOT), title, sizeof title);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return std::string(name) + " of \"" + title + "\" (process " + std::to_string(pid) + ")";
}

}  // namespace

bool click_at(HWND window, POINT p)
{
    // Absolute coordinates run from 0 to 65535 across the primary screen; rounding up keeps
    // the point inside the intended pixel.
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    auto move = [&] {
        send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (p.x * 65536 + width - 1) / width,
                   (p.y * 65536 + height - 1) / height);
    };
    POINT at;
    auto arrived = [&] { return GetCursorPos(&at) && at.x == p.x && at.y == p.y; };
    // Wine's X11 driver in the window's own process turns the pointer events that the X server
    // queued for it into moves of the pointer when that thread next looks at its queue, and
    // some of them carry where the pointer was before this move (it sat where the window then
    // appeared).  A press sent in between lands at the old point: on the agreement's text, or
    // on the other button.  So the window's thread takes in its queue before the press, and
    // the pointer must still be at the point afterwards.
    HWND root = GetAncestor(window, GA_ROOT);
    DWORD start = GetTickCount();
    POINT back = {};
    int moves = 0;
    for (;; moves++) {
        move();
        if (!wait_until(arrived, 3000)) {
            ADD_FAILURE() << "the pointer did not reach (" << p.x << ", " << p.y << ")";
            return false;
        }
        for (int i = 0; i < 3; i++) round_trip(root);
        if (arrived()) break;
        back = at;
        if (moves == 5) {
            ADD_FAILURE() << "the pointer went back to (" << back.x << ", " << back.y << ") after every move to ("
                          << p.x << ", " << p.y << ")";
            return false;
        }
    }
    if (moves > 0) {
        printf("waited: the pointer went back to (%ld, %ld) after a move to (%ld, %ld), moved %d times in %lu ms\n",
               back.x, back.y, p.x, p.y, moves + 1, GetTickCount() - start);
    }
    // The click goes to whatever window is at the point: another program's window that has
    // come in front there (an installer's progress window) would take it.  Wait until the
    // intended one is there, and say so when it was not at once.
    HWND hit = WindowFromPoint(p);
    auto there = [&] { hit = WindowFromPoint(p); return hit == window || IsChild(window, hit); };
    if (!there()) {
        std::string other = describe(hit);
        start = GetTickCount();
        if (!wait_until(there, 3000)) {
            ADD_FAILURE() << "at (" << p.x << ", " << p.y << ") is the " << describe(hit) << ", not the "
                          << describe(window);
            return false;
        }
        printf("waited: the %s was at (%ld, %ld) before the %s, for %lu ms\n", other.c_str(), p.x, p.y,
               describe(window).c_str(), GetTickCount() - start);
    }
    // A button, and a window whose caption's close box is pressed, take the mouse: the press
    // arrived where it was meant to once the window at the point has it, and no other (a
    // press on the button beside the close box would give it to the button).
    send_mouse(MOUSEEVENTF_LEFTDOWN);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    DWORD owner = GetWindowThreadProcessId(window, nullptr);
    bool taken = wait_until([&] { return GetGUIThreadInfo(owner, &thread) && thread.hwndCapture == hit; }, 3000);
    if (!taken) {
        GetCursorPos(&at);
        ADD_FAILURE() << "the press at (" << p.x << ", " << p.y << ") went to "
                      << (thread.hwndCapture ? "the " + describe(thread.hwndCapture) : std::string("no window"))
                      << ", not the " << describe(hit) << "; the pointer is at (" << at.x << ", " << at.y << ")";
    }
    send_mouse(MOUSEEVENTF_LEFTUP);
    return taken;
}

bool click_centre(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return click_at(window, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
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
