// What the prompt program tells its user: one message at a time, built in a fixed buffer and
// written whole to standard output or standard error.
#ifndef PROMPT_SAY_H
#define PROMPT_SAY_H

#include <windows.h>

// Text the program wrote itself, in ASCII.
void say(const char *text);
// The start of a message: the program's name, then text.
void complain(const char *text);
// Paths and arguments, control characters shown as "?".
void say_wide(const WCHAR *text);
void say_number(unsigned long number);
// The system's own words for an error, and its number: "Access is denied. (error 5)".
void say_system_error(DWORD error);
// Writes what was said to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE and starts a new message;
// FALSE when it could not be written whole.
BOOL tell(DWORD std_handle);

#endif
