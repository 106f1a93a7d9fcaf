// Whether the library can open a file by its full path.  It opens liscn.txt with the 8-bit
// OpenFile, whose OFSTRUCT holds 128 bytes of path in the ANSI code page: a path of 128 bytes
// or more, or one with a character that the code page lacks, is out of its reach.
#ifndef LEGALPROMPT_REACH_H
#define LEGALPROMPT_REACH_H

#include <windows.h>

enum { REACH_OK, REACH_NOT_ANSI, REACH_TOO_LONG };

// The longest full path, in bytes of the ANSI code page, that the library opens.
static const int kLongestReach = 127;

// REACH_OK, REACH_NOT_ANSI or REACH_TOO_LONG for the `length` characters at `path`; the path's
// length in the ANSI code page goes to `*ansi_length` when it has one.
int library_reach(const WCHAR *path, int length, int *ansi_length);

#endif
