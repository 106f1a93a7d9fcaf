// Processes: the library in this one, a prompt on this thread, and programs run to their end.
#ifndef LEGALPROMPT_SUPPORT_PROCESSES_H
#define LEGALPROMPT_SUPPORT_PROCESSES_H

#include <windows.h>

#include <functional>
#include <string>

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
// The same for a program that runs the library itself (a prompt program, the Go example), whose
// 1 without a dialog is the library's failure to make one: that is run once more, saying
// "retried:", for a rare failure of Wine's.
DWORD run_prompt_and_answer(const std::string &command, const std::function<void(HWND)> &user,
                            bool *seen = nullptr, DWORD timeout_ms = 10000, HANDLE error_output = nullptr);
// The same, with what the program wrote on its standard error in said: the example programs of
// the kit's packages say there why they did not go on.
DWORD run_prompt_and_hear(const std::string &command, const std::function<void(HWND)> &user, bool *seen,
                          std::string *said);

#endif
