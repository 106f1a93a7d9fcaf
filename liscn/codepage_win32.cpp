// Double-byte code pages through MultiByteToWideChar.
#include <windows.h>

#include "codepage.h"

long platform_decode(int cp, const unsigned char *p, int n)
{
    WCHAR w[2];
    // MB_ERR_INVALID_CHARS: a sequence that is no character fails instead of becoming the
    // default character.
    if (MultiByteToWideChar((UINT)cp, MB_ERR_INVALID_CHARS, (LPCSTR)p, n, w, 2) != 1) return -1;
    return w[0];
}
