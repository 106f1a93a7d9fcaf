// The kit's prompt programs as an installer script starts them, and texts fixed by liscn as
// the dialog shows them.
#include "prompt_fixture.h"
#include <algorithm>

// The kit's prompt program, started as an installer script would start it.
class PromptProgram : public PromptTest {
protected:
    // Runs the program; answers its dialog with key, or expects none when key is 0.
    DWORD exit_code(const char *program, WORD key)
    {
        return run_program("\"" + program_dir() + program + "\"", [key](DWORD pid) {
            if (!key) return;
            HWND dialog = wait_for_dialog({}, 10000, pid);
            ASSERT_NE(nullptr, dialog) << "no dialog from legalprompt.exe";
            settle(dialog);
            press(key);
        });
    }
};

TEST_F(PromptProgram, ExitCodeIsTheAnswer)
{
    for (const char *program : {"legalprompt.exe", "legalpromptw.exe"}) {
        SCOPED_TRACE(program);
        EXPECT_EQ(0u, exit_code(program, VK_RETURN)) << "accepted";
        EXPECT_EQ(1u, exit_code(program, VK_ESCAPE)) << "not accepted";
    }
    remove_file(text_path());
    for (const char *program : {"legalprompt.exe", "legalpromptw.exe"})
        EXPECT_EQ((DWORD)-1, exit_code(program, 0)) << program << ": no text";
}

static BOOL CALLBACK add_visible(HWND window, LPARAM windows)
{
    if (IsWindowVisible(window))
        ((std::vector<HWND> *)windows)->push_back(window);
    return TRUE;
}

static std::vector<HWND> visible_windows()
{
    std::vector<HWND> windows;
    EnumWindows(add_visible, (LPARAM)&windows);
    return windows;
}

// Started by a program with no console to share (an installer, Explorer, a shortcut), the
// console program gets a console window of its own, which takes the keyboard from the dialog;
// its twin for the GUI subsystem gets none.  Seen as a new top-level window besides the dialog.
TEST_F(PromptProgram, OnlyTheConsoleProgramOpensAConsoleWindow)
{
    DWORD console_after = 0;
    for (const char *program : {"legalprompt.exe", "legalpromptw.exe"}) {
        const bool console_program = std::string(program) == "legalprompt.exe";
        const std::vector<HWND> before = visible_windows();
        std::vector<HWND> others;
        DWORD code = run_program("\"" + program_dir() + program + "\"", [&](DWORD pid) {
            HWND dialog = wait_for_dialog({}, 10000, pid);
            ASSERT_NE(nullptr, dialog) << "no dialog from " << program;
            // The console program's window comes a little after the dialog: wait for it, and
            // as long again plus a second for one from the twin.
            const DWORD start = GetTickCount();
            wait_until([&] {
                others.clear();
                for (HWND window : visible_windows())
                    if (window != dialog && std::find(before.begin(), before.end(), window) == before.end())
                        others.push_back(window);
                return !others.empty();
            }, console_program ? 10000 : console_after + 1000);
            if (console_program)
                console_after = GetTickCount() - start;
            // Not a key: the console window may have taken the keyboard, as users found.
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }, CREATE_NEW_CONSOLE);
        EXPECT_EQ(1u, code) << program;
        if (console_program)
            EXPECT_EQ(1u, others.size()) << "the console program's console window was not seen: this test "
                                            "could not see one from the twin either";
        else
            EXPECT_EQ(0u, others.size()) << program << " opened a window besides the dialog";
    }
}

// A text written by the checker's fix (its Windows build, with the platform's converters) is
// shown by the real dialog as meant: accented letters in code page 1252, lines at CR LF.
class FixedText : public PromptTest {
protected:
    DWORD liscn(const std::string &args) { return run_program("\"" + program_dir() + "liscn.exe\" " + args); }
};

TEST_F(FixedText, ShownAsMeant)
{
    const std::string source = program_dir() + "agreement-utf8.txt";
    ASSERT_TRUE(write_file(source, "Licence\n\nCaf\xC3\xA9 M\xC3\xBCller \xC2\xA9 2026 \xE2\x80\x94 \xC2\xBD\n"));
    remove_file(text_path());
    ASSERT_EQ(1u, liscn("check \"" + source + "\"")) << "the UTF-8 text with LF is a problem";
    ASSERT_EQ(0u, liscn("fix \"" + source + "\" \"" + text_path() + "\"")) << "fix failed";
    EXPECT_EQ(0u, liscn("check \"" + text_path() + "\""));

    std::string shown;
    prompt([&](HWND d) {
        shown = text_of(control(d, IDC_AGREEMENT_TEXT));
        press(VK_ESCAPE);
    });
    // Read back through WM_GETTEXT in the system's ANSI code page, 1252 here.
    ASSERT_EQ(1252u, GetACP());
    EXPECT_EQ("Licence\r\n\r\nCaf\xE9 M\xFCller \xA9 2026 \x97 \xBD\r\n", shown);
    remove_file(source);
}

TEST_F(FixedText, UnmappableCharacterIsRefused)
{
    const std::string source = program_dir() + "agreement-eo.txt", out = program_dir() + "eo-out.txt";
    ASSERT_TRUE(write_file(source, "Esperanto \xC4\x89\n"));
    remove_file(out);
    EXPECT_EQ(1u, liscn("fix \"" + source + "\" \"" + out + "\""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str())) << "OUT was written";
    remove_file(source);
}

// Where two byte pairs are one character, the Windows build writes what the platform writes,
// as the Linux build does: 950's 十 and 卅 as A451 and A4CA, 932's ⅰ as FA40.
TEST_F(FixedText, TheBytesWindowsWritesForCharactersHeldTwice)
{
    const struct {
        const char *cp, *in, *out;
    } cases[] = {{"950", "\xE5\x8D\x81\xE5\x8D\x85\n", "\xA4\x51\xA4\xCA\r\n"},
                 {"932", "\xE2\x85\xB0\n", "\xFA\x40\r\n"}};
    const std::string source = program_dir() + "held-twice.txt", out = program_dir() + "held-twice-out.txt";
    for (const auto &c : cases) {
        ASSERT_TRUE(write_file(source, c.in));
        EXPECT_EQ(0u, liscn(std::string("fix --codepage ") + c.cp + " \"" + source + "\" \"" + out + "\"")) << c.cp;
        char bytes[16] = {};
        DWORD n = 0;
        HANDLE h = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << c.cp;
        ReadFile(h, bytes, sizeof bytes, &n, nullptr);
        CloseHandle(h);
        EXPECT_EQ(std::string(c.out), std::string(bytes, n)) << c.cp;
    }
    remove_file(source);
    remove_file(out);
}

// Any file name: the Windows build takes its arguments in UTF-16 and prints names in UTF-8.
// Cyrillic names lie outside code page 1252, the ANSI code page here.
TEST_F(FixedText, NamesOutsideTheAnsiCodePage)
{
    const std::string dir = program_dir();
    const std::wstring wdir(dir.begin(), dir.end());  // ASCII: the build tree's path
    const std::wstring in = wdir + L"\x0442\x0435\x043A\x0441\x0442.txt", out = wdir + L"\x0432\x044B\x0445.txt",
                       log = wdir + L"liscn-names.log";
    DWORD n;
    HANDLE h = CreateFileW(in.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    WriteFile(h, "Caf\xC3\xA9\n", 6, &n, nullptr);
    CloseHandle(h);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, output);

    std::wstring line = L"\"" + wdir + L"liscn.exe\" fix \"" + in + L"\" \"" + out + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
    DWORD code = 999;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(output);
    EXPECT_EQ(0u, code);

    char bytes[512] = {};
    h = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "OUT was not written under its name";
    ReadFile(h, bytes, sizeof bytes - 1, &n, nullptr);
    CloseHandle(h);
    EXPECT_EQ("Caf\xE9\r\n", std::string(bytes, n));
    h = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(h, bytes, sizeof bytes - 1, &n, nullptr);
    CloseHandle(h);
    const std::string printed(bytes, n);
    EXPECT_NE(std::string::npos, printed.find("\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82.txt: read as UTF-8"))
        << "IN's name in UTF-8: " << printed;
    DeleteFileW(in.c_str());
    DeleteFileW(out.c_str());
    DeleteFileW(log.c_str());
}
