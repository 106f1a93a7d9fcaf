#include "text_report.h"

#include <cstdio>

namespace {

std::string format(const char *fmt, size_t a = 0, size_t b = 0, size_t c = 0, size_t d = 0)
{
    char line[256];
    snprintf(line, sizeof line, fmt, a, b, c, d);
    return line;
}

std::string where(const Position &p)
{
    return format("line %zu, column %zu (byte %zu)", p.line, p.column, p.offset);
}

std::string line_list(const std::vector<size_t> &lines)
{
    std::string s;
    size_t shown = lines.size() < 8 ? lines.size() : 8;
    for (size_t i = 0; i < shown; i++) s += (i ? ", " : "") + std::to_string(lines[i]);
    if (shown < lines.size()) s += format(" and %zu more", lines.size() - shown);
    return s;
}

}  // namespace

bool valid_utf8(const std::string &bytes)
{
    const unsigned char *p = (const unsigned char *)bytes.data(), *end = p + bytes.size();
    while (p < end) {
        unsigned c = *p++;
        if (c < 0x80) continue;
        int more;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF) more = 1, min = 0x80, c &= 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) more = 2, min = 0x800, c &= 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) more = 3, min = 0x10000, c &= 0x07;
        else return false;
        if (end - p < more) return false;
        for (int i = 0; i < more; i++) {
            if ((p[i] & 0xC0) != 0x80) return false;
            c = c << 6 | (p[i] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        p += more;
    }
    return true;
}

Position position_of(const std::string &bytes, size_t offset, bool utf8)
{
    Position p;
    p.offset = offset;
    p.line = 1;
    p.column = 1;
    for (size_t i = 0; i < offset && i < bytes.size(); i++) {
        unsigned char c = bytes[i];
        bool crlf = c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (c == '\n' || (c == '\r' && !crlf)) {
            p.line++;
            p.column = 1;
        } else if (!crlf && !(utf8 && (c & 0xC0) == 0x80)) {
            p.column++;
        }
    }
    return p;
}

TextReport analyse(const std::string &bytes)
{
    TextReport r;
    r.size = bytes.size();
    bool utf8_valid = valid_utf8(bytes);

    const std::string read = bytes.substr(0, kShownBytes);
    size_t zero = read.find('\0');
    r.shown = zero == std::string::npos ? read.size() : zero;
    r.zero = zero != std::string::npos;

    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) r.bom = Bom::Utf8;
    else if (bytes.compare(0, 2, "\xFF\xFE") == 0) r.bom = Bom::Utf16le;
    else if (bytes.compare(0, 2, "\xFE\xFF") == 0) r.bom = Bom::Utf16be;

    size_t line = 1;
    for (size_t i = 0; i < bytes.size(); i++) {
        unsigned char c = bytes[i];
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            i++;
            line++;
        } else if (c == '\n') {
            r.lf_only_lines.push_back(line++);
        } else if (c == '\r') {
            r.cr_only_lines.push_back(line++);
        } else if (c >= 0x80 && r.non_ascii++ == 0) {
            r.first_non_ascii.offset = i;
        }
    }
    // A line break at the very end closes the last line rather than opening another.
    bool ends_with_break = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
    r.lines = bytes.empty() ? 0 : ends_with_break ? line - 1 : line;
    r.utf8 = utf8_valid && r.non_ascii > 0;

    if (r.non_ascii) r.first_non_ascii = position_of(bytes, r.first_non_ascii.offset, utf8_valid);
    if (r.zero) r.zero_at = position_of(bytes, zero, utf8_valid);
    r.cut = bytes.size() > kShownBytes;
    if (r.cut) r.cut_at = position_of(bytes, kShownBytes, utf8_valid);
    return r;
}

bool TextReport::has_problems() const
{
    return shown == 0 || cut || zero || bom != Bom::None || !lf_only_lines.empty() ||
           !cr_only_lines.empty() || utf8;
}

std::string describe(const TextReport &r, const std::string &file, int codepage)
{
    std::string out = file + format(": %zu bytes, %zu lines; the dialog shows up to %zu bytes\n", r.size, r.lines, kShownBytes);

    if (r.size == 0)
        out += "  problem: the file is empty: the dialog shows an empty box\n";
    if (r.cut)
        out += "  problem: the text is cut after byte " + std::to_string(kShownBytes) + ", at " +
               where(r.cut_at) + format(": %zu bytes are not shown\n", r.size - kShownBytes);
    if (r.zero)
        out += "  problem: a zero byte at " + where(r.zero_at) +
               format(" ends the text: %zu of the bytes read are not shown\n",
                      (r.cut ? kShownBytes : r.size) - r.zero_at.offset) +
               (r.zero_at.offset == 0 ? "  problem: nothing is shown at all\n" : "");
    if (r.bom == Bom::Utf8)
        out += "  problem: a UTF-8 byte-order mark: the dialog shows it as the characters \"\xC3\xAF\xC2\xBB\xC2\xBF\"\n";
    if (r.bom == Bom::Utf16le || r.bom == Bom::Utf16be)
        out += "  problem: a UTF-16 byte-order mark: the text is UTF-16, which the dialog cannot show; save it as ANSI\n";
    if (!r.lf_only_lines.empty())
        out += format("  problem: %zu line(s) end with LF alone: ", r.lf_only_lines.size()) + "lines " +
               line_list(r.lf_only_lines) + " run together with the line after (the dialog breaks lines only at CR LF)\n";
    if (!r.cr_only_lines.empty())
        out += format("  problem: %zu line(s) end with CR alone: ", r.cr_only_lines.size()) + "lines " +
               line_list(r.cr_only_lines) + " run together with the line after\n";
    if (r.utf8)
        out += format("  problem: the text is UTF-8 (%zu bytes outside ASCII, the first at ", r.non_ascii) +
               where(r.first_non_ascii) + format("): code page %zu shows each of them as a separate, wrong character\n", codepage);
    else if (r.non_ascii)
        out += format("  note: %zu bytes outside ASCII, the first at ", r.non_ascii) + where(r.first_non_ascii) +
               format("; not UTF-8, so taken as code page %zu: see them with 'liscn preview'\n", codepage);

    out += r.has_problems() ? "the dialog will not show this file as written; 'liscn fix' writes one that it will\n"
                            : "ok: the dialog shows this file as written\n";
    return out;
}
