// ShowLegal and the template it runs on, through the stand-in's dialog manager.
#include <vector>

#include "fixture.h"

namespace {

class DialogTest : public PromptTest {
protected:
    void SetUp() override
    {
        PromptTest::SetUp();
        write_text("Terms.\r\n");
    }

    // The dialog's outer rectangle once it is up on a screen of this size.
    RECT rect_on_screen(int width, int height)
    {
        standin::set_screen(width, height);
        prompt_and_accept();
        return shown_rect_;
    }

    // Runs probe inside a live dialog, then ends it with the close box if it is still up.
    void inside_dialog(std::function<void(HWND)> probe)
    {
        prompt([&](HWND d) {
            probe(d);
            if (standin::alive(d)) standin::close(d);
        });
    }

    std::string last_call(const std::string &prefix)
    {
        const std::vector<std::string> &c = standin::calls();
        for (auto i = c.rbegin(); i != c.rend(); ++i)
            if (i->compare(0, prefix.size(), prefix) == 0) return *i;
        return "";
    }

    // The calls recorded from the first one that starts with `from` up to `to`, not included.
    std::vector<std::string> calls_between(const std::string &from, const std::string &to)
    {
        const std::vector<std::string> &c = standin::calls();
        int begin = standin::call_index(from), end = standin::call_index(to);
        if (begin < 0 || end < begin) return {};
        return std::vector<std::string>(c.begin() + begin + 1, c.begin() + end);
    }
};

}  // namespace

TEST_F(DialogTest, TemplateBuildsTheAgreementDialog)
{
    inside_dialog([](HWND d) {
        EXPECT_EQ("License Agreement", standin::text(d));
        EXPECT_EQ(0x80C800C0u | WS_VISIBLE, standin::style(d));
        std::vector<HWND> c = standin::children(d);
        ASSERT_EQ(3u, c.size());
        const struct { int id; WORD atom; const char *text; DWORD style; } want[] = {
            {IDCANCEL, 0x80, "Do Not Accept", 0x50000000},
            {IDOK, 0x80, "&Accept", 0x50010001},
            {IDC_AGREEMENT_TEXT, 0x81, "Terms.\r\n", 0x50A10804},
        };
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(want[i].id, standin::control_id(c[i])) << "control " << i;
            EXPECT_EQ(want[i].atom, standin::class_atom(c[i])) << "control " << i;
            EXPECT_EQ(want[i].text, standin::text(c[i])) << "control " << i;
            EXPECT_EQ(want[i].style, standin::style(c[i])) << "control " << i;
        }
        // Accept at the left, Do Not Accept at the right, on one line under the text box.
        RECT no = standin::rect(c[0]), yes = standin::rect(c[1]), box = standin::rect(c[2]);
        EXPECT_LT(yes.right, no.left);
        EXPECT_EQ(yes.top, no.top);
        EXPECT_GT(yes.top, box.bottom);
    });
}

TEST_F(DialogTest, InitDialogFillsCentresAndFocusesInThatOrder)
{
    standin::set_screen(1024, 768);
    prompt_and_accept();
    RECT r = shown_rect_;
    int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<std::string> want = {
        "GetDlgItem(1000)", "SetWindowTextA(1000)",
        "GetWindowRect(dialog)", "GetDC(dialog)", "GetDeviceCaps(8)", "GetDeviceCaps(10)",
        "ReleaseDC(dialog)",
        "SetWindowPos(" + std::to_string((1024 - w) / 2) + ", " + std::to_string((768 - h) / 2) + ", 5)",
        "GetDlgItem(1)", "SetFocus(1)",
    };
    EXPECT_EQ(want, calls_between("DialogBoxParamA(", "[shown]"));
    EXPECT_EQ(0, standin::dcs_held());
    EXPECT_EQ("Terms.\r\n", shown_);
}

TEST_F(DialogTest, InitDialogReturnsOneWithTheFocusOnAccept)
{
    inside_dialog([](HWND d) {
        SetFocus(GetDlgItem(d, IDC_AGREEMENT_TEXT));
        EXPECT_EQ(1, ShowLegal(d, WM_INITDIALOG, 0, 0));
        EXPECT_EQ(GetDlgItem(d, IDOK), standin::focus());
    });
}

TEST_F(DialogTest, CentresTheOuterRectangleOnTheScreen)
{
    RECT big = rect_on_screen(1024, 768);
    const int w = big.right - big.left, h = big.bottom - big.top;
    EXPECT_EQ((1024 - w) / 2, big.left);
    EXPECT_EQ((768 - h) / 2, big.top);

    // Odd differences truncate; a screen smaller than the dialog gives a negative position,
    // truncated toward zero: a difference of -3 gives -1, not -2.
    const struct { int dw, dh, x, y; } cases[] = {
        {1, 1, 0, 0}, {7, 9, 3, 4}, {-1, -2, 0, -1}, {-3, -3, -1, -1}, {-200, -101, -100, -50},
    };
    for (const auto &c : cases) {
        RECT r = rect_on_screen(w + c.dw, h + c.dh);
        EXPECT_EQ(c.x, r.left) << "screen " << w + c.dw << " x " << h + c.dh;
        EXPECT_EQ(c.y, r.top) << "screen " << w + c.dw << " x " << h + c.dh;
        EXPECT_EQ(w, r.right - r.left) << "the size stays";
        EXPECT_EQ(h, r.bottom - r.top) << "the size stays";
    }
}

TEST_F(DialogTest, UnreadableScreenLeavesTheDialogWhereItIs)
{
    RECT r = rect_on_screen(0, 0);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(-1, standin::call_index("SetWindowPos"));
    EXPECT_EQ(0, standin::dcs_held());
}

TEST_F(DialogTest, CommandOneAcceptsAndTwoDeclines)
{
    // Only the low word names the control: a notification code in the high word changes nothing.
    const struct { WPARAM wparam; const char *end; int outcome; } cases[] = {
        {MAKEWPARAM(IDOK, BN_CLICKED), "EndDialog(1)", LEGALPROMPT_ACCEPTED},
        {MAKEWPARAM(IDOK, 1), "EndDialog(1)", LEGALPROMPT_ACCEPTED},
        {MAKEWPARAM(IDCANCEL, BN_CLICKED), "EndDialog(0)", LEGALPROMPT_DECLINED},
        {MAKEWPARAM(IDCANCEL, 1), "EndDialog(0)", LEGALPROMPT_DECLINED},
    };
    for (const auto &c : cases) {
        INT_PTR handled = -1;
        int outcome = prompt([&](HWND d) { handled = ShowLegal(d, WM_COMMAND, c.wparam, 0); });
        EXPECT_EQ(1, handled) << "wparam " << std::hex << c.wparam;
        EXPECT_EQ(c.outcome, outcome) << "wparam " << std::hex << c.wparam;
        EXPECT_EQ(c.end, last_call("EndDialog(")) << "wparam " << std::hex << c.wparam;
    }
}

TEST_F(DialogTest, OtherCommandsLeaveTheDialogOpen)
{
    inside_dialog([](HWND d) {
        const WPARAM commands[] = {MAKEWPARAM(IDC_AGREEMENT_TEXT, 0x0100 /* EN_SETFOCUS */),
                                   MAKEWPARAM(0, 0), MAKEWPARAM(3, BN_CLICKED),
                                   MAKEWPARAM(0x0101, IDOK)};
        for (WPARAM w : commands) {
            EXPECT_EQ(0, ShowLegal(d, WM_COMMAND, w, 0)) << "wparam " << std::hex << w;
            EXPECT_TRUE(standin::alive(d));
        }
    });
    EXPECT_EQ(-1, standin::call_index("EndDialog(1)"));
}

TEST_F(DialogTest, OtherMessagesAreLeftToThePlatform)
{
    inside_dialog([](HWND d) {
        const UINT messages[] = {0, WM_CLOSE, WM_SYSCOMMAND, 0x000F /* WM_PAINT */,
                                 0x0100 /* WM_KEYDOWN */, WM_COMMAND + 1, 0x0400 /* WM_USER */};
        for (UINT m : messages) EXPECT_EQ(0, ShowLegal(d, m, IDOK, 0)) << "message " << std::hex << m;
    });
    EXPECT_EQ(-1, standin::call_index("EndDialog(1)"));
    EXPECT_GE(standin::call_index("EndDialog(0)"), 0) << "the close box still ends it";
}
