// End-to-end harness: a host program that loads legalprompt.dll, calls DisplayLegalBullshit on
// its main thread, and acts as the user from a second thread with real keyboard and mouse
// input (SendInput).  Nothing here is specific to Wine; every wait is a poll with a time-out.
#ifndef LEGALPROMPT_E2E_HARNESS_H
#define LEGALPROMPT_E2E_HARNESS_H

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

typedef int(WINAPI *DisplayFn)(void);

// The library, loaded for the life of the object and freed after.
struct Library {
    explicit Library(const std::string &path = "legalprompt.dll");
    ~Library();
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    HMODULE module;
    DisplayFn display;
};

// ---- files ----
std::string program_dir();  // this program's directory, ending in a backslash
std::string text_path();    // "liscn.txt" in the program's directory, where the search begins
bool write_file(const std::string &path, const std::string &bytes);
void remove_file(const std::string &path);
std::string make_temp_dir(const char *name);  // a fresh empty directory, ending in a backslash
// Restores the current directory when it goes out of scope.
struct CurrentDirectory {
    explicit CurrentDirectory(const std::string &dir);
    ~CurrentDirectory();
    char saved[MAX_PATH];
};

// ---- waiting ----
// Polls condition every 10 ms until it holds or timeout_ms passes; whether it held.
bool wait_until(const std::function<bool()> &condition, DWORD timeout_ms = 10000);

// ---- the dialog ----
// A visible "License Agreement" dialog of process pid (default: this one; ANY_PROCESS: any)
// that is not in except, or NULL.
const DWORD ANY_PROCESS = (DWORD)-1;
HWND find_dialog(const std::vector<HWND> &except = {}, DWORD pid = 0);
HWND wait_for_dialog(const std::vector<HWND> &except = {}, DWORD timeout_ms = 10000, DWORD pid = 0);
// Waits until the dialog is in front and holds the keyboard focus, and its thread is idle.
bool settle(HWND dialog);
HWND focus_of(HWND window);  // the focus window of the window's thread
std::string text_of(HWND window);
HWND control(HWND dialog, int id);

// ---- input ----
void press(WORD vk);
// Modifier held while vk is pressed; the modifier is confirmed down before vk goes.
bool chord(HWND dialog, WORD modifier, WORD vk);
bool click_at(POINT screen_point);
bool click_centre(HWND window);
// A point of the caption's close box, found by asking the window what is where.
bool close_box(HWND dialog, POINT *point);
// Presses Tab until the focus is on target (at most four times).
bool tab_to(HWND dialog, HWND target);

// ---- a prompt ----
// Calls display on this thread while user acts on the dialog from a second thread once it is
// up and settled.  A dialog that does not appear, or is still up ten seconds after the user
// has acted, fails the test and is then closed, so that a regression cannot hang the suite.
int run_prompt(DisplayFn display, const std::function<void(HWND)> &user);

// Runs a program (a full command line) to its end; act, if given, runs meanwhile with the
// program's process id.  Its exit code, or 999 when it cannot start or does not end within
// timeout_ms after act.  error_output, if given, is an inheritable handle for its standard error.
DWORD run_program(const std::string &command, const std::function<void(DWORD pid)> &act = nullptr,
                  DWORD creation_flags = 0, DWORD timeout_ms = 10000, HANDLE error_output = nullptr);

// Runs a program (a full command line) to its end while user answers the agreement dialog
// that it, or a program it starts, shows; with user null none is expected, and one that comes is
// ended at once.  seen, if given, tells whether a dialog came.  The exit code, as run_program.
// With optional, a dialog need not come for user to act on.
DWORD run_and_answer(const std::string &command, const std::function<void(HWND)> &user, bool *seen = nullptr,
                     DWORD timeout_ms = 10000, HANDLE error_output = nullptr, bool optional = false);

// What a folder (ending in a backslash) holds, names relative to it ("nsa1.tmp/{a.exe } b.txt ");
// "" when empty.
std::string folder_contents(const std::string &dir);
// This program's temp folder as it started, whatever set_temp has done since.
const std::string &original_temp();
// Points TEMP and TMP, which this program and the ones it starts take, at dir.
void set_temp(const std::string &dir);
// Deletes a folder (ending in a backslash) and all it holds.
void remove_tree(const std::string &dir);
// Ends every agreement dialog still up, of whatever process, so that a failed test leaves
// nothing waiting for an answer.
void close_stray_dialogs();

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

// A text of exactly size bytes: numbered lines of printable characters ended by CR LF.
std::string sample_text(size_t size);

#endif
