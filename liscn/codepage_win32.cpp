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

int platform_encode(int cp, unsigned long c, unsigned char out[2])
{
    WCHAR w = (WCHAR)c;
    BOOL defaulted = FALSE;
    // WC_NO_BEST_FIT_CHARS: a character the page lacks is not traded for a look-alike.
    int n = WideCharToMultiByte((UINT)cp, WC_NO_BEST_FIT_CHARS, &w, 1, (LPSTR)out, 2, nullptr, &defaulted);
    return defaulted ? 0 : n;
}
