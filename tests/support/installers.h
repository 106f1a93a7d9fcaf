// Installers' tests: their folders, and what they must leave behind.
#ifndef LEGALPROMPT_SUPPORT_INSTALLERS_H
#define LEGALPROMPT_SUPPORT_INSTALLERS_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

// A test that runs installers: a temp folder of its own, which TEMP and TMP name while the test
// runs and which must be empty at its end, as the system's temp folder must hold no prompt
// folder that was not there at the start; a target folder; and here, a folder outside the
// temp folder for the test's own files.  All three are deleted after.
class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string temp, target, here;
    std::vector<std::string> system_before;
};

#endif
