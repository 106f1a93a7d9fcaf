// The kit's Go example, built for Windows by golang-go, run as a user runs it and answered with
// real input: its exit code is the outcome that legalprompt.Show returned, and the error it
// prints when the library cannot be loaded.  The programs are in GO_PROGRAMS.
#include "agreement_ids.h"
#include "example_fixture.h"

namespace {

const DWORD kNoLibrary = 3;

class GoProgram : public ExampleTest {
protected:
    GoProgram() : ExampleTest("GO_PROGRAMS", "example.exe") {}
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
