#include "codepage.h"

#include <cstring>

#include "codepage_tables.inc"

namespace {

struct Page {
    int number;
    const unsigned short *upper;    // single-byte pages: bytes 0x80-0xFF
    unsigned char lead[2][2];       // double-byte pages: lead byte ranges
};

const Page kPages[] = {
    {874, kUpper874, {}},
    {932, nullptr, {{0x81, 0x9F}, {0xE0, 0xFC}}},
    {936, nullptr, {{0x81, 0xFE}, {0x81, 0xFE}}},
    {949, nullptr, {{0x81, 0xFE}, {0x81, 0xFE}}},
    {950, nullptr, {{0x81, 0xFE}, {0x81, 0xFE}}},
    {1250, kUpper1250, {}}, {1251, kUpper1251, {}}, {1252, kUpper1252, {}},
    {1253, kUpper1253, {}}, {1254, kUpper1254, {}}, {1255, kUpper1255, {}},
    {1256, kUpper1256, {}}, {1257, kUpper1257, {}}, {1258, kUpper1258, {}},
};

// Trail bytes of the double-byte pages lie in 0x40-0xFE.
const int kTrailFirst = 0x40, kTrailCount = 0xFF - 0x40;

const Page *g_page;
}  // namespace

unsigned short g_codepage_single[256];              // code point of each byte, 0: none or a lead

namespace {

unsigned short (&g_single)[256] = g_codepage_single;
unsigned short g_double[128 * kTrailCount];         // lead 0x80-0xFF by trail 0x40-0xFE
}  // namespace

unsigned short g_codepage_encode[65536];            // bytes of each BMP code point, 0: none

namespace {

unsigned short (&g_encode)[65536] = g_codepage_encode;
bool g_lead[256];

// The platform gives control characters U+0080-U+009F and private-use code points to byte
// sequences that are no character of the page (Windows maps 0x81 of 1252 to U+0081, for one;
// iconv refuses it).  Both count as no character, so every build reads alike.
bool is_character(long c)
{
    return c > 0 && !(c >= 0x80 && c <= 0x9F) && !(c >= 0xE000 && c <= 0xF8FF) && c != 0xFFFD && c <= 0xFFFF;
}

unsigned char g_decodings[65536];                   // how many byte sequences decode to each

void remember_encoding(unsigned c, unsigned bytes)
{
    if (!g_encode[c]) g_encode[c] = (unsigned short)bytes;  // the lowest, until told otherwise
    if (g_decodings[c] < 255) g_decodings[c]++;
}

bool load_double_byte(const Page &page)
{
    for (int b = 0x80; b < 0x100; b++)
        g_lead[b] = (b >= page.lead[0][0] && b <= page.lead[0][1]) || (b >= page.lead[1][0] && b <= page.lead[1][1]);
    int characters = 0;
    for (int b = 0x80; b < 0x100; b++) {
        if (g_lead[b]) {
            for (int t = kTrailFirst; t < 0xFF; t++) {
                if (t == 0x7F) continue;
                const unsigned char pair[2] = {(unsigned char)b, (unsigned char)t};
                long c = platform_decode(page.number, pair, 2);
                if (!is_character(c)) continue;
                g_double[(b - 0x80) * kTrailCount + (t - kTrailFirst)] = (unsigned short)c;
                characters++;
            }
        } else {
            const unsigned char one = (unsigned char)b;
            long c = platform_decode(page.number, &one, 1);
            if (is_character(c)) g_single[b] = (unsigned short)c;
        }
    }
    if (characters == 0) return false;  // the platform has no converter for it
    for (int b = 0x80; b < 0x100; b++) {
        if (g_single[b]) remember_encoding(g_single[b], b);
        if (!g_lead[b]) continue;
        for (int t = kTrailFirst; t < 0xFF; t++) {
            unsigned short c = g_double[(b - 0x80) * kTrailCount + (t - kTrailFirst)];
            if (c) remember_encoding(c, b << 8 | t);
        }
    }
    // Where several sequences decode to one character (950's 十 as A2CC and A451, 932's NEC and
    // IBM rows), a text written for Windows uses the one that Windows writes: the platform's
    // encoder says which, provided its answer decodes back to the character.
    for (unsigned c = 0x80; c < 65536; c++) {
        if (g_decodings[c] < 2) continue;
        unsigned char out[2];
        int n = platform_encode(page.number, c, out);
        long back = -1;
        if (n > 0) codepage_decode(out, (size_t)n, &back);
        if (back == (long)c) g_encode[c] = (unsigned short)(n == 2 ? out[0] << 8 | out[1] : out[0]);
    }
    return true;
}

}  // namespace

const char kCodePageList[] = "874, 932, 936, 949, 950, 1250-1258";

bool codepage_select(int cp)
{
    const Page *page = nullptr;
    for (const Page &p : kPages)
        if (p.number == cp) page = &p;
    if (!page) return false;
    if (page == g_page) return true;
    memset(g_single, 0, sizeof g_single);
    memset(g_double, 0, sizeof g_double);
    memset(g_encode, 0, sizeof g_encode);
    memset(g_lead, 0, sizeof g_lead);
    memset(g_decodings, 0, sizeof g_decodings);
    for (int b = 1; b < 0x80; b++) g_single[b] = (unsigned short)b;
    for (int b = 1; b < 0x80; b++) g_encode[b] = (unsigned short)b;
    g_page = nullptr;
    if (page->upper) {
        for (int b = 0x80; b < 0x100; b++) {
            g_single[b] = page->upper[b - 0x80];
            if (g_single[b]) remember_encoding(g_single[b], b);
        }
    } else if (!load_double_byte(*page)) {
        return false;
    }
    g_page = page;
    return true;
}

int codepage_current() { return g_page ? g_page->number : 0; }
bool codepage_double_byte() { return g_page && !g_page->upper; }
bool codepage_lead_byte(unsigned char b) { return g_lead[b]; }

int codepage_decode(const unsigned char *p, size_t n, long *c)
{
    unsigned char b = p[0];
    if (g_lead[b]) {
        if (n < 2 || !codepage_trail_byte(p[1])) {
            *c = -1;
            return 1;
        }
        unsigned short d = g_double[(b - 0x80) * kTrailCount + (p[1] - kTrailFirst)];
        *c = d ? d : -1;
        return 2;
    }
    *c = b == 0 ? 0 : g_single[b] ? g_single[b] : -1;
    return 1;
}

int codepage_encode(unsigned long c, unsigned char out[2])
{
    if (c == 0) {
        out[0] = 0;
        return 1;
    }
    if (c > 0xFFFF || !g_encode[c]) return 0;
    unsigned bytes = g_encode[c];
    if (bytes > 0xFF) {
        out[0] = (unsigned char)(bytes >> 8);
        out[1] = (unsigned char)bytes;
        return 2;
    }
    out[0] = (unsigned char)bytes;
    return 1;
}
