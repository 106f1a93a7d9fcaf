// DisplayLegalBullshit in this process: the outcome of each way a dialog can end, the module
// the dialog comes from, the text file (what is shown, where it is found, how it is held), the
// failures, and a prompt started while another is up.
#include "fixture.h"

class Outcome : public LibraryTest {};

TEST_F(Outcome, FollowsHowTheDialogEnded)
{
    // Only a dialog result of 1 is acceptance; WM_CLOSE is what the close box and Alt+F4 send.
    const struct { const char *how; std::function<void(HWND)> end; int outcome; } cases[] = {
        {"Accept", [](HWND d) { click(d, IDOK); }, LEGALPROMPT_ACCEPTED},
        {"Do Not Accept", [](HWND d) { click(d, IDCANCEL); }, LEGALPROMPT_DECLINED},
        {"WM_CLOSE", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, LEGALPROMPT_DECLINED},
        {"EndDialog 1", [](HWND d) { EndDialog(d, 1); }, LEGALPROMPT_ACCEPTED},
        {"EndDialog 0", [](HWND d) { EndDialog(d, 0); }, LEGALPROMPT_DECLINED},
        {"EndDialog 2", [](HWND d) { EndDialog(d, 2); }, LEGALPROMPT_DECLINED},
        {"EndDialog -1", [](HWND d) { EndDialog(d, -1); }, LEGALPROMPT_DECLINED},
    };
    for (const auto &c : cases) {
        Prompt p = prompt(c.end);
        EXPECT_TRUE(p.acted) << c.how;
        EXPECT_EQ(c.outcome, p.outcome) << c.how;
        EXPECT_TRUE(nobody_has_open(text_path())) << c.how << ": the text was left open";
    }
}

// The entry point records the module only when the process attaches: a thread's attach or
// detach, or a process detach, with another module must not move the template's lookup.
TEST_F(Outcome, DialogComesFromTheLibraryWithNoOwner)
{
    BYTE *base = (BYTE *)library_.module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    typedef BOOL(WINAPI * Entry)(HINSTANCE, DWORD, LPVOID);
    Entry entry = (Entry)(void (*)(void))(base + nt->OptionalHeader.AddressOfEntryPoint);
    HINSTANCE other = GetModuleHandleA(nullptr);  // has no agreement template
    for (DWORD reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_PROCESS_DETACH})
        EXPECT_EQ(TRUE, entry(other, reason, nullptr)) << "reason " << reason;

    HINSTANCE instance = nullptr;
    HWND owner = (HWND)1;
    Prompt p = prompt([&](HWND d) {
        instance = (HINSTANCE)GetWindowLongPtrA(d, GWLP_HINSTANCE);
        owner = GetWindow(d, GW_OWNER);
        click(d, IDOK);
    });
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, p.outcome);
    EXPECT_EQ((HINSTANCE)library_.module, instance);
    EXPECT_EQ(nullptr, owner);
}

TEST_F(Outcome, TheHostsWindowsStayEnabled)
{
    HWND host = CreateWindowA("STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host);
    bool enabled = false;
    prompt([&](HWND d) {
        enabled = IsWindowEnabled(host);
        click(d, IDCANCEL);
    });
    EXPECT_TRUE(enabled);
    DestroyWindow(host);
}

class Text : public LibraryTest {};

TEST_F(Text, ShownAsItsBytesUpTo16380AndAZero)
{
    // The box shows the file's bytes as they are (code page 1252 here), cut after 16380 bytes
    // or at the first zero byte.
    const std::string crlf = "Title\r\n\r\n\tIndented \xE9t\xE9 \xA9 2026\r\nLast line";
    const struct { std::string file, shown; } cases[] = {
        {crlf, crlf},
        {"\xEF\xBB\xBFTerms", "\xEF\xBB\xBFTerms"},
        {"", ""},
        {std::string("Shown\r\n\0not shown", 17), "Shown\r\n"},
        {std::string("\0all hidden", 11), ""},
        {sample_text(16379), sample_text(16379)},
        {sample_text(16380), sample_text(16380)},
        {sample_text(16381), sample_text(16380)},
        {sample_text(16384), sample_text(16380)},
        {sample_text(50000), sample_text(16380)},
    };
    for (const auto &c : cases) {
        std::string text = shown(c.file);
        EXPECT_EQ(c.shown.size(), text.size()) << "file of " << c.file.size() << " bytes";
        EXPECT_TRUE(c.shown == text) << "file of " << c.file.size() << " bytes: other text shown";
    }
}

TEST_F(Text, EachPromptShowsOnlyItsOwnFile)
{
    // Each read fills only what the file holds: the rest of a longer text before must be gone.
    EXPECT_EQ(sample_text(12000), shown(sample_text(12000)));
    EXPECT_EQ("Short.", shown("Short."));
    EXPECT_EQ(sample_text(16380), shown(sample_text(20000)));
    EXPECT_EQ("", shown(""));
}

class File : public LibraryTest {};

TEST_F(File, OthersReadAndWriteItWhileShownButCannotDeleteOrRenameIt)
{
    const std::string path = text_path(), moved = program_dir() + "liscn-moved.txt";
    auto opens = [&](DWORD access) {
        HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    };
    prompt([&](HWND d) {
        EXPECT_TRUE(opens(GENERIC_READ)) << "error " << GetLastError();
        EXPECT_TRUE(opens(GENERIC_WRITE)) << "error " << GetLastError();
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "deleted while shown";
        EXPECT_FALSE(MoveFileA(path.c_str(), moved.c_str())) << "renamed while shown";
        EXPECT_FALSE(nobody_has_open(path));
        click(d, IDOK);
    });
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "still open after the call, error " << GetLastError();
    remove_file(moved);
}

TEST_F(File, ProgramFolderFirstThenCurrentFolderNeverBesideTheLibrary)
{
    std::string current = make_temp_dir("current"), elsewhere = make_temp_dir("library");
    struct Cleanup {  // whether the test ends early or not
        std::string current, elsewhere;
        ~Cleanup()
        {
            for (const std::string &file : {current + "liscn.txt", elsewhere + "liscn.txt", elsewhere + "legalprompt.dll"})
                remove_file(file);
            RemoveDirectoryA(elsewhere.c_str());
            RemoveDirectoryA(current.c_str());
        }
    } cleanup{current, elsewhere};
    auto shown_now = [&] {
        std::string text = "(no dialog)";
        prompt([&](HWND d) {
            text = text_of(control(d, IDC_AGREEMENT_TEXT));
            click(d, IDCANCEL);
        });
        return text;
    };
    ASSERT_TRUE(write_file(text_path(), "program's"));
    ASSERT_TRUE(write_file(current + "liscn.txt", "current's"));
    CurrentDirectory cd(current);
    EXPECT_EQ("program's", shown_now());
    remove_file(text_path());
    EXPECT_EQ("current's", shown_now());

    // A copy of the library in a folder of its own with a text beside it: not looked at.
    remove_file(current + "liscn.txt");
    ASSERT_TRUE(CopyFileA((program_dir() + "legalprompt.dll").c_str(), (elsewhere + "legalprompt.dll").c_str(),
                          FALSE));
    ASSERT_TRUE(write_file(elsewhere + "liscn.txt", "beside the library"));
    {
        Library copy(elsewhere + "legalprompt.dll");
        ASSERT_NE(library_.module, copy.module);
        Prompt p = run_prompt_here(copy.display);
        EXPECT_EQ(LEGALPROMPT_NO_TEXT, p.outcome);
        EXPECT_EQ(0, p.windows);
    }
}

class Failures : public LibraryTest {};

TEST_F(Failures, NoDialogAndNothingLeftOpen)
{
    // Absent: -1.  Opened but unreadable: -1; the build made "unreadable\liscn.txt" a link to
    // /proc/self/mem, which opens, but whose first byte cannot be read.  A build of the library
    // without its dialog template: declined.  None makes a window or keeps a handle.
    remove_file(text_path());
    Library without(program_dir() + "notemplate\\legalprompt.dll");
    ASSERT_NE(nullptr, without.display);
    const struct { const char *what, *folder; DisplayFn display; int outcome; } cases[] = {
        {"absent", "", library_.display, LEGALPROMPT_NO_TEXT},
        {"unreadable", "unreadable\\", library_.display, LEGALPROMPT_NO_TEXT},
        {"no template", "notemplate\\", without.display, LEGALPROMPT_DECLINED},
    };
    for (const auto &c : cases) {
        CurrentDirectory cd(program_dir() + c.folder);
        if (c.outcome == LEGALPROMPT_DECLINED) {
            ASSERT_TRUE(write_file(text_path(), kText));
        }
        run_prompt_here(c.display);  // whatever the first call of a kind opens for good
        int before = handles_open();
        ASSERT_GT(before, 0) << "the handle list could not be read";
        Prompt p = run_prompt_here(c.display);
        EXPECT_EQ(c.outcome, p.outcome) << c.what;
        EXPECT_EQ(0, p.windows) << c.what;
        EXPECT_EQ(before, handles_open()) << c.what << ": a handle was left open";
        EXPECT_FALSE(p.acted) << c.what;
    }
    EXPECT_TRUE(nobody_has_open(text_path()));
}

class Reentry : public LibraryTest {};

TEST_F(Reentry, SecondPromptWhileTheFirstIsUp)
{
    ASSERT_TRUE(write_file(text_path(), "first text"));
    std::string first_before, first_after, second = "(no second dialog)";
    int inner = 99;
    Prompt outer = prompt([&](HWND first) {
        HWND edit = control(first, IDC_AGREEMENT_TEXT);
        first_before = text_of(edit);
        write_file(text_path(), "second text");
        inner = prompt([&](HWND next) {
            EXPECT_NE(first, next);
            second = text_of(control(next, IDC_AGREEMENT_TEXT));
            click(next, IDCANCEL);
        }).outcome;
        first_after = text_of(edit);
        click(first, IDOK);
    });
    EXPECT_EQ("first text", first_before);
    EXPECT_EQ("second text", second);
    EXPECT_EQ("first text", first_after) << "the first dialog keeps the text it shows";
    EXPECT_EQ(LEGALPROMPT_DECLINED, inner);
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, outer.outcome);
    EXPECT_TRUE(nobody_has_open(text_path()));
}
