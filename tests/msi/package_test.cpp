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

#include "agreement_ids.h"
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
                  const std::function<void(HWND)> &user, bool *seen = nullptr)
    {
        log_path = here + std::to_string(++runs) + ".log";
        std::string command = std::string("msiexec ") + verb + " \"" + packages() + package + "\" /l*v \"" +
                              log_path + "\" INSTALLDIR=\"" + target + "\" " + arguments;
        return run_and_answer(command, user, seen, 60000);
    }
    DWORD install(const std::function<void(HWND)> &user, const std::string &arguments = "", bool *seen = nullptr)
    {
        return msiexec("/i", "example.msi", arguments, user, seen);
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

// Declined in every user interface that has a user: full (the user interface sequence), and
// reduced, basic and passive (the execute sequence); asked once in each.
TEST_F(Package, DeclinedEndsWith1602AndInstallsNothing)
{
    const struct {
        const char *arguments;
        std::function<void(HWND)> answer;
    } cases[] = {
        {"", [](HWND) { press(VK_ESCAPE); }},
        {"", [](HWND d) { click_centre(control(d, IDCANCEL)); }},
        {"/qr", [](HWND) { press(VK_ESCAPE); }},
        {"/qb", [](HWND) { press(VK_ESCAPE); }},
        {"/passive", [](HWND) { press(VK_ESCAPE); }},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kUserExit, install(c.answer, c.arguments)) << c.arguments;
        EXPECT_FALSE(installed()) << c.arguments;
        std::string said = log();
        EXPECT_NE(std::string::npos, said.find("did not accept")) << c.arguments << ": " << said;
        EXPECT_EQ(said.find("LegalPrompt: "), said.rfind("LegalPrompt: ")) << c.arguments << " asked twice: " << said;
    }
}

// The library opens the text by an 8-bit path of at most 127 bytes: in a temp folder of 110
// characters the package's text cannot be opened; the log says where it was looked for and why.
TEST_F(Package, NoTextEndsWith1602AndTheLogSaysWhy)
{
    ASSERT_LT(temp.size(), 100u) << "the temp folder is too long for this test";
    std::string deep = temp + std::string(110 - temp.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    set_temp(deep);
    bool seen = true;
    EXPECT_EQ(kUserExit, install(nullptr, "", &seen));
    EXPECT_FALSE(seen) << "a dialog appeared with no text to show";
    EXPECT_FALSE(installed());
    std::string said = log();
    EXPECT_NE(std::string::npos, said.find("could not be shown")) << said;
    EXPECT_NE(std::string::npos, said.find("at most 127")) << said;
    EXPECT_EQ("", folder_contents(deep + "\\")) << "left in " << deep;
    set_temp(temp);
    RemoveDirectoryA(deep.c_str());
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

// With no user interface nobody can answer: only LEGALPROMPT_ACCEPT=1 lets it go on, and the
// log says so either way.
TEST_F(Package, WithNoUserInterfaceOnlyTheCommandLineAccepts)
{
    const struct {
        const char *arguments;
        DWORD code;
        const char *logged;
    } cases[] = {
        {"/qn", kUserExit, "add LEGALPROMPT_ACCEPT=1"},
        {"/quiet", kUserExit, "add LEGALPROMPT_ACCEPT=1"},
        {"/qn LEGALPROMPT_ACCEPT=0", kUserExit, "add LEGALPROMPT_ACCEPT=1"},
        {"/qn LEGALPROMPT_ACCEPT=1", 0, "accepted on the command line"},
    };
    for (const auto &c : cases) {
        bool seen = true;
        EXPECT_EQ(c.code, install(nullptr, c.arguments, &seen)) << c.arguments;
        EXPECT_FALSE(seen) << c.arguments << " showed the dialog";
        EXPECT_EQ(c.code == 0, installed()) << c.arguments;
        EXPECT_NE(std::string::npos, log().find(c.logged)) << c.arguments << ": " << log();
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
