// Why the prompt program could not do its work, in the words it prints.
#ifndef PROMPT_WHY_H
#define PROMPT_WHY_H

#include <windows.h>

// The library at `path` did not load with `error`: the system's words, and what the file is
// when that tells more (a folder, a DLL of the other width, not a DLL at all).
void explain_load_failure(const WCHAR *path, DWORD error);

// Where the text was looked for, in `program_folder` and in the current folder, and for each
// what was wrong with it: absent, a folder, a path that the library's 8-bit open cannot take.
void explain_no_text(const WCHAR *program_folder);

#endif
