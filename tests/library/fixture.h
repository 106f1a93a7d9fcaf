// The prompt's fixture, with the library's dialog procedure and prompts driven from the
// dialog's own message loop.
#ifndef LEGALPROMPT_LIBRARY_FIXTURE_H
#define LEGALPROMPT_LIBRARY_FIXTURE_H

#include "driver.h"
#include "prompt_fixture.h"

class LibraryTest : public PromptTest {
protected:
    void SetUp() override
    {
        PromptTest::SetUp();
        if (HasFatalFailure()) return;
        show_legal_ = (ShowFn)(void (*)(void))GetProcAddress(library_.module, "ShowLegal");
        ASSERT_NE(nullptr, show_legal_);
    }

    // The library's dialog procedure, called directly.
    INT_PTR show(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        return show_legal_(window, message, wparam, lparam);
    }
    Prompt prompt(const std::function<void(HWND)> &act) { return run_prompt_here(library_.display, act); }
    Prompt inside(const std::function<void(HWND)> &probe) { return inside_dialog(library_.display, probe); }
    // The text box's contents when a dialog shows this file's bytes.
    std::string shown(const std::string &bytes)
    {
        EXPECT_TRUE(write_file(text_path(), bytes));
        std::string text = "(no dialog)";
        prompt([&](HWND d) {
            text = text_of(control(d, IDC_AGREEMENT_TEXT));
            click(d, IDOK);
        });
        return text;
    }

    typedef INT_PTR(CALLBACK *ShowFn)(HWND, UINT, WPARAM, LPARAM);
    ShowFn show_legal_ = nullptr;
};

#endif
