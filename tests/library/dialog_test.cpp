// ShowLegal on the real dialog manager: the dialog its template makes, what WM_INITDIALOG
// leaves, the centring step on windows of sizes the test chooses, and the commands.
#include "fixture.h"
#include "spy.h"

namespace {

std::string class_of(HWND window)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT rect_of(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// A hidden top-level window of the given size, for the centring step alone.
HWND plain_window(int width, int height)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 7, width, height, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

class Dialog : public LibraryTest {};

TEST_F(Dialog, TemplateMakesTheAgreementDialog)
{
    inside([](HWND d) {
        EXPECT_EQ("License Agreement", text_of(d));
        DWORD style = GetWindowLongA(d, GWL_STYLE);
        for (DWORD bit : {(DWORD)WS_POPUP, (DWORD)WS_CAPTION, (DWORD)WS_SYSMENU, (DWORD)DS_MODALFRAME})
            EXPECT_EQ(bit, style & bit) << "dialog style " << std::hex << style;
        EXPECT_EQ(0u, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << std::hex << style;
        // In template order, which is Tab order.
        const struct { int id; const char *cls, *text; DWORD set, clear; } want[] = {
            {IDCANCEL, "Button", "Do Not Accept", BS_PUSHBUTTON, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {IDOK, "Button", "&Accept", BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
            {IDC_AGREEMENT_TEXT, "Edit", kText, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP,
             ES_AUTOHSCROLL | WS_HSCROLL},
        };
        HWND child = GetWindow(d, GW_CHILD);
        for (const auto &w : want) {
            ASSERT_NE(nullptr, child) << "control " << w.id << " missing";
            DWORD s = GetWindowLongA(child, GWL_STYLE);
            EXPECT_EQ(w.id, GetDlgCtrlID(child));
            EXPECT_EQ(w.cls, class_of(child)) << "control " << w.id;
            EXPECT_EQ(w.text, text_of(child)) << "control " << w.id;
            EXPECT_EQ(w.set, s & w.set) << "control " << w.id << " style " << std::hex << s;
            EXPECT_EQ(0u, s & w.clear) << "control " << w.id << " style " << std::hex << s;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, child) << "a control too many";
        // Accept at the left, Do Not Accept at the right, on one line under the text box.
        RECT no = rect_of(control(d, IDCANCEL)), yes = rect_of(control(d, IDOK));
        RECT box = rect_of(control(d, IDC_AGREEMENT_TEXT));
        EXPECT_LT(yes.right, no.left);
        EXPECT_EQ(yes.top, no.top);
        EXPECT_GT(yes.top, box.bottom);
    });
}

TEST_F(Dialog, InitDialogFillsCentresAndFocusesInThatOrder)
{
    ImportSpy spy(library_.module);
    RECT r = {};
    HWND focus = nullptr, accept = nullptr;
    std::string text;
    Prompt p = prompt([&](HWND d) {
        r = rect_of(d);
        focus = GetFocus();
        accept = control(d, IDOK);
        text = text_of(control(d, IDC_AGREEMENT_TEXT));
        click(d, IDOK);
    });
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, p.outcome);
    EXPECT_EQ(kText, text);
    EXPECT_EQ(accept, focus);
    // The outer rectangle centred on the primary screen, the halving truncated toward zero.
    int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((screen_w - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((screen_h - (r.bottom - r.top)) / 2, r.top);
    const std::vector<std::string> want = {
        "SetWindowTextA(1000)", "GetDC(dialog)", "GetDeviceCaps(8)", "GetDeviceCaps(10)", "ReleaseDC(dialog)",
        "SetWindowPos(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", 5)", "SetFocus(1)",
        "EndDialog(1)",
    };
    EXPECT_EQ(want, spy.calls_from("SetWindowTextA"));
}

TEST_F(Dialog, InitDialogAgainReturnsTrueAndPutsTheFocusBackOnAccept)
{
    inside([&](HWND d) {
        SetFocus(control(d, IDC_AGREEMENT_TEXT));
        EXPECT_EQ(TRUE, show(d, WM_INITDIALOG, 0, 0));
        EXPECT_EQ(control(d, IDOK), GetFocus());
    });
}

TEST_F(Dialog, CentresAWindowOfAnySizeEvenOneLargerThanTheScreen)
{
    // The window's size minus the screen's: the position is half the difference, truncated
    // toward zero (-3 gives -1, not -2); the size stays.
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    const struct { int dw, dh, x, y; } cases[] = {
        {300, 200, 150, 100}, {1, 1, 0, 0}, {7, 9, 3, 4}, {0, 0, 0, 0},
        {-1, -2, 0, -1}, {-3, -3, -1, -1}, {-200, -101, -100, -50},
    };
    for (const auto &c : cases) {
        const int w = screen_w - c.dw, h = screen_h - c.dh;
        HWND window = plain_window(w, h);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(TRUE, show(window, WM_INITDIALOG, 0, 0));
        RECT r = rect_of(window);
        EXPECT_EQ(c.x, r.left) << "window " << w << " x " << h;
        EXPECT_EQ(c.y, r.top) << "window " << w << " x " << h;
        EXPECT_EQ(w, r.right - r.left) << "the width stays";
        EXPECT_EQ(h, r.bottom - r.top) << "the height stays";
        DestroyWindow(window);
    }
}

TEST_F(Dialog, AScreenThatCannotBeReadLeavesTheWindowWhereItIs)
{
    ImportSpy spy(library_.module);
    HWND window = plain_window(100, 50);
    const struct { const char *fault; bool no_dc; int size; } cases[] = {
        {"GetDC fails", true, -1}, {"a screen of 0", false, 0},
    };
    for (const auto &c : cases) {
        spy.calls.clear();
        spy.fail_get_dc = c.no_dc;
        spy.screen_size = c.size;
        EXPECT_EQ(TRUE, show(window, WM_INITDIALOG, 0, 0)) << c.fault;
        RECT r = rect_of(window);
        EXPECT_EQ(5, r.left) << c.fault;
        EXPECT_EQ(7, r.top) << c.fault;
        EXPECT_EQ(0, spy.count("SetWindowPos")) << c.fault;
        EXPECT_EQ(c.no_dc ? 0 : 1, spy.count("ReleaseDC")) << c.fault;
    }
    // Nor does a window that is not there crash it.
    spy.fail_get_dc = false;
    spy.screen_size = -1;
    EXPECT_EQ(TRUE, show(nullptr, WM_INITDIALOG, 0, 0));
    DestroyWindow(window);
}

TEST_F(Dialog, CommandsOneAndTwoEndItAndOthersDoNot)
{
    // Only the low word names the control: a notification code in the high word changes
    // nothing.  The procedure says it handled the two, and only those.
    const struct { WPARAM wparam; INT_PTR handled; int outcome; } cases[] = {
        {MAKEWPARAM(IDOK, BN_CLICKED), TRUE, LEGALPROMPT_ACCEPTED},
        {MAKEWPARAM(IDOK, 1), TRUE, LEGALPROMPT_ACCEPTED},
        {MAKEWPARAM(IDOK, 0xFFFF), TRUE, LEGALPROMPT_ACCEPTED},
        {MAKEWPARAM(IDCANCEL, BN_CLICKED), TRUE, LEGALPROMPT_DECLINED},
        {MAKEWPARAM(IDCANCEL, 1), TRUE, LEGALPROMPT_DECLINED},
        {MAKEWPARAM(IDC_AGREEMENT_TEXT, EN_SETFOCUS), FALSE, 0},
        {MAKEWPARAM(0, 0), FALSE, 0},
        {MAKEWPARAM(3, BN_CLICKED), FALSE, 0},
        {MAKEWPARAM(0x0101, IDOK), FALSE, 0},
        {MAKEWPARAM(0xFFFF, 0), FALSE, 0},
    };
    ImportSpy spy(library_.module);
    for (const auto &c : cases) {
        spy.calls.clear();
        INT_PTR handled = -1;
        Prompt p = inside([&](HWND d) { handled = show(d, WM_COMMAND, c.wparam, 0); });
        EXPECT_EQ(c.handled, handled) << "wparam " << std::hex << c.wparam;
        if (c.handled) {
            EXPECT_EQ(c.outcome, p.outcome) << "wparam " << std::hex << c.wparam;
            EXPECT_EQ(1, spy.count("EndDialog")) << "wparam " << std::hex << c.wparam;
        } else {
            EXPECT_EQ(0, spy.count("EndDialog")) << "wparam " << std::hex << c.wparam << " ended it";
        }
    }
}

TEST_F(Dialog, OtherMessagesAreLeftToTheDialogManager)
{
    ImportSpy spy(library_.module);
    const UINT messages[] = {WM_NULL, WM_CLOSE, WM_SYSCOMMAND, WM_PAINT, WM_KEYDOWN, WM_CTLCOLORBTN,
                             WM_USER, WM_APP, 0xFFFF};
    Prompt p = prompt([&](HWND d) {
        for (UINT m : messages) EXPECT_EQ(FALSE, show(d, m, IDOK, 0)) << "message " << std::hex << m;
        EXPECT_EQ(0, spy.count("EndDialog")) << "a message ended it";
        PostMessageA(d, WM_CLOSE, 0, 0);  // which the dialog manager turns into Do Not Accept
    });
    EXPECT_EQ(LEGALPROMPT_DECLINED, p.outcome);
    EXPECT_EQ(1, spy.count("EndDialog(0)"));
}
