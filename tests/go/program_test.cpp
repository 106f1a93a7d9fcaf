// The kit's Go example, built for Windows by golang-go, run as a user runs it and answered with
// real input: its exit code is the outcome that legalprompt.Show returned, and the error it
// prints when the library cannot be loaded.  The programs are in GO_PROGRAMS.
#include <cstdlib>
#include <string>

#include "agreement_ids.h"
#include "harness.h"

namespace {

const DWORD kNoLibrary = 3;

std::string programs() { return getenv("GO_PROGRAMS") ? getenv("GO_PROGRAMS") : ""; }

class GoProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(programs().empty()) << "GO_PROGRAMS is not set"; }
    void TearDown() override
    {
        close_stray_dialogs();
        remove_file(text());
    }
    static std::string text() { return programs() + "with-library\\liscn.txt"; }

    // Runs the example in folder with user acting on its dialog, or expecting none when user is
    // null.  The exit code; seen tells whether a dialog came, said what the program printed on
    // its error output.
    DWORD run(const char *folder, const std::function<void(HWND)> &user, bool *seen, std::string *said = nullptr)
    {
        std::string ignored;
        return run_prompt_and_hear("\"" + programs() + folder + "\\example.exe\"", user, seen, said ? said : &ignored);
    }
};

TEST_F(GoProgram, TheExitCodeIsTheAnswer)
{
    ASSERT_TRUE(write_file(text(), "A LICENCE FOR THE GO PROGRAM\r\n"));
    const struct {
        const char *what;
        std::function<void(HWND)> answer;
        DWORD code;
    } cases[] = {
        {"Enter", [](HWND) { press(VK_RETURN); }, 0},
        {"Accept clicked", [](HWND d) { click_centre(control(d, IDOK)); }, 0},
        {"Esc", [](HWND) { press(VK_ESCAPE); }, 1},
        {"Do Not Accept clicked", [](HWND d) { click_centre(control(d, IDCANCEL)); }, 1},
    };
    for (const auto &c : cases) {
        bool seen;
        std::string shown;
        EXPECT_EQ(c.code, run("with-library", [&](HWND d) {
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            c.answer(d);
        }, &seen)) << c.what;
        EXPECT_EQ("A LICENCE FOR THE GO PROGRAM\r\n", shown) << c.what;
    }
}

// -1 from the library is -1, not 4294967295 turned into some other code.
TEST_F(GoProgram, NoTextIsMinusOneWithNoDialog)
{
    bool seen;
    std::string said;
    EXPECT_EQ((DWORD)-1, run("with-library", nullptr, &seen, &said));
    EXPECT_FALSE(seen);
    EXPECT_NE(std::string::npos, said.find("no text")) << said;
}

TEST_F(GoProgram, AMissingLibraryIsAnErrorThatNamesIt)
{
    bool seen;
    std::string said;
    EXPECT_EQ(kNoLibrary, run("no-library", nullptr, &seen, &said));
    EXPECT_FALSE(seen);
    EXPECT_NE(std::string::npos, said.find("cannot load")) << said;
    EXPECT_NE(std::string::npos, said.find("no-library\\legalprompt.dll")) << said;
}

}  // namespace
