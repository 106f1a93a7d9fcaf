// Runs the prompt program for an installer, so that no planted file and no process that ends
// the prompt can answer in the user's place (a process that can send input to the user's
// desktop can still press Accept, as it can press any button):
// - the program, the library and the text go into a new folder with an unguessable name, in
//   the system's temp folder when the installer is elevated or SYSTEM (only SYSTEM and the
//   Administrators may enter it), else in the user's, or in the system's where the library
//   could not open the text in the user's (a long path, or characters outside the ANSI code
//   page; then the user, SYSTEM and the Administrators alone may enter it);
// - each file is created new, then held open so that nobody may write, rename or delete it
//   until the program has ended, and read back through that handle: what runs is what the
//   caller gave, byte for byte; the folder itself is held the same way, and it is the program's
//   current folder, so the library's search for the text ends there;
// - the program inherits two handles and no more: its answer channel and its error output;
//   it runs in a job that ends it if the installer is ended;
// - it is accepted only when the program exits with 0 and has written, on the answer channel,
//   the run's key, 128 random bits that nobody else has: a prompt that was ended with exit code
//   0 by another process has written nothing;
// - everything is removed at the end, whatever the folder then holds, never through a link;
// - while it waits, the calling thread's windows answer what is sent to them and repaint, and
//   take no input.
// One run at a time: the state lives in fixed buffers, and a call made while a run is up (from a
// window procedure, during the wait) fails with "another prompt is still up".
#ifndef LEGALPROMPT_RUN_H
#define LEGALPROMPT_RUN_H

#include <windows.h>

enum {
    RUN_ACCEPTED,  // the user accepted, and the program gave the run's key
    RUN_DECLINED,  // the user did not accept
    RUN_NO_TEXT,   // the library could not open or read the text; nothing was shown
    RUN_UNSEEN,    // nobody could see the dialog (a service, or SYSTEM in session 0)
    RUN_FAILED     // the prompt could not be run, or ended in another way: see the report
};

// The files, in this order: the prompt program, the library, the text.
enum { RUN_PROGRAM, RUN_LIBRARY, RUN_TEXT, RUN_FILES };
struct RunFile {
    const void *bytes;
    DWORD size;
};

struct RunReport {
    const WCHAR *failed;  // RUN_FAILED: what could not be done, or how the program ended
    DWORD error;          // its system error code, or the program's exit code
    WCHAR path[MAX_PATH + 64];  // the folder, or the file that `failed` concerns
    WCHAR said[2048];     // what the program wrote on its error output, as one line
};

// Runs the prompt for `files` and returns one of the RUN_ outcomes; `report` says more.
int run_prompt_program(const RunFile files[RUN_FILES], RunReport *report);

// The names of the files in the folder.
extern const WCHAR *const kRunFileNames[RUN_FILES];

#endif
