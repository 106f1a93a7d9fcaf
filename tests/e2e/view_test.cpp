// The dialog as a user sees it: the text box under real keys, its scroll bar and wrapping, and its place on screen.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "prompt_fixture.h"

namespace {

std::string clipboard_text()
{
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char *p = (const char *)GlobalLock(data)) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void empty_clipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

std::pair<DWORD, DWORD> selection(HWND edit)
{
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

}  // namespace

class Appearance : public PromptTest {};

static int CALLBACK font_found(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM found)
{
    *(bool *)found = true;
    return 0;
}

// The system draws the caption's close box and the scroll bar's arrows as characters of the
// Marlett font; without it the close box shows the letter "r".  (What the screenshots show.)
TEST_F(Appearance, TheSymbolFontOfCaptionButtonsIsThere)
{
    LOGFONTA font = {};
    font.lfCharSet = DEFAULT_CHARSET;
    strcpy(font.lfFaceName, "Marlett");
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &font, font_found, (LPARAM)&found, 0);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(found) << "no Marlett font: the close box is drawn as the letter r";
}

TEST_F(Appearance, TextCanBeSelectedAndCopiedButNotChanged)
{
    empty_clipboard();
    std::string copied;
    prompt([&](HWND d) {
        HWND edit = control(d, IDC_AGREEMENT_TEXT);
        EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY);
        ASSERT_TRUE(tab_to(d, edit));
        for (WORD vk : {(WORD)'X', (WORD)'Y', (WORD)VK_BACK, (WORD)VK_DELETE, (WORD)'Z'}) press(vk);
        // Keys are handled in order: once this selection shows, the typing above has been too.
        chord(d, VK_CONTROL, VK_HOME);
        chord(d, VK_SHIFT, VK_END);
        EXPECT_TRUE(wait_until([&] { return selection(edit) == std::make_pair(0ul, 13ul); }))
            << "selection " << selection(edit).first << "-" << selection(edit).second;
        EXPECT_EQ(kText, text_of(edit)) << "typing changed the text";
        // Waits without opening the clipboard until the copy is done: the edit control drops a
        // copy when its OpenClipboard meets the clipboard held open by another.
        DWORD before = GetClipboardSequenceNumber();
        chord(d, VK_CONTROL, 'C');
        EXPECT_TRUE(wait_until([&] { return GetClipboardSequenceNumber() != before && !GetOpenClipboardWindow(); }))
            << "nothing was copied";
        wait_until([&] { return !(copied = clipboard_text()).empty(); });
        press(VK_ESCAPE);
    });
    EXPECT_EQ("Terms of use.", copied);
}

TEST_F(Appearance, VerticalScrollBarOnly)
{
    ASSERT_TRUE(write_file(text_path(), sample_text(8000)));
    prompt([](HWND d) {
        HWND edit = control(d, IDC_AGREEMENT_TEXT);
        LONG style = GetWindowLongA(edit, GWL_STYLE);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_FALSE(style & WS_HSCROLL);
        EXPECT_FALSE(style & ES_AUTOHSCROLL);
        SCROLLBARINFO bar = {};
        bar.cbSize = sizeof bar;
        ASSERT_TRUE(GetScrollBarInfo(edit, OBJID_VSCROLL, &bar));
        EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "vertical scroll bar hidden";
        ASSERT_TRUE(GetScrollBarInfo(edit, OBJID_HSCROLL, &bar));
        EXPECT_TRUE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "horizontal scroll bar shown";
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE;
        ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
        EXPECT_GT(info.nMax - info.nMin + 1, (int)info.nPage) << "the text is longer than the box";
        press(VK_ESCAPE);
    });
}

TEST_F(Appearance, LongLinesWrapAtWords)
{
    std::string line;
    while (line.size() < 2000) line += "agreement ";
    ASSERT_TRUE(write_file(text_path(), line + "\r\nend"));
    prompt([&](HWND d) {
        HWND edit = control(d, IDC_AGREEMENT_TEXT);
        int lines = (int)SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
        EXPECT_GT(lines, 10) << "a 2000-character line must wrap";
        for (int i = 1; i < lines - 1; i++) {
            int start = (int)SendMessageA(edit, EM_LINEINDEX, i, 0);
            ASSERT_GT(start, 0);
            EXPECT_EQ(' ', line[start - 1]) << "line " << i << " does not start at a word";
        }
        press(VK_ESCAPE);
    });
}

// Run by centring.sh on screens of its own; E2E_SCREEN names the size it set.
TEST(Centring, OnThePrimaryScreen)
{
    Library library;
    ASSERT_TRUE(write_file(text_path(), "Centred."));
    int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    if (const char *want = getenv("E2E_SCREEN")) {
        char have[32];
        snprintf(have, sizeof have, "%dx%d", screen_w, screen_h);
        ASSERT_STREQ(want, have) << "the screen is not the size the test set";
    }
    RECT r = {};
    run_prompt(library.display, [&](HWND d) {
        GetWindowRect(d, &r);
        press(VK_ESCAPE);
    });
    remove_file(text_path());
    int w = r.right - r.left, h = r.bottom - r.top;
    printf("screen %dx%d dialog %dx%d at %ld,%ld\n", screen_w, screen_h, w, h, r.left, r.top);
    // C division truncates toward zero: a difference of -3 gives -1.
    EXPECT_EQ((screen_w - w) / 2, r.left);
    EXPECT_EQ((screen_h - h) / 2, r.top);
}

namespace {

// The share of the box's lines that are stubs: the end of a text line that the box broke (no
// CR LF before it), under 60% of the longest box line, where the next line goes on with the
// sentence (its first letter is a small one).
double ragged_share(HWND edit)
{
    int lines = (int)SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    std::string text(16384, '\0');
    text.resize((size_t)GetWindowTextA(edit, &text[0], (int)text.size()));
    int longest = 0;
    std::vector<int> length(lines);
    for (int i = 0; i < lines; i++) {
        length[i] = (int)SendMessageA(edit, EM_LINELENGTH, SendMessageA(edit, EM_LINEINDEX, i, 0), 0);
        longest = std::max(longest, length[i]);
    }
    auto after_line_end = [&](int i) {
        size_t at = (size_t)SendMessageA(edit, EM_LINEINDEX, i, 0);
        return at >= 2 && at <= text.size() && text.compare(at - 2, 2, "\r\n") == 0;
    };
    auto goes_on = [&](int i) {
        size_t at = (size_t)SendMessageA(edit, EM_LINEINDEX, i, 0);
        while (at < text.size() && text[at] == ' ') at++;
        return at < text.size() && text[at] >= 'a' && text[at] <= 'z';
    };
    int ragged = 0;
    for (int i = 1; i + 1 < lines; i++)
        ragged += !after_line_end(i) && after_line_end(i + 1) && goes_on(i + 1) && length[i] * 10 < longest * 6;
    return lines ? (double)ragged / lines : 0;
}

}  // namespace

// Debian's licences as written, hard-wrapped, read raggedly in the box: long lines and stubs.
// Reflowed by liscn, the box's own wrapping leaves at most one line in twenty a stub.
TEST_F(Appearance, ReflowedLicencesReadEvenlyInTheBox)
{
    int seen = 0;
    for (const char *name : {"Apache-2.0", "GPL-3", "MPL-2.0", "BSD"}) {
        std::string licence = std::string("Z:\\usr\\share\\common-licenses\\") + name;
        if (GetFileAttributesA(licence.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        seen++;
        double share[2], line_ends[2];
        for (int reflowed = 0; reflowed < 2; reflowed++) {
            std::string command = "\"" + program_dir() + "liscn.exe\" fix --allow-cut " +
                                  (reflowed ? "--reflow " : "") + "\"" + licence + "\" \"" + text_path() + "\"";
            ASSERT_EQ(0u, run_program(command, nullptr)) << command;
            share[reflowed] = -1;
            EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([&](HWND d) {
                HWND edit = GetDlgItem(d, IDC_AGREEMENT_TEXT);
                share[reflowed] = ragged_share(edit);
                std::string shown(16384, '\0');
                shown.resize((size_t)GetWindowTextA(edit, &shown[0], (int)shown.size()));
                size_t n = 0;
                for (size_t at = 0; (at = shown.find("\r\n", at)) != std::string::npos; at += 2) n++;
                line_ends[reflowed] = shown.empty() ? 0 : (double)n / shown.size();
                press(VK_ESCAPE);
            })) << name;
        }
        printf("%s: %.0f%% of the box's lines ragged as written, %.1f%% reflowed\n", name, share[0] * 100,
               share[1] * 100);
        // The measure must see the ragged text as written, or its limit below proves nothing.
        EXPECT_GT(share[0], 0.05) << name << ": as written it should read raggedly";
        EXPECT_GE(share[1], 0.0) << name;
        EXPECT_LE(share[1], 0.05) << name << ": reflowed, still ragged";
        // A reflow that joined everything would read evenly too: blank lines, list items and
        // titles keep their line ends, a quarter of them or more for each byte shown.
        EXPECT_GE(line_ends[1], line_ends[0] / 4) << name << ": reflowed, too few lines kept";
    }
    if (!seen) GTEST_SKIP() << "no licences in /usr/share/common-licenses";
}
