#include "report.h"

#include <cstdio>

#include "codepage.h"

namespace {

std::string format(const char *fmt, unsigned long long a, unsigned long long b = 0, unsigned long long c = 0)
{
    char s[128];
    snprintf(s, sizeof s, fmt, a, b, c);
    return s;
}

// "line 2", "lines 2 and 3", "lines 2, 3, 4 and 9 more": the lines whose end runs them
// together with the next, without the last line of the text.
std::string line_list(const LineEnds &ends)
{
    unsigned long long n = ends.count - (ends.last ? 1 : 0);
    unsigned long long listed = n < 8 ? n : 8;
    std::string s = n == 1 ? "line " : "lines ";
    for (unsigned long long i = 0; i < listed; i++) {
        if (i) s += i + 1 == listed && listed == n ? " and " : ", ";
        s += std::to_string(ends.first[i]);
    }
    if (listed < n) s += " and " + std::to_string(n - listed) + " more";
    return s;
}

std::string line_ends(const LineEnds &ends, const char *kind, unsigned long long last_line)
{
    std::string out;
    unsigned long long n = ends.count - (ends.last ? 1 : 0);
    if (n)
        out += "  problem: " + count(n, "line ends", "lines end") + " with " + kind + " alone: " +
               line_list(ends) + (n == 1 ? " runs" : " run") +
               " together with the line after (the dialog breaks lines only at CR LF)\n";
    if (ends.last)
        out += "  problem: the last line, line " + std::to_string(last_line) + ", ends with " + kind +
               " alone, which the dialog does not show as a line end\n";
    return out;
}

// The bytes of a UTF-8 mark as the code page shows them, in UTF-8.
std::string mark_as_shown()
{
    static const unsigned char mark[3] = {0xEF, 0xBB, 0xBF};
    std::string s;
    for (size_t i = 0; i < 3;) {
        long c;
        i += codepage_decode(mark + i, 3 - i, &c);
        s += utf8_of(c < 0 ? 0xFFFD : c);
    }
    return s;
}

bool unicode(Encoding e) { return e == Encoding::Utf8 || e == Encoding::Utf16le || e == Encoding::Utf16be; }

// Bytes as UTF-8 or as the code page would show them, in quotes: a sequence that is no
// character as U+FFFD, control characters as their pictures.
std::string reading(const unsigned char *p, size_t n, bool utf8)
{
    std::string s = "\"";
    for (size_t i = 0; i < n;) {
        long c;
        size_t k = utf8 ? utf8_decode(p + i, n - i, true, &c) : (size_t)codepage_decode(p + i, n - i, &c);
        if (c == 0x7F) c = 0x2421;
        else if (c >= 0 && c < 0x20) c += 0x2400;
        else if (c >= 0x80 && c <= 0x9F) c = -1;  // a C1 control steers a terminal too
        s += utf8_of(c < 0 ? 0xFFFD : c);
        i += k;
    }
    return s + "\"";
}

}  // namespace

std::string broken_places(const Report &r)
{
    std::string places;
    unsigned long long listed = r.utf8_broken < 8 ? r.utf8_broken : 8;
    for (unsigned long long i = 0; i < listed; i++)
        places += (i ? i + 1 == listed && listed == r.utf8_broken ? " and " : ", " : "") +
                  format("0x%02llX at ", r.broken_byte[i]) + where(r.broken[i]);
    if (listed < r.utf8_broken) places += " and " + std::to_string(r.utf8_broken - listed) + " more";
    return places;
}

std::string mixed_reading(const Report &r)
{
    const std::string cp_name = "code page " + std::to_string(codepage_current());
    std::string places = broken_places(r);
    std::string out;
    if (r.cut_at_end && r.utf8_broken == 1)
        out += "the text is UTF-8 (" + count(r.utf8_valid, "character", "characters") +
               " outside ASCII), but its last character is cut: " + places;
    else
        out += "the text is UTF-8 (" + count(r.utf8_valid, "character", "characters") + " outside ASCII) but for " +
               count(r.utf8_broken, "sequence that is", "sequences that are") + " not: " + places +
               "; an editor may have saved part of it as " + cp_name;
    const unsigned char *c = r.context;
    out += "; there it reads as UTF-8 " + reading(c, r.context_length, true) + " and as " + cp_name + " " +
           reading(c, r.context_length, false) + "; say which is meant: 'liscn fix --from ansi' keeps the bytes "
           "as " + cp_name + ", '--from utf-8' converts the UTF-8 and shows where it breaks";
    return out;
}

std::string utf8_of(long c)
{
    std::string s;
    if (c < 0x80) {
        s += (char)c;
    } else if (c < 0x800) {
        s += (char)(0xC0 | c >> 6);
    } else if (c < 0x10000) {
        s += (char)(0xE0 | c >> 12);
        s += (char)(0x80 | (c >> 6 & 0x3F));
    } else {
        s += (char)(0xF0 | c >> 18);
        s += (char)(0x80 | (c >> 12 & 0x3F));
        s += (char)(0x80 | (c >> 6 & 0x3F));
    }
    if (c >= 0x80) s += (char)(0x80 | (c & 0x3F));
    return s;
}

std::string count(unsigned long long n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string where(const Place &p)
{
    return format("line %llu, column %llu (byte %llu)", p.line, p.column, p.byte);
}

const char *encoding_name(Encoding e)
{
    switch (e) {
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16le: return "UTF-16 LE";
    case Encoding::Utf16be: return "UTF-16 BE";
    default: return "ANSI";
    }
}

std::string cut_notes(const Report &r, const std::string &kind)
{
    if (!r.cut) return "";
    std::string out = kind + format("the dialog shows bytes 1 to %llu and cuts the text before byte %llu, at ",
                                    kShownBytes, kShownBytes + 1) +
                      format("line %llu, column %llu: ", r.cut_at.line, r.cut_at.column) +
                      count(r.size - kShownBytes, "byte is", "bytes are") + " not shown\n";
    if (r.cut_splits_crlf)
        out += kind + format("the cut falls between the CR and the LF that end line %llu, so the dialog's "
                             "last line ends with CR alone\n", r.cut_at.line);
    if (r.cut_splits_character)
        out += kind + format("the cut falls inside the character at line %llu, column %llu: the dialog gets "
                             "only the start of it\n", r.cut_at.line, r.cut_at.column);
    return out;
}

std::string quoted_character(long c)
{
    char name[16];
    snprintf(name, sizeof name, "U+%04lX", (unsigned long)c);
    bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
    return control ? std::string(name) : "\"" + utf8_of(c) + "\" (" + name + ")";
}

std::string shown_name(const std::string &name)
{
    // Control characters and bytes that are no UTF-8 would steer or garble the terminal.
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const unsigned char *p = (const unsigned char *)name.data() + i, b = *p;
        long c;
        size_t n = utf8_decode(p, name.size() - i, true, &c);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {  // C1 too: 0x9B opens a sequence
            char esc[8];
            snprintf(esc, sizeof esc, b == '\n' ? "\\n" : b == '\t' ? "\\t" : b == '\r' ? "\\r" : "\\x%02X", b);
            out += esc;
            n = 1;
        } else {
            out.append(name, i, n);
        }
        i += n;
    }
    return out;
}

bool has_problems(const Report &r, bool allow_cut)
{
    bool utf16 = r.encoding == Encoding::Utf16le || r.encoding == Encoding::Utf16be;
    return r.empty || (r.cut && !allow_cut) || r.zeros || r.utf8_mark || utf16 || r.lf.count ||
           r.cr.count || r.bad || (r.encoding == Encoding::Utf8 && r.non_ascii) || r.mixed;
}

std::string describe(const Report &r, const std::string &file, bool allow_cut)
{
    const int cp = codepage_current();
    const std::string cp_name = "code page " + std::to_string(cp);
    const bool utf16 = r.encoding == Encoding::Utf16le || r.encoding == Encoding::Utf16be;
    std::string out = shown_name(file) + ": " + count(r.size, "byte", "bytes") + ", " + count(r.lines, "line", "lines") +
                      ", read as " + (r.encoding == Encoding::Ansi ? cp_name : encoding_name(r.encoding)) +
                      format("; the dialog shows up to %llu bytes\n", kShownBytes);

    if (r.empty)
        out += r.size ? "  problem: no text: the file holds a byte-order mark alone\n"
                      : "  problem: no text: the file is empty, and the dialog shows an empty box\n";
    if (utf16)
        out += std::string("  problem: the text is ") + encoding_name(r.encoding) +
               (r.utf16_mark ? " (it starts with a byte-order mark)" : " without a byte-order mark") +
               ", which the dialog cannot show; 'liscn fix" +
               (r.utf16_mark ? "" : r.encoding == Encoding::Utf16le ? " --from utf-16le" : " --from utf-16be") +
               "' converts it\n";
    out += cut_notes(r, allow_cut ? "  note: " : "  problem: ");
    if (r.zeros) {
        out += "  problem: a zero byte at " + where(r.zero);
        if (r.zero.byte <= kShownBytes)
            out += " ends the text: the dialog shows only the " + count(r.zero.byte - 1, "byte", "bytes") + " before it";
        else
            out += " (after the cut)";
        if (r.zeros > 1) out += " (" + count(r.zeros - 1, "more zero byte follows", "more zero bytes follow") + ")";
        out += "\n";
    }
    if (r.utf8_mark)
        out += "  problem: a UTF-8 byte-order mark: the dialog shows it as the characters \"" + mark_as_shown() +
               "\"\n";
    out += line_ends(r.lf, "LF", r.lines);
    out += line_ends(r.cr, "CR", r.lines);
    if (r.bad) {
        std::string first = (r.bad_unit >= 0 ? format("U+%04llX at ", (unsigned long long)r.bad_unit)
                                              : format("0x%02llX at ", r.bad_byte)) + where(r.first_bad);
        if (unicode(r.encoding))
            out += std::string("  problem: the text is not valid ") + encoding_name(r.encoding) + ": " +
                   count(r.bad, "sequence is", "sequences are") + " no character, the first " + first +
                   (r.utf8_mark ? ", although it starts with a UTF-8 byte-order mark" : "") + "\n";
        else if (r.bad == 1)
            out += "  problem: byte " + first + " is no character of " + cp_name +
                   ": the dialog cannot show it as a letter\n";
        else
            out += "  problem: " + count(r.bad, "byte is", "bytes are") + " no character of " + cp_name +
                   ", the first " + first + ": the dialog cannot show them as letters\n";
    }
    if (r.encoding == Encoding::Utf8 && r.non_ascii && !r.bad)
        out += "  problem: the text is UTF-8 (" + count(r.non_ascii, "character", "characters") +
               " outside ASCII, the first at " + where(r.first_non_ascii) + "): " + cp_name +
               " shows each of them as two or more wrong characters; 'liscn fix' converts it (if it is " +
               cp_name + " already, say --from ansi)\n";
    else if (r.mixed)
        out += "  problem: " + mixed_reading(r) + "\n";
    else if (r.encoding == Encoding::Ansi && r.non_ascii)
        out += "  note: " + count(r.non_ascii, "character", "characters") + " outside ASCII, the first at " +
               where(r.first_non_ascii) + ", read as " + cp_name + "; 'liscn preview' shows them as the dialog will" +
               (r.also_utf8 ? "; the bytes also read as UTF-8, and --from ansi says they are not" : "") +
               (r.also_utf16 ? "; they begin as UTF-16's byte-order mark does, and --from ansi says it is none" : "") +
               "\n";

    out += has_problems(r, allow_cut) ? "the dialog will not show this file as written; 'liscn fix' writes one that it "
                                        "will, or says why it cannot\n"
                                      : "ok: the dialog shows this file as written\n";
    return out;
}
