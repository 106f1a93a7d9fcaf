#include "fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

void PromptTest::SetUp()
{
    standin::reset();
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    saved_cwd_ = cwd;
    // Short paths: the platform's file call refuses full paths of 128 characters or more.
    char tmpl[] = "/tmp/lpXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    root_ = tmpl;
    program_dir_ = root_ + "/program";
    current_dir_ = root_ + "/current";
    std::filesystem::create_directory(program_dir_);
    std::filesystem::create_directory(current_dir_);
    ASSERT_EQ(0, chdir(current_dir_.c_str()));
    standin::set_program_dir(program_dir_);

    module_ = standin::load_module(AGREEMENT_RES);
    ASSERT_EQ(TRUE, DllMain(module_, DLL_PROCESS_ATTACH, nullptr));
    std::memset(agreement_text, kMarker, sizeof agreement_text);
}

void PromptTest::TearDown()
{
    standin::reset();
    if (!saved_cwd_.empty()) {
        EXPECT_EQ(0, chdir(saved_cwd_.c_str()));
    }
    if (!root_.empty()) std::filesystem::remove_all(root_);
}

void PromptTest::write_text(const std::string &bytes, const std::string &dir)
{
    std::string path = (dir.empty() ? current_dir_ : dir) + "/liscn.txt";
    std::ofstream(path, std::ios::binary) << bytes;
}

int PromptTest::prompt(standin::User act)
{
    standin::set_user([this, act](HWND dialog) {
        shown_ = standin::text(GetDlgItem(dialog, IDC_AGREEMENT_TEXT));
        shown_rect_ = standin::rect(dialog);
        act(dialog);
    });
    return DisplayLegalBullshit();
}

int PromptTest::prompt_and_accept()
{
    return prompt([](HWND dialog) { standin::click(dialog, IDOK); });
}

// Printable lines of 64 bytes ended by CR LF, cut to size, each byte telling its place.
std::string repeat_text(size_t size)
{
    std::string s;
    while (s.size() < size) s += (s.size() % 66 == 64) ? "\r\n" : std::string(1, (char)('A' + s.size() % 26));
    return s.substr(0, size);
}
