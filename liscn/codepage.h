// The code pages liscn reads and writes: the ANSI code pages of Windows, since the dialog
// shows its text in the system's ANSI code page and in no other.  One table, the same on
// every build: the single-byte pages are built in, and the double-byte pages (932, 936, 949,
// 950) are read from the platform's converter once, with the same rule applied to both.
#ifndef LISCN_CODEPAGE_H
#define LISCN_CODEPAGE_H

#include <cstddef>

// The code pages taken, for messages: "874, 932, 936, 949, 950, 1250-1258".
extern const char kCodePageList[];

// Makes cp the code page of the calls below; false when cp is not one of the table's, or the
// platform cannot convert it.
bool codepage_select(int cp);
int codepage_current();
// Whether the code page has characters of two bytes (932, 936, 949, 950).
bool codepage_double_byte();

// The character at p (n > 0 bytes available): returns its length in bytes (1 or 2) and puts
// its code point in *c, or -1 when the bytes are no character of the code page.  A lead byte
// whose next byte cannot be a trail byte (a line end, a zero, the end of the text) is a
// character of one byte that is no character.
int codepage_decode(const unsigned char *p, size_t n, long *c);
// Whether b starts a two-byte character, and whether b can be the second byte of one.
bool codepage_lead_byte(unsigned char b);
// Whether b alone is a character of the code page (never for a lead byte), for fast paths.
extern unsigned short g_codepage_single[256];
inline bool codepage_single_letter(unsigned char b) { return g_codepage_single[b] != 0; }
// Whether the code page has a place for code point c, for fast paths.
extern unsigned short g_codepage_encode[65536];
inline bool codepage_has(unsigned long c) { return c < 65536 && g_codepage_encode[c] != 0; }
inline bool codepage_trail_byte(unsigned char b) { return b >= 0x40 && b != 0x7F && b != 0xFF; }
// The bytes of code point c in out: returns 1 or 2, or 0 when the code page has no place for
// c.  Exact: no best fit, no default character.
int codepage_encode(unsigned long c, unsigned char out[2]);

// The platform's converter, for the double-byte pages only: the code point of the n (1 or 2)
// bytes at p, or -1 when they are not exactly one character.
long platform_decode(int cp, const unsigned char *p, int n);
// The platform's own bytes for code point c (1 or 2, in out), or 0 when it has none or only a
// best fit.  Asked only where several byte sequences decode to c.
int platform_encode(int cp, unsigned long c, unsigned char out[2]);

#endif
