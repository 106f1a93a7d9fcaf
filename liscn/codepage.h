// Conversions between UTF-8 and a Windows ANSI code page, by the platform's own converters:
// iconv on POSIX systems, MultiByteToWideChar and WideCharToMultiByte on Windows.
#ifndef LISCN_CODEPAGE_H
#define LISCN_CODEPAGE_H

#include <cstddef>
#include <string>

// Whether the platform converts code page cp (1252, 1250, 1251, ...).
bool codepage_supported(int cp);
// bytes in code page cp as UTF-8; false when a byte is no character of cp (its offset in *bad).
bool ansi_to_utf8(const std::string &bytes, int cp, std::string *utf8, size_t *bad);
// utf8 in code page cp; false when a character has no place in cp (its offset in *bad).
bool utf8_to_ansi(const std::string &utf8, int cp, std::string *bytes, size_t *bad);

#endif
