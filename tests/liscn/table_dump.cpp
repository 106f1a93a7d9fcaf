// Prints liscn's table of a code page, both ways, for compare_tables.py: "d BYTES CODEPOINT"
// for every byte 0x80-0xFF and every lead and trail pair, "e CODEPOINT BYTES" for every
// character from U+0080 to U+FFFF that has bytes; "-" for none.
#include <cstdio>
#include <cstdlib>

#include "codepage.h"

int main(int argc, char **argv)
{
    if (argc != 2 || !codepage_select(atoi(argv[1]))) return 2;
    for (int b = 0x80; b < 0x100; b++) {
        unsigned char p[2] = {(unsigned char)b, 0};
        if (!codepage_lead_byte((unsigned char)b)) {
            long c;
            codepage_decode(p, 1, &c);
            c < 0 ? printf("d %02X -\n", b) : printf("d %02X %04lX\n", b, c);
            continue;
        }
        for (int t = 0x40; t < 0xFF; t++) {
            p[1] = (unsigned char)t;
            long c = -1;
            if (codepage_trail_byte(p[1])) codepage_decode(p, 2, &c);
            c < 0 ? printf("d %02X%02X -\n", b, t) : printf("d %02X%02X %04lX\n", b, t, c);
        }
    }
    for (unsigned long c = 0x80; c < 0x10000; c++) {
        unsigned char out[2];
        int n = codepage_encode(c, out);
        if (n == 1) printf("e %04lX %02X\n", c, out[0]);
        if (n == 2) printf("e %04lX %02X%02X\n", c, out[0], out[1]);
    }
    return 0;
}
