// Prompts run in this process, on this thread: what a test does inside the dialog runs from
// the dialog's own modal loop, started by a message that the driver posts to the thread before
// the call.  No second thread and no input: results are read back from the real windows.
#ifndef LEGALPROMPT_LIBRARY_DRIVER_H
#define LEGALPROMPT_LIBRARY_DRIVER_H

#include <functional>
#include <string>

#include "agreement_ids.h"
#include "harness.h"
#include "legalprompt.h"

struct Prompt {
    int outcome = 99;  // what DisplayLegalBullshit returned
    int windows = 0;   // windows created during the call, controls included
    bool acted = false;
};

// Calls display once.  act runs once, inside the modal loop, as soon as the call's dialog
// exists and has been initialised, and is expected to end it.  A dialog not ended 5 s after act
// fails the test and is ended by the driver (with any other dialog the call has up), so a
// regression fails instead of hanging; so does an exception thrown by act.  A call that blocks
// without any dialog fails after 10 s; ctest's time limit ends it.
Prompt run_prompt_here(DisplayFn display, const std::function<void(HWND)> &act = nullptr);
// Runs probe inside the dialog, then ends it (with 0) if probe has not.
Prompt inside_dialog(DisplayFn display, const std::function<void(HWND)> &probe);
// Posts the notification a click on the button sends.
void click(HWND dialog, int id);

// Handles of this process, as the system lists them (GetProcessHandleCount is always 0 under
// Wine); -1 where the list cannot be had.
int handles_open();
// Top-level windows of this thread.
int windows_of_this_thread();
// Whether the file opens with no sharing at all: nobody holds a handle to it.
bool nobody_has_open(const std::string &path);

#endif
