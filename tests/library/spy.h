// The library's calls to the window and drawing functions it uses while the dialog is set up
// and ended, recorded in order and passed on to the real functions.  The spy rewrites the
// library's import address table for its own lifetime, so every call of the real DLL, as
// either toolchain built it, goes through it.
#ifndef LEGALPROMPT_LIBRARY_SPY_H
#define LEGALPROMPT_LIBRARY_SPY_H

#include <windows.h>

#include <string>
#include <vector>

struct ImportSpy {
    explicit ImportSpy(HMODULE library);
    ~ImportSpy();
    ImportSpy(const ImportSpy &) = delete;
    ImportSpy &operator=(const ImportSpy &) = delete;

    int patched = 0;  // imports rewritten: every one the spy knows (a failure if not)
    // Calls as "GetDeviceCaps(8)", "SetWindowPos(x, y, flags)", "SetFocus(1)" (a control by
    // its identifier, a top-level window as "dialog").
    std::vector<std::string> calls;
    // Faults to give the library: GetDC fails; GetDeviceCaps gives this instead of the size.
    bool fail_get_dc = false;
    int screen_size = -1;

    std::vector<std::string> calls_from(const std::string &first) const;
    int count(const std::string &prefix) const;
};

#endif
