// Double-byte code pages through iconv, which names them CP932, CP936, CP949 and CP950.
#include <iconv.h>

#include <cstdio>

#include "codepage.h"

long platform_decode(int cp, const unsigned char *p, int n)
{
    static iconv_t cd = (iconv_t)-1;
    static int open_cp;
    if (open_cp != cp) {
        if (cd != (iconv_t)-1) iconv_close(cd);
        char name[16];
        snprintf(name, sizeof name, "CP%d", cp);
        cd = iconv_open("UTF-32LE", name);
        open_cp = cp;
    }
    if (cd == (iconv_t)-1) return -1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = (char *)p, out[8], *o = out;
    size_t in_left = (size_t)n, out_left = sizeof out;
    // All n bytes must make exactly one character: a lone lead byte or a pair read as two
    // characters is no character.
    if (iconv(cd, &in, &in_left, &o, &out_left) == (size_t)-1 || in_left != 0 || o - out != 4) return -1;
    const unsigned char *u = (const unsigned char *)out;
    return (long)(u[0] | u[1] << 8 | u[2] << 16 | (unsigned long)u[3] << 24);
}

int platform_encode(int cp, unsigned long c, unsigned char out[2])
{
    char name[16];
    snprintf(name, sizeof name, "CP%d", cp);
    iconv_t cd = iconv_open(name, "UTF-32LE");
    if (cd == (iconv_t)-1) return 0;
    unsigned char u[4] = {(unsigned char)c, (unsigned char)(c >> 8), (unsigned char)(c >> 16), 0};
    char *in = (char *)u, *o = (char *)out;
    size_t in_left = 4, out_left = 2;
    size_t r = iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    return r == (size_t)-1 || in_left ? 0 : (int)(2 - out_left);
}
