// Longer and rougher: a thousand prompts in one process, and a live dialog sent thousands of
// random messages.  LIBRARY_TEST_SEED repeats a run; the seed is printed either way.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "fixture.h"
#include "spy.h"

class Soak : public LibraryTest {};

TEST_F(Soak, AThousandPromptsLeaveNoHandleOrWindowBehind)
{
    int handles_after_ten = 0, windows_after_ten = 0, wrong = 0;
    for (int i = 1; i <= 1000; i++) {
        const std::string text = "Prompt " + std::to_string(i);
        ASSERT_TRUE(write_file(text_path(), text));
        const int id = i % 3 ? IDOK : IDCANCEL;
        std::string seen;
        Prompt p = prompt([&](HWND d) {
            seen = text_of(control(d, IDC_AGREEMENT_TEXT));
            click(d, id);
        });
        if (p.outcome != (id == IDOK ? LEGALPROMPT_ACCEPTED : LEGALPROMPT_DECLINED) || seen != text) {
            ADD_FAILURE() << "prompt " << i << ": outcome " << p.outcome << ", text '" << seen << "'";
            if (++wrong == 3) return;
        }
        if (i == 10) {
            handles_after_ten = handles_open();
            windows_after_ten = windows_of_this_thread();
        }
    }
    const int handles = handles_open(), windows = windows_of_this_thread();
    printf("handles after 10 prompts %d, after 1000 %d; windows %d, %d\n", handles_after_ten, handles,
           windows_after_ten, windows);
    ASSERT_GT(handles_after_ten, 0) << "the handle list could not be read";
    ASSERT_GT(handles, 0) << "the handle list could not be read";
    HWND probe = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_GT(windows_of_this_thread(), windows) << "the count of windows does not see a new one";
    DestroyWindow(probe);
    EXPECT_LE(handles, handles_after_ten);
    EXPECT_LE(windows, windows_after_ten);
    EXPECT_TRUE(nobody_has_open(text_path()));
}

TEST_F(Soak, RandomMessagesEndItOnlyByCommandsOneAndTwo)
{
    unsigned seed = getenv("LIBRARY_TEST_SEED") ? (unsigned)strtoul(getenv("LIBRARY_TEST_SEED"), nullptr, 0)
                                                : (unsigned)GetTickCount();
    printf("seed %u (LIBRARY_TEST_SEED=%u repeats this run)\n", seed, seed);
    std::mt19937 random(seed);
    auto below = [&](unsigned n) { return (unsigned)(random() % n); };
    // Messages whose parameters are plain numbers, so that the dialog manager may take any
    // (not WM_SYSCOMMAND, whose move and size commands wait for the mouse).
    const UINT messages[] = {WM_NULL, WM_COMMAND, WM_INITDIALOG, WM_TIMER, WM_MOUSEMOVE, WM_ENTERIDLE,
                             WM_USER + 3, WM_APP, WM_APP + 0x1234};
    ImportSpy spy(library_.module);
    int sent = 0, prompts = 0;
    while (sent < 5000) {
        prompts++;
        int expected = 99;
        unsigned long last = 0;
        spy.calls.clear();
        Prompt p = prompt([&](HWND d) {
            for (int n = 0; n < 500 && expected == 99; n++, sent++) {
                UINT message = messages[below(sizeof messages / sizeof *messages)];
                WPARAM wparam = random();
                if (message == WM_COMMAND && below(4) == 0) wparam = MAKEWPARAM(below(8), random());
                last = (unsigned long)wparam;
                SendMessageA(d, message, wparam, 0);
                WORD id = LOWORD(wparam);
                if (message == WM_COMMAND && (id == IDOK || id == IDCANCEL))
                    expected = id == IDOK ? LEGALPROMPT_ACCEPTED : LEGALPROMPT_DECLINED;
                else if (spy.count("EndDialog")) {
                    ADD_FAILURE() << "message " << std::hex << message << " wparam " << wparam << " ended it";
                    return;
                }
            }
            if (expected == 99) click(d, IDCANCEL), expected = LEGALPROMPT_DECLINED;
        });
        ASSERT_EQ(expected, p.outcome) << "prompt " << prompts << ", last wparam " << std::hex << last;
        ASSERT_EQ(1, spy.count("EndDialog")) << "prompt " << prompts;
    }
    printf("%d messages in %d prompts\n", sent, prompts);
}
