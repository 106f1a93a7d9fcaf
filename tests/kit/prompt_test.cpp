// The prompt programs as an installer runs them, with other processes' files beside them and on
// a window station that nobody sees.
#include <string>
#include <vector>

#include "attack.h"
#include "harness.h"

namespace {

const char *const kPrograms[] = {"legalprompt.exe", "legalpromptw.exe"};

bool copy_file(const std::string &from, const std::string &to) { return CopyFileA(from.c_str(), to.c_str(), FALSE); }

// DLLs of every name the prompt, the library or the system might look for beside the program
// are never loaded: the program imports known DLLs alone and loads the rest from the system
// folder.
TEST(Prompt, DllsPlantedBesideItAreNeverLoaded)
{
    const char *const names[] = {"shcore.dll", "shell32.dll", "shlwapi.dll", "version.dll", "uxtheme.dll",
                                 "imm32.dll", "msimg32.dll", "dwmapi.dll", "comctl32.dll", "win32u.dll",
                                 "kernelbase.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "sechost.dll",
                                 "cryptbase.dll", "propsys.dll", "msctf.dll", "winmm.dll", "ole32.dll"};
    for (const char *program : kPrograms) {
        std::string folder = make_temp_dir("planted");
        ASSERT_TRUE(copy_file(program_dir() + program, folder + program));
        ASSERT_TRUE(copy_file(program_dir() + "legalprompt.dll", folder + "legalprompt.dll"));
        ASSERT_TRUE(write_file(folder + "liscn.txt", "THE TEXT\r\n"));
        for (const char *name : names) ASSERT_TRUE(copy_file(planted_dir() + "planted.dll", folder + name)) << name;
        planted_code_ran();
        bool seen = false;
        DWORD code = run_and_answer("\"" + folder + program + "\"", [](HWND) { press(VK_ESCAPE); }, &seen);
        EXPECT_EQ(1u, code) << program;
        EXPECT_TRUE(seen) << program;
        // What ran tells, not the list of modules: Wine names the builtin DLLs that it loads in
        // place of files of the same name by those files' paths.
        EXPECT_FALSE(planted_code_ran()) << program << ": planted code ran";
        remove_tree(folder);
    }
}

// On a window station that is not shown (a service's, SYSTEM's in session 0) the program ends
// at once with 4 and says why: the dialog would wait for an answer for ever.
TEST(Prompt, NobodyCanSeeTheDialogEndsAtOnce)
{
    for (const char *program : kPrograms) {
        std::string why = make_temp_dir("unseen") + "why.txt";
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        HANDLE error = CreateFileA(why.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, error);
        DWORD code = run_unseen("\"" + program_dir() + program + "\"", 10000, error);
        CloseHandle(error);
        EXPECT_EQ(4u, code) << program;
        std::string said;
        HANDLE file = CreateFileA(why.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        char buffer[512];
        DWORD got = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, buffer, sizeof buffer, &got, nullptr);
            CloseHandle(file);
        }
        said.assign(buffer, got);
        EXPECT_NE(std::string::npos, said.find("nobody can see a dialog")) << program << " said: " << said;
        remove_tree(why.substr(0, why.size() - 7));
    }
}

}  // namespace
