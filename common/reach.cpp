#include "reach.h"

int library_reach(const WCHAR *path, int length, int *ansi_length)
{
    // No best fit: the library would open another name than the one meant ("e" for "é").
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, length, NULL, 0, NULL, &lossy);
    if (lossy || (bytes == 0 && length > 0))
        return REACH_NOT_ANSI;
    *ansi_length = bytes;
    return bytes > kLongestReach ? REACH_TOO_LONG : REACH_OK;
}
