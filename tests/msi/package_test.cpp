// Windows Installer packages that include LegalPrompt.wxi, installed by msiexec as a user or a
// deployment installs them, the agreement answered with real input: the exit code, what is
// installed, the text shown, the installer's log, and the temp folder after.  The packages are
// in MSI_PACKAGES.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "agreement_ids.h"
#include "attack.h"
#include "harness.h"

namespace {

const DWORD kUserExit = ERROR_INSTALL_USEREXIT, kFailure = ERROR_INSTALL_FAILURE;

std::string packages() { return getenv("MSI_PACKAGES") ? getenv("MSI_PACKAGES") : ""; }

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Package : public InstallerTest {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_FALSE(packages().empty()) << "MSI_PACKAGES is not set";
    }
    void TearDown() override
    {
        close_stray_dialogs();
        for (const std::string &stray : strays) remove_file(stray);
        if (!target.empty() && installed()) {
            EXPECT_EQ(0u, msiexec("/x", "example.msi", "/qn", nullptr)) << "could not remove";
        }
        InstallerTest::TearDown();
    }

    // Runs msiexec with the verb (/i, /x) on package and the further arguments, user acting on
    // the agreement dialog, or expecting none when user is null.  The exit code; seen tells
    // whether a dialog came.  The log is in log().
    DWORD msiexec(const char *verb, const char *package, const std::string &arguments,
                  const std::function<void(HWND)> &user, bool *seen = nullptr, bool optional = false)
    {
        log_path = here + std::to_string(++runs) + ".log";
        std::string command = std::string("msiexec ") + verb + " \"" + packages() + package + "\" /l*v \"" +
                              log_path + "\" INSTALLDIR=\"" + target + "\" " + arguments;
        return run_and_answer(command, user, seen, 60000, nullptr, optional);
    }
    DWORD install(const std::function<void(HWND)> &user, const std::string &arguments = "", bool *seen = nullptr,
                  bool optional = false)
    {
        return msiexec("/i", "example.msi", arguments, user, seen, optional);
    }
    bool installed() { return exists(target + "readme.txt"); }
    // The lines of the last run's log that the custom action wrote.
    std::string log()
    {
        std::ifstream in(log_path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::string text = bytes.str(), lines;
        // The log may be UTF-16: its ASCII, byte by byte.
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
        for (size_t at = text.find("LegalPrompt: "); at != std::string::npos; at = text.find("LegalPrompt: ", at + 1))
            lines += text.substr(at, text.find_first_of("\r\n", at) - at) + "\n";
        return lines;
    }

    std::string log_path;
    std::vector<std::string> strays;  // texts that the test put where they must not be shown
    int runs = 0;
};

TEST_F(Package, AcceptedInstallsTheFileAndRemovalAsksNothing)
{
    EXPECT_EQ(0u, install([](HWND) { press(VK_RETURN); }));
    EXPECT_TRUE(installed());
    EXPECT_NE(std::string::npos, log().find("the user accepted")) << log();
    bool seen = true;
    EXPECT_EQ(0u, msiexec("/x", "example.msi", "", nullptr, &seen));
    EXPECT_FALSE(seen) << "removal showed the agreement";
    EXPECT_FALSE(installed());
}

// Declined where the user interface sequence runs, full and reduced UI; asked once in each.
TEST_F(Package, DeclinedEndsWith1602AndInstallsNothing)
{
    const struct {
        const char *arguments;
        std::function<void(HWND)> answer;
    } cases[] = {
        {"", [](HWND) { press(VK_ESCAPE); }},
        {"", [](HWND d) { click_centre(control(d, IDCANCEL)); }},
        {"/qr", [](HWND) { press(VK_ESCAPE); }},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kUserExit, install(c.answer, c.arguments)) << c.arguments;
        EXPECT_FALSE(installed()) << c.arguments;
        std::string said = log();
        EXPECT_NE(std::string::npos, said.find("did not accept")) << c.arguments << ": " << said;
        EXPECT_EQ(said.find("LegalPrompt: "), said.rfind("LegalPrompt: ")) << c.arguments << " asked twice: " << said;
    }
}

// Every user's temp folder, for an elevated and a normal user's install (attack.h).
TEST_F(Package, EveryTempFolderElevatedOrNot)
{
    check_every_temp_folder(temp, [&](const std::function<void(HWND)> &user, bool *seen) {
        return install(user, "", seen);
    }, [&] { return installed(); }, [&] {
        EXPECT_EQ(0u, msiexec("/x", "example.msi", "/qn", nullptr)) << "could not remove";
    });
}

// Where nobody can see a window (a service, SYSTEM in session 0) nobody is asked, whatever the
// user interface, and the installation does not wait.
TEST_F(Package, WhereNobodyCanSeeItNobodyIsAsked)
{
    log_path = here + "unseen.log";
    EXPECT_EQ(kUserExit, run_unseen("msiexec /i \"" + packages() + "example.msi\" /l*v \"" + log_path +
                                    "\" INSTALLDIR=\"" + target + "\"", 60000));
    EXPECT_FALSE(installed());
    EXPECT_NE(std::string::npos, log().find("nobody can see")) << log();
}

// A prompt that another process ends with exit code 0, and a program in the prompt program's
// place that only exits 0: neither is an acceptance.
TEST_F(Package, ExitCodeZeroAloneIsNoAcceptance)
{
    bool seen = false;
    EXPECT_EQ(kFailure, install([](HWND d) {
        DWORD pid;
        GetWindowThreadProcessId(d, &pid);
        HANDLE prompt = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        EXPECT_TRUE(prompt && TerminateProcess(prompt, 0));
        if (prompt) CloseHandle(prompt);
    }, "", &seen));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(installed());
    EXPECT_NE(std::string::npos, log().find("gave no acceptance")) << log();
    EXPECT_EQ(std::string::npos, log().find("the user accepted")) << log();

    planted_code_ran();
    EXPECT_EQ(kFailure, msiexec("/i", "substitute.msi", "", nullptr, &seen));
    EXPECT_TRUE(planted_code_ran()) << "the substitute did not run: the case proves nothing";
    EXPECT_FALSE(seen);
    EXPECT_FALSE(installed());
    EXPECT_NE(std::string::npos, log().find("gave no acceptance")) << log();
}

// Another process of the user races each install for the prompt's folder: it swaps the library
// and the program for its own, adds DLLs and deletes or rewrites the text.  Its code never runs
// and its text is never shown: each install either shows the package's text and installs on
// acceptance, or fails.
TEST_F(Package, ARaceForThePromptsFilesNeverRunsItsCodeOrShowsItsText)
{
    check_race(temp, system_before, kFailure, [&](const std::function<void(HWND)> &user, bool *seen) {
        return install(user, "", seen, true);
    }, [&] { return installed(); }, [&] { EXPECT_EQ(0u, msiexec("/x", "example.msi", "/qn", nullptr)); });
}

// A liscn.txt in the system folder (msiexec's own folder), beside the package and in the
// current folder: the package's text is shown.
TEST_F(Package, ShowsThePackagesOwnTextWhateverLiesElsewhere)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    strays = {std::string(system) + "\\liscn.txt", packages() + "liscn.txt", here + "liscn.txt"};
    for (const std::string &stray : strays) ASSERT_TRUE(write_file(stray, "A STRAY TEXT\r\n")) << stray;
    std::string shown;
    {
        CurrentDirectory in(here);
        EXPECT_EQ(kUserExit, install([&](HWND d) {
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            press(VK_ESCAPE);
        }));
    }
    EXPECT_EQ(0u, shown.find("SAMPLE LICENSE AGREEMENT")) << "shown: " << shown.substr(0, 80);
}

// Unattended, with no user interface (/qn, /quiet) or a basic one (/qb, /passive): the dialog
// never comes; only LEGALPROMPT_ACCEPT=1 lets the installation go on, and the log says so
// either way.
TEST_F(Package, UnattendedOnlyTheCommandLineAccepts)
{
    for (const char *ui : {"/qn", "/quiet", "/qb", "/passive", "/qb!", "/qb-"}) {
        const struct {
            const char *property;
            DWORD code;
            const char *logged;
        } cases[] = {
            {"", kUserExit, "add LEGALPROMPT_ACCEPT=1"},
            {"LEGALPROMPT_ACCEPT=0", kUserExit, "add LEGALPROMPT_ACCEPT=1"},
            {"LEGALPROMPT_ACCEPT=1", 0, "accepted on the command line"},
        };
        for (const auto &c : cases) {
            std::string arguments = std::string(ui) + " " + c.property;
            bool seen = true;
            EXPECT_EQ(c.code, install(nullptr, arguments, &seen)) << arguments;
            EXPECT_FALSE(seen) << arguments << " showed the dialog";
            EXPECT_EQ(c.code == 0, installed()) << arguments;
            EXPECT_NE(std::string::npos, log().find(c.logged)) << arguments << ": " << log();
            if (installed()) {
                EXPECT_EQ(0u, msiexec("/x", "example.msi", "/qn", nullptr)) << "could not remove";
            }
        }
    }
}

// A copy of the example with one of its actions left out of a sequence: "" on success, else
// what failed.
std::string without(const std::string &from, const std::string &to, const char *table, const char *action)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return "cannot copy " + from;
    MSIHANDLE database = 0, view = 0;
    UINT result = MsiOpenDatabaseA(to.c_str(), MSIDBOPEN_TRANSACT, &database);
    std::string query = std::string("DELETE FROM `") + table + "` WHERE `Action` = '" + action + "'";
    if (result == ERROR_SUCCESS) result = MsiDatabaseOpenViewA(database, query.c_str(), &view);
    if (result == ERROR_SUCCESS) result = MsiViewExecute(view, 0);
    if (view) MsiCloseHandle(view);
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database);
    if (database) MsiCloseHandle(database);
    return result == ERROR_SUCCESS ? "" : "cannot change the copy: error " + std::to_string(result);
}

// Full UI, but the dialog left out of the user interface sequence (as an embedded user
// interface or a program that runs the execute sequence itself leaves it out): the execute
// sequence lets nothing be installed unaccepted, only LEGALPROMPT_ACCEPT=1 does.  And a package
// whose execute sequence has no check (built with an earlier include) fails at once.
TEST_F(Package, WithoutEitherActionNothingIsInstalledUnaccepted)
{
    const struct {
        const char *table, *action, *property;
        DWORD code;
        const char *logged;
    } cases[] = {
        {"InstallUISequence", "LegalPrompt", "", kUserExit, "the user interface sequence did not ask"},
        {"InstallUISequence", "LegalPrompt", "LEGALPROMPT_ACCEPT=1", 0,
         "the licence agreement is accepted (LEGALPROMPT_ACCEPT=1"},
        {"InstallExecuteSequence", "LegalPromptCheck", "", kFailure, "built with an earlier LegalPrompt.wxi"},
    };
    std::string copy = packages() + "changed.msi";
    strays.push_back(copy);
    for (const auto &c : cases) {
        std::string what = std::string("without ") + c.action + " " + c.property;
        ASSERT_EQ("", without(packages() + "example.msi", copy, c.table, c.action)) << what;
        bool seen = true;
        EXPECT_EQ(c.code, msiexec("/i", "changed.msi", c.property, nullptr, &seen)) << what;
        EXPECT_FALSE(seen) << what;
        EXPECT_EQ(c.code == 0, installed()) << what;
        EXPECT_NE(std::string::npos, log().find(c.logged)) << what << ": " << log();
        if (installed()) {
            EXPECT_EQ(0u, msiexec("/x", "example.msi", "/qn", nullptr)) << "could not remove";
        }
    }
}

// A prompt that cannot run (its library damaged) fails the installation, never accepts.
TEST_F(Package, APromptThatCannotRunFailsTheInstallation)
{
    bool seen = true;
    EXPECT_EQ(kFailure, msiexec("/i", "broken.msi", "", nullptr, &seen));
    EXPECT_FALSE(seen);
    EXPECT_FALSE(installed());
    EXPECT_NE(std::string::npos, log().find("the prompt program failed")) << log();
}

}  // namespace
