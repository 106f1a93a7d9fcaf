// The kit's Rust example, built for 64-bit Windows by Debian's cargo as the docs say, run as a
// user runs it and answered with real input: its exit code is the outcome that
// legalprompt::show() returned, a library that cannot be used is an error that names it, and the
// library beside the program is the only one it loads.  The programs are in RUST_PROGRAMS.
#include <algorithm>
#include <string>
#include <vector>

#include "agreement_ids.h"
#include "attack.h"
#include "example_fixture.h"

namespace {

const DWORD kLibraryError = 3;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return (char)tolower(c); });
    return text;
}

// A file's full path as the system gives it (backslashes, the drive's letter).
std::string full_path(const std::string &path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length && length < sizeof full ? full : path;
}

// The system's message for an error code, as FormatMessage gives it, without the line's end.
std::string system_message(DWORD error)
{
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof text, nullptr);
    while (length && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) length--;
    return std::string(text, length);
}

class RustProgram : public ExampleTest {
protected:
    RustProgram() : ExampleTest("RUST_PROGRAMS", "setup.exe") {}
};

TEST_F(RustProgram, TheExitCodeIsTheAnswer)
{
    ASSERT_TRUE(write_file(text(), "A LICENCE FOR THE RUST PROGRAM\r\n"));
    const struct {
        const char *what;
        std::function<void(HWND)> answer;
        DWORD code;
        const char *said;
    } cases[] = {
        {"Enter", [](HWND) { press(VK_RETURN); }, 0, ""},
        {"Accept clicked", [](HWND d) { click_centre(control(d, IDOK)); }, 0, ""},
        {"Esc", [](HWND) { press(VK_ESCAPE); }, 1, "not installing: declined\n"},
        {"Do Not Accept clicked", [](HWND d) { click_centre(control(d, IDCANCEL)); }, 1, "not installing: declined\n"},
    };
    for (const auto &c : cases) {
        bool seen;
        std::string shown, said;
        EXPECT_EQ(c.code, run("with-library", [&](HWND d) {
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            c.answer(d);
        }, &seen, &said)) << c.what;
        EXPECT_EQ("A LICENCE FOR THE RUST PROGRAM\r\n", shown) << c.what;
        EXPECT_EQ(c.said, said) << c.what;
    }
}

// -1 from the library is -1, not 4294967295 read as some other answer or as an error.
TEST_F(RustProgram, NoTextIsMinusOneWithNoDialog)
{
    bool seen;
    std::string said;
    EXPECT_EQ((DWORD)-1, run("with-library", nullptr, &seen, &said));
    EXPECT_FALSE(seen);
    EXPECT_EQ("not installing: no text\n", said);
}

// The error names the DLL by its full path, says what failed and gives the system's message
// for the system's error code, with the file's name where the system's message has "%1".
TEST_F(RustProgram, ALibraryThatCannotBeUsedIsAnErrorThatNamesIt)
{
    const struct {
        const char *folder, *failed;
        DWORD error;
        const char *hint;
    } cases[] = {
        {"no-library", "legalprompt: cannot load %s: ", ERROR_MOD_NOT_FOUND, ""},
        {"no-export", "legalprompt: %s has no DisplayLegalBullshit: ", ERROR_PROC_NOT_FOUND, ""},
        {"other-width", "legalprompt: cannot load %s: ", ERROR_BAD_EXE_FORMAT,
         "; this program needs the win64 kit's legalprompt.dll"},
    };
    for (const auto &c : cases) {
        std::string library = full_path(programs + c.folder + "\\legalprompt.dll");
        std::string start = c.failed;
        start.replace(start.find("%s"), 2, library);
        std::string message = system_message(c.error);
        if (message.find("%1") != std::string::npos) message.replace(message.find("%1"), 2, library);
        message += " (os error " + std::to_string(c.error) + ")" + c.hint + "\n";
        bool seen;
        std::string said;
        EXPECT_EQ(kLibraryError, run(c.folder, nullptr, &seen, &said)) << c.folder;
        EXPECT_FALSE(seen) << c.folder;
        EXPECT_GT(message.size(), 20u) << "no system message for " << c.error;
        EXPECT_EQ(start + message, said) << c.folder;
    }
}

// The library serves one thread at a time: a second thread's dialog comes only once the first
// is answered.  A call from inside the dialog's modal loop, on its own thread, shows its dialog
// and returns before the first call does.
TEST_F(RustProgram, CallsTakeTurns)
{
    ASSERT_TRUE(write_file(text(), "A LICENCE FOR THE RUST PROGRAM\r\n"));
    std::string turns = "\"" + programs + "with-library\\turns.exe\" ";
    bool seen;
    std::string said;
    EXPECT_EQ(0u, run_prompt_and_hear(turns + "threads", [](HWND first) {
        EXPECT_FALSE(wait_until([&] { return find_dialog({first}, ANY_PROCESS) != nullptr; }, 1000))
            << "a second thread's dialog came while the first was up";
        press(VK_RETURN);
        HWND second = wait_for_dialog({first}, 10000, ANY_PROCESS);
        ASSERT_NE(nullptr, second) << "the second thread's dialog did not come";
        settle(second);
        press(VK_ESCAPE);
    }, &seen, &said)) << said;
    EXPECT_EQ("one: accepted\nother: declined\n", said);

    // The nested call comes once the first call's dialog has been up for two of its timer's
    // quarter-second ticks: the dialog found first is the outer one.
    EXPECT_EQ(0u, run_prompt_and_hear(turns + "nested", [](HWND outer) {
        HWND nested = wait_for_dialog({outer}, 10000, ANY_PROCESS);
        ASSERT_NE(nullptr, nested) << "the nested call's dialog did not come";
        for (HWND dialog : {nested, outer}) {
            settle(dialog);
            press(VK_RETURN);
            EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << (dialog == outer ? "outer" : "nested");
        }
    }, &seen, &said)) << said;
    EXPECT_EQ("nested: accepted\nouter: accepted\n", said);
}

// Another process of the user may put a legalprompt.dll in the current folder and on PATH:
// without the library beside it the program fails, and with it that one alone is loaded.  The
// planted DLL answers "accepted" without a dialog and says that it ran.
TEST_F(RustProgram, OnlyTheLibraryBesideTheProgramIsLoaded)
{
    std::string planted = make_temp_dir("rust-planted");
    ASSERT_TRUE(CopyFileA((planted_dir() + "planted.dll").c_str(), (planted + "legalprompt.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((programs + "planted\\lpdepend.dll").c_str(), (planted + "lpdepend.dll").c_str(), FALSE));
    ASSERT_TRUE(write_file(planted + "liscn.txt", "A PLANTED TEXT\r\n"));
    ASSERT_TRUE(write_file(text(), "A LICENCE FOR THE RUST PROGRAM\r\n"));
    char path[32767];
    DWORD length = GetEnvironmentVariableA("PATH", path, sizeof path);
    ASSERT_LT(length, sizeof path);
    std::string saved(path, length);
    SetEnvironmentVariableA("PATH", (planted + ";" + saved).c_str());
    planted_code_ran();
    {
        CurrentDirectory in(planted);
        bool seen;
        std::string said;
        EXPECT_EQ(kLibraryError, run("no-library", nullptr, &seen, &said)) << said;
        EXPECT_FALSE(seen);
        EXPECT_EQ(0u, said.find("legalprompt: cannot load ")) << said;
        EXPECT_FALSE(planted_code_ran()) << "the planted DLL was loaded by the program without a library beside it";
        // A library whose import only the current folder and PATH hold is not loaded at all.
        EXPECT_EQ(kLibraryError, run("needs-dependency", nullptr, &seen, &said)) << said;
        EXPECT_EQ(0u, said.find("legalprompt: cannot load ")) << said;
        EXPECT_NE(std::string::npos, said.find("(os error 126)")) << said;
        EXPECT_FALSE(planted_code_ran()) << "the library's import was loaded from the current folder or PATH";
        // The same library with its import beside it: that one is loaded, and answers.
        EXPECT_EQ(0u, run("with-dependency", nullptr, &seen, &said)) << said;
        EXPECT_TRUE(planted_code_ran()) << "the import beside the library did not run";

        std::vector<std::string> modules;
        std::string shown;
        EXPECT_EQ(0u, run("with-library", [&](HWND d) {
            DWORD pid = 0;
            GetWindowThreadProcessId(d, &pid);
            modules = modules_of(pid);
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            press(VK_RETURN);
        }, &seen, &said)) << said;
        EXPECT_EQ("A LICENCE FOR THE RUST PROGRAM\r\n", shown);
        EXPECT_FALSE(planted_code_ran()) << "the planted DLL was loaded beside the program's own";
        std::string own = lower(full_path(programs + "with-library\\legalprompt.dll"));
        EXPECT_NE(modules.end(), std::find(modules.begin(), modules.end(), own)) << "not loaded: " << own;
        for (const std::string &module : modules)
            EXPECT_EQ(std::string::npos, module.find(lower(planted))) << "loaded: " << module;
    }
    SetEnvironmentVariableA("PATH", saved.c_str());
    remove_tree(planted);
}

}  // namespace
