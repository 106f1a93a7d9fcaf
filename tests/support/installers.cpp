#include "harness.h"
#include "attack.h"

// Installers' tests: their folders, and what they must leave behind.

void InstallerTest::SetUp()
{
    set_temp(original_temp());
    // Names of their own: Wine gives a new process an earlier one's id again.
    const std::string run = std::to_string(GetTickCount());
    temp = make_temp_dir(("temp" + run).c_str());
    target = make_temp_dir(("target" + run).c_str());
    here = make_temp_dir(("here" + run).c_str());
    set_temp(temp);
    system_before = prompt_folders(system_temp());
}

void InstallerTest::TearDown()
{
    close_stray_dialogs();
    run_limited(false);
    if (temp.empty()) return;  // SetUp did not run: nothing of ours to check or delete
    EXPECT_EQ("", folder_contents(temp)) << "left in the temp folder " << temp;
    EXPECT_EQ(system_before, prompt_folders(system_temp())) << "a prompt folder is left in " << system_temp();
    set_temp(original_temp());
    for (const std::string &dir : {temp, target, here}) remove_tree(dir);
}
