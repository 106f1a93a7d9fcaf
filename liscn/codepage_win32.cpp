#include <windows.h>

#include "codepage.h"

namespace {

bool to_wide(const std::string &in, UINT cp, DWORD flags, std::wstring *out)
{
    out->clear();
    if (in.empty()) return true;
    int n = MultiByteToWideChar(cp, flags, in.data(), (int)in.size(), nullptr, 0);
    if (n <= 0) return false;
    out->resize(n);
    return MultiByteToWideChar(cp, flags, in.data(), (int)in.size(), &(*out)[0], n) == n;
}

// Converts to cp; false when a character would be replaced by a default or a best fit.
bool from_wide(const std::wstring &in, UINT cp, std::string *out)
{
    out->clear();
    if (in.empty()) return true;
    DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL *check = cp == CP_UTF8 ? nullptr : &defaulted;
    int n = WideCharToMultiByte(cp, flags, in.data(), (int)in.size(), nullptr, 0, nullptr, check);
    if (n <= 0 || defaulted) return false;
    out->resize(n);
    return WideCharToMultiByte(cp, flags, in.data(), (int)in.size(), &(*out)[0], n, nullptr, check) == n &&
           !defaulted;
}

// Length of the UTF-8 sequence that starts with lead.
size_t sequence_length(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

bool codepage_supported(int cp) { return cp > 0 && cp < 65000 && IsValidCodePage((UINT)cp); }

bool ansi_to_utf8(const std::string &bytes, int cp, std::string *utf8, size_t *bad)
{
    std::wstring wide;
    if (to_wide(bytes, cp, MB_ERR_INVALID_CHARS, &wide) && from_wide(wide, CP_UTF8, utf8)) return true;
    // Find the first byte that is no character of cp (single-byte code pages).
    for (*bad = 0; *bad < bytes.size(); ++*bad)
        if (!to_wide(bytes.substr(*bad, 1), cp, MB_ERR_INVALID_CHARS, &wide)) break;
    return false;
}

bool utf8_to_ansi(const std::string &utf8, int cp, std::string *bytes, size_t *bad)
{
    std::wstring wide;
    if (to_wide(utf8, CP_UTF8, MB_ERR_INVALID_CHARS, &wide) && from_wide(wide, cp, bytes)) return true;
    // Find the first character that cp cannot hold.
    std::string one;
    for (*bad = 0; *bad < utf8.size(); *bad += sequence_length(utf8[*bad])) {
        std::string piece = utf8.substr(*bad, sequence_length(utf8[*bad]));
        if (!to_wide(piece, CP_UTF8, MB_ERR_INVALID_CHARS, &wide) || !from_wide(wide, cp, &one)) break;
    }
    return false;
}
