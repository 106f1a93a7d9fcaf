// A prompt in a folder of its own, for every test of the library: the library loaded from
// beside this program, a short agreement text in the program's folder (where the search for
// "liscn.txt" begins), and the text removed again after each test.
#ifndef LEGALPROMPT_SUPPORT_PROMPT_FIXTURE_H
#define LEGALPROMPT_SUPPORT_PROMPT_FIXTURE_H

#include "agreement_ids.h"
#include "harness.h"
#include "legalprompt.h"

class PromptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, library_.display);
        ASSERT_TRUE(write_file(text_path(), kText));
    }
    void TearDown() override { remove_file(text_path()); }

    int prompt(const std::function<void(HWND)> &user) { return run_prompt(library_.display, user); }

    static constexpr const char *kText = "Terms of use.\r\nSecond line.\r\n";
    Library library_;
};

#endif
