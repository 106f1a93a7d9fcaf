// The text file while a dialog shows it, where it is looked for, the prompt's failures, a
// prompt within a prompt, and many prompts in a row.
#include "prompt_fixture.h"
#include <algorithm>

namespace {

HANDLE open_with(const std::string &path, DWORD access, DWORD share)
{
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the file can be opened with no sharing at all: no handle to it is left open.
bool nobody_has_open(const std::string &path)
{
    HANDLE file = open_with(path, GENERIC_READ | GENERIC_WRITE, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

class FileWhileShown : public PromptTest {};

TEST_F(FileWhileShown, OthersReadAndWriteButCannotDeleteOrRename)
{
    const std::string path = text_path(), moved = program_dir() + "liscn-moved.txt";
    prompt([&](HWND) {
        HANDLE reader = open_with(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_NE(INVALID_HANDLE_VALUE, reader) << "open to read failed, error " << GetLastError();
        CloseHandle(reader);
        HANDLE writer = open_with(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_NE(INVALID_HANDLE_VALUE, writer) << "open to write failed, error " << GetLastError();
        CloseHandle(writer);
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "deleted while shown";
        EXPECT_FALSE(MoveFileA(path.c_str(), moved.c_str())) << "renamed while shown";
        EXPECT_FALSE(nobody_has_open(path));
        press(VK_ESCAPE);
    });
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "still open after the call, error " << GetLastError();
    remove_file(moved);
}

class Search : public PromptTest {
protected:
    std::string shown()
    {
        std::string text;
        int outcome = prompt([&](HWND d) {
            text = text_of(control(d, IDC_AGREEMENT_TEXT));
            press(VK_ESCAPE);
        });
        EXPECT_EQ(LEGALPROMPT_DECLINED, outcome);
        return text;
    }
};

TEST_F(Search, ProgramDirectoryBeforeCurrentDirectory)
{
    std::string current = make_temp_dir("current");
    ASSERT_TRUE(write_file(text_path(), "program's"));
    ASSERT_TRUE(write_file(current + "liscn.txt", "current's"));
    CurrentDirectory cd(current);
    EXPECT_EQ("program's", shown());

    remove_file(text_path());
    EXPECT_EQ("current's", shown());
    remove_file(current + "liscn.txt");
}

TEST_F(Search, NotBesideTheLibrary)
{
    // A copy of the library in a directory of its own, with a text beside it; neither the
    // program's directory nor the current directory has one.
    std::string elsewhere = make_temp_dir("library"), current = make_temp_dir("empty");
    ASSERT_TRUE(CopyFileA((program_dir() + "legalprompt.dll").c_str(),
                          (elsewhere + "legalprompt.dll").c_str(), FALSE));
    ASSERT_TRUE(write_file(elsewhere + "liscn.txt", "beside the library"));
    remove_file(text_path());
    CurrentDirectory cd(current);
    int created = -1, outcome;
    {
        Library copy(elsewhere + "legalprompt.dll");
        ASSERT_NE(library_.module, copy.module);
        outcome = run_without_user(copy.display, &created);
    }
    EXPECT_EQ(LEGALPROMPT_NO_TEXT, outcome);
    EXPECT_EQ(0, created);
    remove_file(elsewhere + "liscn.txt");
    remove_file(elsewhere + "legalprompt.dll");
}

class Failures : public PromptTest {};

TEST_F(Failures, AbsentFileGivesMinusOneAndNoWindow)
{
    remove_file(text_path());
    int created = -1;
    EXPECT_EQ(LEGALPROMPT_NO_TEXT, run_without_user(library_.display, &created));
    EXPECT_EQ(0, created);
}

TEST_F(Failures, MissingTemplateDeclinesWithNoWindowAndTheFileClosed)
{
    Library without(program_dir() + "notemplate\\legalprompt.dll");
    ASSERT_NE(nullptr, without.display);
    int created = -1;
    EXPECT_EQ(LEGALPROMPT_DECLINED, run_without_user(without.display, &created));
    EXPECT_EQ(0, created);
    EXPECT_TRUE(nobody_has_open(text_path()));
}

class Reentry : public PromptTest {
protected:
    static int inner_outcome;
    static DisplayFn inner_display;

    static LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        if (message == WM_TIMER) {
            KillTimer(window, wparam);
            write_file(text_path(), "second text");
            inner_outcome = inner_display();
        }
        return DefWindowProcA(window, message, wparam, lparam);
    }
};
int Reentry::inner_outcome;
DisplayFn Reentry::inner_display;

TEST_F(Reentry, SecondPromptFromATimerWhileTheFirstIsUp)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = host_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LegalPromptReentryHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowA(wc.lpszClassName, "Host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, host);
    ASSERT_TRUE(write_file(text_path(), "first text"));
    inner_display = library_.display;
    inner_outcome = 99;

    std::string first_before, first_after, second;
    int outer = prompt([&](HWND first) {
        HWND edit = control(first, IDC_AGREEMENT_TEXT);
        first_before = text_of(edit);
        SetTimer(host, 1, 10, nullptr);  // the host's timer fires inside the first dialog's loop
        HWND next = wait_for_dialog({first});
        ASSERT_NE(nullptr, next) << "no second dialog";
        second = text_of(control(next, IDC_AGREEMENT_TEXT));
        first_after = text_of(edit);
        settle(next);
        press(VK_ESCAPE);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(next); }));
        settle(first);
        press(VK_RETURN);
    });
    EXPECT_EQ("first text", first_before);
    EXPECT_EQ("second text", second);
    EXPECT_EQ("first text", first_after) << "the first dialog keeps the text it shows";
    EXPECT_EQ(LEGALPROMPT_DECLINED, inner_outcome);
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, outer);
    DestroyWindow(host);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

class Endurance : public PromptTest {};

TEST_F(Endurance, HundredPromptsInARow)
{
    int wrong = 0;
    for (int i = 0; i < 100; i++) {
        std::string text = "Prompt " + std::to_string(i);
        ASSERT_TRUE(write_file(text_path(), text));
        bool accept = i % 3 != 0;
        std::string seen;
        int outcome = prompt([&](HWND d) {
            seen = text_of(control(d, IDC_AGREEMENT_TEXT));
            press(accept ? VK_RETURN : VK_ESCAPE);
        });
        if (outcome != (accept ? LEGALPROMPT_ACCEPTED : LEGALPROMPT_DECLINED) || seen != text) {
            ADD_FAILURE() << "prompt " << i << ": outcome " << outcome << ", text '" << seen << "'";
            if (++wrong == 3) break;
        }
    }
    EXPECT_TRUE(nobody_has_open(text_path())) << "a handle to the text was left open";
}

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
