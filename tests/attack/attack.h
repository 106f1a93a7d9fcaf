// What other processes of the same user do to an installer's prompt, for the installers' tests:
// a racer that swaps and adds files in every folder the prompt runs from, code that signals when
// it runs where it was planted, a normal (not elevated) user's programs, and what a process has
// loaded.
#ifndef LEGALPROMPT_ATTACK_H
#define LEGALPROMPT_ATTACK_H

#include <windows.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The folder of the test's planted files: planted.dll (DllMain signals, and its
// DisplayLegalBullshit returns 0 at once: an acceptance nobody gave) and substitute.exe (signals
// and exits 0).  From LEGALPROMPT_PLANTED.
std::string planted_dir();

// Whether planted code ran since the last call: a planted DLL was loaded or the substitute
// program ran.
bool planted_code_ran();

// A folder that the prompt runs from: "lp" and 16 hexadecimal digits.
bool is_prompt_folder(const char *name);
// The prompt folders that are now in dir (ending in a backslash).
std::vector<std::string> prompt_folders(const std::string &dir);
// The system's temp folder, "C:\windows\temp\".
std::string system_temp();

// Watches the folders for prompt folders and, while one is there, keeps trying to put planted
// code in its place: legalprompt.dll and legalpromptw.exe moved away for planted.dll and
// substitute.exe, or written over with them, or those planted under their names before the
// prompt's own are there; planted.dll under the names of DLLs the prompt might load; liscn.txt
// deleted or rewritten.  Counts what it got done.
class Racer {
public:
    explicit Racer(const std::vector<std::string> &watched);
    ~Racer();
    Racer(const Racer &) = delete;
    Racer &operator=(const Racer &) = delete;
    int folders_seen() const { return seen; }
    int swaps_done() const { return swapped; }  // a library, program or text replaced or deleted
    int dlls_added() const { return added; }    // files planted under a name not yet there
    // After the racer has stopped: a prompt folder in dirs that was not in before may still hold
    // what the racer put there once the prompt had ended, after the runner's last pass (an
    // attacker who keeps writing can always outlast a removal).  Checks that it holds nothing
    // but that, and removes it.
    static void remove_litter(const std::vector<std::string> &dirs, const std::vector<std::string> &before);

private:
    void race(const std::string &folder, std::set<std::string> &planted);
    std::vector<std::string> watched;
    std::atomic<bool> stop{false};
    std::atomic<int> seen{0}, swapped{0}, added{0};
    std::thread thread;
};

// Programs that run_program starts from now on run as a normal user (the elevated token's
// linked, limited token) when limited, else as this program runs.
void run_limited(bool limited);
HANDLE limited_token();  // a primary token of that user, or NULL
bool running_limited();
// Whether this process is elevated.
bool elevated();

// Temp folders of every user: TEMP and TMP for the programs started from now on, by a wide name
// (a Cyrillic one); a folder made by a wide name; whether one holds nothing.
void set_temp_wide(const std::wstring &dir);
bool make_dir_wide(const std::wstring &dir);
bool empty_wide(const std::wstring &dir);
void remove_dir_wide(const std::wstring &dir);  // an empty one
std::wstring widen(const std::string &text);     // from the ANSI code page

// Checks, while the prompt is up, that no other process can replace, write, rename or delete
// its files in folder, nor rename the folder.
void check_held(const std::string &folder, const char *what);

// Every user's temp folder, for an elevated and a normal user's install: the prompt runs from a
// folder of its own in the system's temp folder when elevated, else in the user's temp folder
// (temp, ending in a backslash), or in the system's when the library could not open the text
// in the user's (124 characters, or Cyrillic on a Western code page); its files are held
// (check_held); the installer's own text is shown and accepted everywhere, and nothing is left
// anywhere.  install runs the installer
// with user answering, seen telling whether a dialog came; remove undoes an installation.
void check_every_temp_folder(const std::string &temp,
                             const std::function<DWORD(const std::function<void(HWND)> &user, bool *seen)> &install,
                             const std::function<bool()> &installed, const std::function<void()> &remove);

// Runs a program (a full command line) to its end on a window station that nobody sees, as a
// service's or SYSTEM's in session 0, with its standard error to error_output (inheritable) if
// given; its exit code, or 999 when it cannot start or does not end within timeout_ms.
DWORD run_unseen(const std::string &command, DWORD timeout_ms = 20000, HANDLE error_output = nullptr);

// Another process of the user races installs for the prompt's folder (Racer), three for an
// elevated and three for a normal user: the racer's code never runs and its text is never
// shown; each install either shows the installer's own text and ends with 0 on acceptance, or
// ends with failure_code.  install and remove as for check_every_temp_folder; before: the
// prompt folders in the system's temp folder at the start.
void check_race(const std::string &temp, const std::vector<std::string> &before, DWORD failure_code,
                const std::function<DWORD(const std::function<void(HWND)> &user, bool *seen)> &install,
                const std::function<bool()> &installed, const std::function<void()> &remove);

// The full paths of the modules that process pid has loaded, in lower case.
std::vector<std::string> modules_of(DWORD pid);
// The full path of process pid's program.
std::string image_of(DWORD pid);

#endif
