#include "text_fix.h"

#include <cstdio>

#include "codepage.h"

namespace {

std::string crlf_line_ends(const std::string &text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') i++;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string at(const std::string &text, size_t offset, bool utf8)
{
    Position p = position_of(text, offset, utf8);
    return "line " + std::to_string(p.line) + ", column " + std::to_string(p.column);
}

std::string code_point(const std::string &utf8, size_t offset)
{
    unsigned char lead = utf8[offset];
    size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned c = n == 1 ? lead : lead & (0x7F >> n);
    for (size_t i = 1; i < n && offset + i < utf8.size(); i++) c = c << 6 | (utf8[offset + i] & 0x3F);
    char name[16];
    snprintf(name, sizeof name, "U+%04X", c);
    return "\"" + utf8.substr(offset, n) + "\" (" + name + ")";
}

}  // namespace

FixResult fix_text(const std::string &in, int cp, bool allow_cut)
{
    FixResult r;
    const std::string cp_name = "code page " + std::to_string(cp);
    if (in.compare(0, 2, "\xFF\xFE") == 0 || in.compare(0, 2, "\xFE\xFF") == 0) {
        r.error = "the text is UTF-16; save it as UTF-8 or ANSI first";
        return r;
    }
    size_t zero = in.find('\0');
    if (zero != std::string::npos) {
        r.error = "a zero byte at " + at(in, zero, valid_utf8(in)) + " would end the text there";
        return r;
    }

    std::string utf8;
    if (in.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        utf8 = in.substr(3);
        r.source = "UTF-8 with byte-order mark";
        if (!valid_utf8(utf8)) {
            r.error = "the text has a UTF-8 byte-order mark but is not valid UTF-8";
            return r;
        }
    } else if (valid_utf8(in)) {
        utf8 = in;
        r.source = "UTF-8";
    } else {
        size_t bad = 0;
        r.source = cp_name;
        if (!ansi_to_utf8(in, cp, &utf8, &bad)) {
            char byte[8];
            snprintf(byte, sizeof byte, "0x%02X", (unsigned char)in[bad]);
            r.error = std::string("byte ") + byte + " at " + at(in, bad, false) +
                      " is neither UTF-8 nor a character of " + cp_name;
            return r;
        }
    }

    utf8 = crlf_line_ends(utf8);
    size_t bad = 0;
    if (!utf8_to_ansi(utf8, cp, &r.bytes, &bad)) {
        r.error = code_point(utf8, bad) + " at " + at(utf8, bad, true) + " has no place in " + cp_name;
        r.bytes.clear();
        return r;
    }

    r.cut = r.bytes.size() > kShownBytes;
    if (r.cut) {
        r.cut_at = position_of(r.bytes, kShownBytes, false);
        if (!allow_cut) {
            r.error = "the result is " + std::to_string(r.bytes.size()) + " bytes; the dialog shows " +
                      std::to_string(kShownBytes) + " and would cut it at line " +
                      std::to_string(r.cut_at.line) + ", column " + std::to_string(r.cut_at.column) +
                      " (--allow-cut writes it all the same)";
            r.bytes.clear();
            return r;
        }
    }
    r.ok = true;
    return r;
}
