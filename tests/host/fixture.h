// A clean stand-in world for each test: its own directories for the host program and the
// current directory, the library attached to the module built from agreement.rc, and the
// agreement text buffer filled with a marker byte so that bytes left uncleared show up.
#ifndef LEGALPROMPT_TESTS_FIXTURE_H
#define LEGALPROMPT_TESTS_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "agreement_ids.h"
#include "agreement_prompt.h"
#include "legalprompt.h"
#include "standin.h"

const char kMarker = (char)0xAA;

class PromptTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to "liscn.txt" in dir (the current directory by default).
    void write_text(const std::string &bytes, const std::string &dir = "");
    // Runs one prompt; the user reads the text box, then does what act says.
    int prompt(standin::User act);
    int prompt_and_accept();

    std::string root_, program_dir_, current_dir_, saved_cwd_;
    HINSTANCE module_ = nullptr;
    std::string shown_;  // the text box's contents in the latest dialog
    RECT shown_rect_ = {0, 0, 0, 0};
};

std::string repeat_text(size_t size);

#endif
