// Real NSIS installers that use LegalPrompt.nsh, run as a user runs them and answered with real
// input: what they install, their exit codes, the text they show, the installer's window while
// the agreement is up, and the temp folder after.  The installers are in NSIS_INSTALLERS.
#include <cstdlib>
#include <string>

#include "agreement_ids.h"
#include "harness.h"

namespace {

const DWORD kDeclined = 10, kNoText = 11, kError = 12;

std::string installers() { return getenv("NSIS_INSTALLERS") ? getenv("NSIS_INSTALLERS") : ""; }

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_main_window(HWND window, LPARAM lparam)
{
    WindowSearch *s = (WindowSearch *)lparam;
    DWORD owner;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->pid || !IsWindowVisible(window)) return TRUE;
    s->found = window;
    return FALSE;
}

// The visible top-level window of process pid, or NULL.
HWND main_window_of(DWORD pid)
{
    WindowSearch search = {pid, nullptr};
    EnumWindows(find_main_window, (LPARAM)&search);
    return search.found;
}

class Installer : public InstallerTest {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_FALSE(installers().empty()) << "NSIS_INSTALLERS is not set";
    }

    // Runs installer (a file in NSIS_INSTALLERS) with user acting on its agreement dialog, or
    // expecting none when user is null.  The exit code; seen tells whether a dialog came.
    DWORD install(const char *installer, const std::function<void(HWND)> &user, bool *seen = nullptr)
    {
        std::string command = "\"" + installers() + installer + "\" /D=" + target.substr(0, target.size() - 1);
        if (!user) return run_and_answer(command, nullptr, seen);
        return run_and_answer(command, [&](HWND dialog) {
            // The prompt of the installer's width, which is this program's: an installer that
            // runs where 32-bit programs cannot must not bring the 32-bit one.
            DWORD prompt_pid;
            GetWindowThreadProcessId(dialog, &prompt_pid);
            HANDLE prompt = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, prompt_pid);
            BOOL prompt_wow64 = FALSE, own_wow64 = FALSE;
            IsWow64Process(prompt, &prompt_wow64);
            IsWow64Process(GetCurrentProcess(), &own_wow64);
            CloseHandle(prompt);
            EXPECT_EQ(own_wow64, prompt_wow64) << "the prompt is not of the installer's width";
            user(dialog);
        }, seen);
    }
    bool installed() { return exists(target + "readme.txt"); }

};

TEST_F(Installer, AcceptedByEnterOrAcceptInstallsTheFile)
{
    const std::function<void(HWND)> answers[] = {
        [](HWND) { press(VK_RETURN); },
        [](HWND d) { click_centre(control(d, IDOK)); },
    };
    for (const auto &answer : answers) {
        DeleteFileA((target + "readme.txt").c_str());
        EXPECT_EQ(0u, install("example-setup.exe", answer));
        EXPECT_TRUE(installed());
    }
}

TEST_F(Installer, DeclinedInstallsNothing)
{
    const std::function<void(HWND)> answers[] = {
        [](HWND) { press(VK_ESCAPE); },
        [](HWND d) { click_centre(control(d, IDCANCEL)); },
        [](HWND d) {
            POINT box;
            ASSERT_TRUE(close_box(d, &box));
            click_at(box);
        },
    };
    for (const auto &answer : answers) {
        EXPECT_EQ(kDeclined, install("example-setup.exe", answer));
        EXPECT_FALSE(installed());
    }
}

// The library opens the text by an 8-bit path of at most 127 bytes: in a temp folder of 110
// characters the installer's text cannot be opened, and the installer says so by its code.
TEST_F(Installer, NoTextShowsNoDialog)
{
    ASSERT_LT(temp.size(), 100u) << "the temp folder is too long for this test";
    std::string deep = temp + std::string(110 - temp.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    set_temp(deep);
    bool seen = true;
    EXPECT_EQ(kNoText, install("example-setup.exe", nullptr, &seen));
    EXPECT_FALSE(seen) << "a dialog appeared with no text to show";
    EXPECT_FALSE(installed());
    EXPECT_EQ("", folder_contents(deep + "\\")) << "the installer left this in " << deep;
    RemoveDirectoryA(deep.c_str());
}

// A prompt that cannot run (its library damaged; the program itself no program) is an error,
// never an acceptance.
TEST_F(Installer, APromptThatCannotRunIsAnError)
{
    for (const char *installer : {"broken-setup.exe", "unstartable-setup.exe"}) {
        bool seen = true;
        EXPECT_EQ(kError, install(installer, nullptr, &seen)) << installer;
        EXPECT_FALSE(seen) << installer;
        EXPECT_FALSE(installed()) << installer;
    }
}

// A liscn.txt beside the installer (a downloads folder) and one in the current folder: the
// installer shows its own.
TEST_F(Installer, ShowsItsOwnTextWhateverLiesBesideIt)
{
    ASSERT_TRUE(write_file(installers() + "liscn.txt", "A STRAY TEXT BESIDE THE INSTALLER\r\n"));
    ASSERT_TRUE(write_file(here + "liscn.txt", "A STRAY TEXT IN THE CURRENT FOLDER\r\n"));
    std::string shown;
    {
        CurrentDirectory in(here);
        EXPECT_EQ(kDeclined, install("example-setup.exe", [&](HWND d) {
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            press(VK_ESCAPE);
        }));
    }
    remove_file(installers() + "liscn.txt");
    remove_file(here + "liscn.txt");
    EXPECT_EQ(0u, shown.find("SAMPLE LICENSE AGREEMENT")) << "shown: " << shown.substr(0, 80);
}

// On a page after another page, the installer's window takes no input while the agreement is
// up, and is enabled again after it.
TEST_F(Installer, TheInstallersWindowIsDisabledWhileTheAgreementIsUp)
{
    HWND installer_window = nullptr;
    bool disabled_while_up = false, enabled_after = false;
    DWORD code = run_program("\"" + installers() + "pages-setup.exe\" /D=" + target.substr(0, target.size() - 1),
                             [&](DWORD pid) {
        ASSERT_TRUE(wait_until([&] {
            installer_window = main_window_of(pid);
            return installer_window && IsWindowEnabled(installer_window);
        }, 20000)) << "no first page";
        // Commands, not input: what this test watches is the installer's window, and the
        // other tests answer with keys and clicks.
        PostMessageA(installer_window, WM_COMMAND, IDOK, 0);  // Next
        HWND dialog = wait_for_dialog({}, 20000, ANY_PROCESS);
        ASSERT_NE(nullptr, dialog) << "no agreement dialog after the first page";
        disabled_while_up = !IsWindowEnabled(installer_window);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);  // Accept
        enabled_after = wait_until([&] { return IsWindowEnabled(installer_window) != FALSE; }, 10000);
        // The installation's last page, once its button says Close.
        HWND close = GetDlgItem(installer_window, IDOK);
        EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(close) && text_of(close) == "&Close"; }, 20000))
            << "the installation did not finish";
        // Once more if the first came while the page was still settling (seen under Wine).
        for (int i = 0; i < 5 && IsWindow(installer_window); i++) {
            PostMessageA(installer_window, WM_COMMAND, IDOK, 0);
            wait_until([&] { return !IsWindow(installer_window); }, 2000);
        }
    });
    EXPECT_TRUE(disabled_while_up) << "the installer's window took input while the agreement was up";
    EXPECT_TRUE(enabled_after) << "the installer's window stayed disabled";
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(installed());
}

TEST_F(Installer, TwentyInARowAllAnsweredRight)
{
    for (int i = 0; i < 20; i++) {
        const bool accept = i % 2 == 0;
        DeleteFileA((target + "readme.txt").c_str());
        EXPECT_EQ(accept ? 0u : kDeclined,
                  install("example-setup.exe", [&](HWND) { press(accept ? VK_RETURN : VK_ESCAPE); }))
            << "install " << i;
        EXPECT_EQ(accept, installed()) << "install " << i;
        EXPECT_EQ("", folder_contents(temp)) << "install " << i << " left this in the temp folder";
    }
}

}  // namespace
