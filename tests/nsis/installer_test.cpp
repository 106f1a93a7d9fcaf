// Real NSIS installers that use LegalPrompt.nsh, run as a user runs them and answered with real
// input: what they install, their exit codes, the text they show, the installer's window while
// the agreement is up, and the temp folder after.  The installers are in NSIS_INSTALLERS.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "agreement_ids.h"
#include "attack.h"
#include "harness.h"

namespace {

const DWORD kDeclined = 10, kError = 12, kUnattended = 13;

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
    DWORD install(const char *installer, const std::function<void(HWND)> &user, bool *seen = nullptr,
                  const std::string &arguments = "", bool optional = false)
    {
        std::string command = "\"" + installers() + installer + "\" " + arguments + (arguments.empty() ? "" : " ") +
                              "/D=" + target.substr(0, target.size() - 1);
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
        }, seen, 10000, nullptr, optional);
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
            click_at(d, box);
        },
    };
    for (const auto &answer : answers) {
        EXPECT_EQ(kDeclined, install("example-setup.exe", answer));
        EXPECT_FALSE(installed());
    }
}

// Every user's temp folder, for an elevated and a normal user's install (attack.h).
TEST_F(Installer, EveryTempFolderElevatedOrNot)
{
    check_every_temp_folder(temp, [&](const std::function<void(HWND)> &user, bool *seen) {
        return install("example-setup.exe", user, seen);
    }, [&] { return installed(); }, [&] { DeleteFileA((target + "readme.txt").c_str()); });
}

// Silent installs (/S) never show the dialog: only /LEGALPROMPT_ACCEPT=1 accepts; else the
// answer is that nobody was asked.
TEST_F(Installer, SilentOnlyTheCommandLineAccepts)
{
    const struct {
        const char *arguments;
        DWORD code;
    } cases[] = {
        {"/S", kUnattended},
        {"/S /LEGALPROMPT_ACCEPT=0", kUnattended},
        {"/S /LEGALPROMPT_ACCEPT=", kUnattended},
        {"/S /LEGALPROMPT_ACCEPT=1", 0},
        {"/LEGALPROMPT_ACCEPT=1 /S", 0},
    };
    for (const auto &c : cases) {
        bool seen = true;
        DeleteFileA((target + "readme.txt").c_str());
        EXPECT_EQ(c.code, install("example-setup.exe", nullptr, &seen, c.arguments)) << c.arguments;
        EXPECT_FALSE(seen) << c.arguments << " showed the dialog";
        EXPECT_EQ(c.code == 0, installed()) << c.arguments;
    }
    // Not silent, the switch alone accepts nothing: the user is asked.
    EXPECT_EQ(kDeclined, install("example-setup.exe", [](HWND) { press(VK_ESCAPE); }, nullptr, "/LEGALPROMPT_ACCEPT=1"));
}

// Where nobody can see a window (a service, SYSTEM in session 0) nobody is asked, and the
// installer does not wait.
TEST_F(Installer, WhereNobodyCanSeeItNobodyIsAsked)
{
    EXPECT_EQ(kUnattended, run_unseen("\"" + installers() + "example-setup.exe\" /D=" +
                                      target.substr(0, target.size() - 1)));
    EXPECT_FALSE(installed());
}

// A prompt that another process ends with exit code 0, and a program in the prompt program's
// place that only exits 0: neither is an acceptance.
TEST_F(Installer, ExitCodeZeroAloneIsNoAcceptance)
{
    bool seen = false;
    EXPECT_EQ(kError, install("example-setup.exe", [](HWND d) {
        DWORD pid;
        GetWindowThreadProcessId(d, &pid);
        HANDLE prompt = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        EXPECT_TRUE(prompt && TerminateProcess(prompt, 0));
        if (prompt) CloseHandle(prompt);
    }, &seen));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(installed());

    planted_code_ran();
    EXPECT_EQ(kError, install("substitute-setup.exe", nullptr, &seen));
    EXPECT_TRUE(planted_code_ran()) << "the substitute did not run: the case proves nothing";
    EXPECT_FALSE(seen);
    EXPECT_FALSE(installed());
}

// The prompt inherits its two handles and none of the installer's: an inheritable event that the
// installer got from its starter is not in the prompt's handle table.
TEST_F(Installer, ThePromptInheritsNoHandleOfTheInstaller)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE event = CreateEventA(&inherited, TRUE, FALSE, nullptr);
    HANDLE error = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_TRUE(event && error != INVALID_HANDLE_VALUE);
    bool in_prompt = true, seen = false;
    std::string command = "\"" + installers() + "example-setup.exe\" /D=" + target.substr(0, target.size() - 1);
    run_and_answer(command, [&](HWND d) {
        DWORD pid;
        GetWindowThreadProcessId(d, &pid);
        HANDLE prompt = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
        HANDLE copy = nullptr;
        // The same value in the prompt, if it was inherited; then it is the same event.
        in_prompt = prompt && DuplicateHandle(prompt, event, GetCurrentProcess(), &copy, 0, FALSE,
                                              DUPLICATE_SAME_ACCESS) &&
                    SetEvent(copy) && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        if (copy) CloseHandle(copy);
        if (prompt) CloseHandle(prompt);
        press(VK_ESCAPE);
    }, &seen, 10000, error);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(in_prompt) << "the prompt inherited the installer's event";
    CloseHandle(event);
    CloseHandle(error);
}

// An installer that is ended while the agreement is up leaves no prompt running.
TEST_F(Installer, AnEndedInstallerLeavesNoPrompt)
{
    DWORD prompt_pid = 0;
    run_program("\"" + installers() + "example-setup.exe\" /D=" + target.substr(0, target.size() - 1), [&](DWORD pid) {
        HWND dialog = wait_for_dialog({}, 20000, ANY_PROCESS);
        ASSERT_NE(nullptr, dialog);
        GetWindowThreadProcessId(dialog, &prompt_pid);
        HANDLE installer = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        EXPECT_TRUE(installer && TerminateProcess(installer, 99));
        if (installer) CloseHandle(installer);
    });
    ASSERT_NE(0u, prompt_pid);
    HANDLE prompt = OpenProcess(SYNCHRONIZE, FALSE, prompt_pid);
    EXPECT_TRUE(!prompt || WaitForSingleObject(prompt, 10000) == WAIT_OBJECT_0) << "the prompt is still running";
    if (prompt) CloseHandle(prompt);
    close_stray_dialogs();
    // What the ended installer could not clean up itself: its $PLUGINSDIR and the prompt's folder.
    for (const std::string &folder : prompt_folders(system_temp())) {
        if (std::find(system_before.begin(), system_before.end(), folder) == system_before.end())
            remove_tree(folder + "\\");
    }
    remove_tree(temp);
    CreateDirectoryA(temp.c_str(), nullptr);
}

// Another process of the user races each install for the prompt's folder (attack.h): its code
// never runs and its text is never shown; each install either shows the installer's text and
// installs on acceptance, or is an error.
TEST_F(Installer, ARaceForThePromptsFilesNeverRunsItsCodeOrShowsItsText)
{
    check_race(temp, system_before, kError, [&](const std::function<void(HWND)> &user, bool *seen) {
        return install("example-setup.exe", user, seen, "", true);
    }, [&] { return installed(); }, [&] { DeleteFileA((target + "readme.txt").c_str()); });
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
// up, but still answers what is sent to it (a window that does not hangs every program that
// broadcasts), and is enabled again after it.
TEST_F(Installer, TheInstallersWindowIsDisabledButAnswersWhileTheAgreementIsUp)
{
    HWND installer_window = nullptr;
    bool disabled_while_up = false, answered_while_up = false, enabled_after = false;
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
        DWORD_PTR answer;
        answered_while_up = SendMessageTimeoutA(installer_window, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &answer) != 0;
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
    EXPECT_TRUE(answered_while_up) << "the installer's window did not answer while the agreement was up";
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
