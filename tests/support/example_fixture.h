// An example program of the kit's packages (Go's, Rust's), built for Windows into folders
// (with-library\, no-library\, ...) of the folder that an environment variable names: run as a
// user runs it, with what it says on its error output heard, and the agreement text beside it
// removed again after each test.
#ifndef LEGALPROMPT_SUPPORT_EXAMPLE_FIXTURE_H
#define LEGALPROMPT_SUPPORT_EXAMPLE_FIXTURE_H

#include <cstdlib>
#include <string>

#include "harness.h"

class ExampleTest : public ::testing::Test {
protected:
    ExampleTest(const char *variable, const char *program)
        : programs(getenv(variable) ? getenv(variable) : ""), variable(variable), program(program)
    {
    }
    void SetUp() override { ASSERT_FALSE(programs.empty()) << variable << " is not set"; }
    void TearDown() override
    {
        close_stray_dialogs();
        remove_file(text());
    }
    // The text beside the example that has the library.
    std::string text() const { return programs + "with-library\\liscn.txt"; }

    // Runs the example in folder with user acting on its dialog, or expecting none when user is
    // null.  The exit code; seen tells whether a dialog came, said what the program printed on
    // its error output.
    DWORD run(const char *folder, const std::function<void(HWND)> &user, bool *seen, std::string *said = nullptr)
    {
        std::string ignored;
        return run_prompt_and_hear("\"" + programs + folder + "\\" + program + "\"", user, seen, said ? said : &ignored);
    }

    const std::string programs;  // the folder of the example's folders, ending in a backslash

private:
    const char *variable, *program;
};

#endif
