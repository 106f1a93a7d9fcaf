// The three commands.  Each reads its files through the platform, prints through output.h,
// and returns the exit code.
#ifndef LISCN_COMMANDS_H
#define LISCN_COMMANDS_H

#include "scanner.h"

enum ExitCode {
    kExitOk = 0,        // check: shown as written; fix: OUT written, whatever becomes of the report; preview: shown
    kExitProblems = 1,  // check: problems; fix: not written, and why
    kExitTrouble = 2,   // usage error, or a file or stream that cannot be used; fix: OUT not written
};

struct Options {
    Encoding from = Encoding::Auto;
    bool allow_cut = false;
    bool force = false;     // fix replaces a read-only OUT
    bool reflow = false;    // fix joins the lines of hard-wrapped paragraphs
};

// The code page is selected (codepage_select) before any of these.
int check_command(const char *file, const Options &options);
int fix_command(const char *in, const char *out, const Options &options);
int preview_command(const char *file);

#endif
