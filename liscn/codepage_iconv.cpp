#include <errno.h>
#include <iconv.h>

#include "codepage.h"

namespace {

std::string iconv_name(int cp) { return "CP" + std::to_string(cp); }

// Converts all of in; false at the first sequence iconv cannot convert (its offset in *bad).
// With no //TRANSLIT or //IGNORE, iconv stops there instead of guessing.
bool convert(const char *to, const char *from, const std::string &in, std::string *out, size_t *bad)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) {
        *bad = 0;
        return false;
    }
    out->clear();
    char *src = const_cast<char *>(in.data());
    size_t left = in.size();
    char buffer[4096];
    bool ok = true;
    while (left > 0) {
        char *dst = buffer;
        size_t room = sizeof buffer;
        size_t n = iconv(cd, &src, &left, &dst, &room);
        out->append(buffer, dst - buffer);
        if (n == (size_t)-1 && errno != E2BIG) {
            *bad = src - in.data();
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

}  // namespace

bool codepage_supported(int cp)
{
    iconv_t cd = iconv_open("UTF-8", iconv_name(cp).c_str());
    if (cd == (iconv_t)-1) return false;
    iconv_close(cd);
    return true;
}

bool ansi_to_utf8(const std::string &bytes, int cp, std::string *utf8, size_t *bad)
{
    return convert("UTF-8", iconv_name(cp).c_str(), bytes, utf8, bad);
}

bool utf8_to_ansi(const std::string &utf8, int cp, std::string *bytes, size_t *bad)
{
    return convert(iconv_name(cp).c_str(), "UTF-8", utf8, bytes, bad);
}
