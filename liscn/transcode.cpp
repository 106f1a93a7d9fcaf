#include "transcode.h"

#include <cstdio>
#include <cstring>

#include "codepage.h"
#include "report.h"


Fixer::Fixer(Encoding encoding, bool allow_cut, ByteSink *sink, bool watch_input)
    : encoding_(encoding == Encoding::Auto ? Encoding::Utf8 : encoding), trusting_utf8_(encoding == Encoding::Auto),
      allow_cut_(allow_cut), sink_(sink), scanner_(Encoding::Ansi), watch_input_(watch_input),
      input_(encoding_ == Encoding::Ansi ? Encoding::Auto : encoding_)
{
}

std::string Fixer::source() const
{
    if (encoding_ == Encoding::Ansi) return "code page " + std::to_string(codepage_current());
    std::string name = encoding_name(encoding_);
    if (encoding_ == Encoding::Utf8 && !mark_ && !non_ascii_) name = "ASCII";
    return mark_ ? name + " with a byte-order mark" : name;
}

std::string Fixer::here() const
{
    char s[96];
    snprintf(s, sizeof s, "line %llu, column %llu (byte %llu)", line_, column_, byte_);
    return s;
}

// While UTF-8 is only trusted, a refusal waits until the end: a later byte may show that the
// text is in the code page after all, and then it is read again as such, as check reads it.
FixStatus Fixer::refuse(const std::string &why)
{
    if (error_.empty()) error_ = why;
    return trusting_utf8_ || watch_input_ ? FixStatus::Going : FixStatus::Refused;
}

FixStatus Fixer::flush()
{
    scanner_.feed(buffer_, buffered_);
    written_ += buffered_;
    // Past what the dialog shows, a result that may not be cut is only measured, for the
    // refusal, not written.
    bool ok = (allow_cut_ || written_ <= kShownBytes) ? sink_->write(buffer_, buffered_) : true;
    buffered_ = 0;
    return ok ? FixStatus::Going : FixStatus::SinkFailed;
}

FixStatus Fixer::put(const unsigned char *p, size_t n)
{
    if (!error_.empty()) return FixStatus::Going;  // a refusal waits: nothing more is written
    if (n <= sizeof buffer_ - buffered_) {
        memcpy(buffer_ + buffered_, p, n);
        buffered_ += n;
        return FixStatus::Going;
    }
    while (n) {
        if (buffered_ == sizeof buffer_ && flush() != FixStatus::Going) return FixStatus::SinkFailed;
        size_t k = n < sizeof buffer_ - buffered_ ? n : sizeof buffer_ - buffered_;
        memcpy(buffer_ + buffered_, p, k);
        buffered_ += k;
        p += k;
        n -= k;
    }
    return FixStatus::Going;
}

size_t Fixer::decode(const unsigned char *p, size_t n, bool last, long *c)
{
    if (encoding_ == Encoding::Utf8) return utf8_decode(p, n, last, c);
    if (encoding_ == Encoding::Ansi) {
        if (n < 2 && codepage_lead_byte(p[0]) && !last) return 0;
        return (size_t)codepage_decode(p, n, c);
    }
    const bool le = encoding_ == Encoding::Utf16le;
    *c = -1;
    if (n < 2) return last ? n : 0;  // an odd byte at the end
    unsigned u = le ? p[0] | p[1] << 8 : p[0] << 8 | p[1];
    if (u >= 0xDC00 && u <= 0xDFFF) return 2;
    if (u < 0xD800 || u > 0xDBFF) {
        *c = u;
        return 2;
    }
    if (n < 4) return last ? 2 : 0;
    unsigned low = le ? p[2] | p[3] << 8 : p[2] << 8 | p[3];
    if (low < 0xDC00 || low > 0xDFFF) return 2;
    *c = 0x10000 + ((long)(u - 0xD800) << 10) + (low - 0xDC00);
    return 4;
}

FixStatus Fixer::character(long c, size_t length, const unsigned char *bytes)
{
    if (c < 0) {
        if (trusting_utf8_) return FixStatus::NotUtf8;
        char byte[8];
        const bool unit = (encoding_ == Encoding::Utf16le || encoding_ == Encoding::Utf16be) && length >= 2;
        if (unit)  // a lone surrogate, named as the unit it is
            snprintf(byte, sizeof byte, "U+%04X", encoding_ == Encoding::Utf16le ? bytes[0] | bytes[1] << 8
                                                                                 : bytes[0] << 8 | bytes[1]);
        else
            snprintf(byte, sizeof byte, "0x%02X", bytes[0]);
        if (encoding_ == Encoding::Ansi)
            return refuse(std::string("byte ") + byte + " at " + here() + " is no character of code page " +
                          std::to_string(codepage_current()));
        return refuse(std::string("the text is not valid ") + encoding_name(encoding_) + " at " + here() + " (" +
                      byte + ")" + (mark_ == 3 ? ", although it starts with a UTF-8 byte-order mark" : ""));
    }
    if (c == 0) return refuse("a zero byte at " + here() + " would end the text there");
    FixStatus s;
    if (c == '\r' || c == '\n') {
        bool lf_of_crlf = c == '\n' && after_cr_;
        after_cr_ = c == '\r';
        byte_ += length;
        if (lf_of_crlf) return FixStatus::Going;
        characters_++;
        line_++;
        column_ = 1;
        static const unsigned char crlf[2] = {'\r', '\n'};
        return put(crlf, 2);
    }
    after_cr_ = false;
    unsigned char out[2];
    // A text already in the code page keeps its own bytes: some pages (932) have two byte
    // sequences for one character, and fix must not trade one for the other.
    int n = encoding_ == Encoding::Ansi ? (int)length : codepage_encode((unsigned long)c, out);
    if (encoding_ == Encoding::Ansi) memcpy(out, bytes, length);
    if (!n) {
        return refuse(quoted_character(c) + " at " + here() + " has no place in code page " +
                      std::to_string(codepage_current()));
    }
    if (n == 1 && buffered_ < sizeof buffer_ && error_.empty())
        buffer_[buffered_++] = out[0];
    else if ((s = put(out, (size_t)n)) != FixStatus::Going)
        return s;
    characters_++;
    non_ascii_ += c >= 0x80;
    column_++;
    byte_ += length;
    return FixStatus::Going;
}

FixStatus Fixer::run(const unsigned char *p, size_t n, bool last)
{
    FixStatus s;
    if (carry_len_) {
        // Finish the character that the last block began.
        unsigned char joined[8];
        size_t k = n < 4 ? n : 4, pos = 0;
        memcpy(joined, carry_, carry_len_);
        if (k) memcpy(joined + carry_len_, p, k);
        while (pos < carry_len_) {
            long c;
            size_t len = decode(joined + pos, carry_len_ + k - pos, last && k == n, &c);
            if (len == 0) {  // all of p is in joined, and the character goes on still
                memmove(carry_, joined + pos, carry_len_ + k - pos);
                carry_len_ = carry_len_ + k - pos;
                return FixStatus::Going;
            }
            if ((s = character(c, len, joined + pos)) != FixStatus::Going) return s;
            pos += len;
        }
        p += pos - carry_len_;
        n -= pos - carry_len_;
        carry_len_ = 0;
    }
    const bool bytes = encoding_ == Encoding::Utf8 || encoding_ == Encoding::Ansi;
    for (size_t i = 0; i < n;) {
        // A run of plain ASCII goes out as it came in; so does CR LF.
        size_t j = i;
        while (bytes && j < n && plain_ascii(p[j])) j++;
        if (j == i && bytes && j + 1 < n && p[j] == '\r' && p[j + 1] == '\n') {
            if ((s = put(p + j, 2)) != FixStatus::Going) return s;
            characters_++;
            line_++;
            column_ = 1;
            byte_ += 2;
            after_cr_ = false;
            i += 2;
            continue;
        }
        if (j > i) {
            if ((s = put(p + i, j - i)) != FixStatus::Going) return s;
            characters_ += j - i;
            column_ += j - i;
            byte_ += j - i;
            after_cr_ = false;
            i = j;
            continue;
        }
        if (bytes && p[i] == '\n' && !after_cr_) {  // LF alone, often many in a row: CR LF out
            size_t k = i;
            while (k < n && p[k] == '\n' && buffered_ + 2 <= sizeof buffer_ && error_.empty()) {
                buffer_[buffered_++] = '\r';
                buffer_[buffered_++] = '\n';
                k++;
            }
            if (k == i) {
                static const unsigned char crlf[2] = {'\r', '\n'};
                if ((s = put(crlf, 2)) != FixStatus::Going) return s;
                k++;
            }
            characters_ += k - i;
            line_ += k - i;
            column_ = 1;
            byte_ += k - i;
            i = k;
            continue;
        }
        long c;
        size_t len;
        if (encoding_ == Encoding::Utf8 && i + 1 < n && p[i] >= 0xC2 && p[i] <= 0xDF && (p[i + 1] & 0xC0) == 0x80) {
            c = (p[i] & 0x1F) << 6 | (p[i + 1] & 0x3F);  // the commonest character outside ASCII
            len = 2;
        } else {
            len = decode(p + i, n - i, last, &c);
        }
        if (len == 0) {
            memcpy(carry_, p + i, n - i);
            carry_len_ = n - i;
            break;
        }
        if ((s = character(c, len, p + i)) != FixStatus::Going) return s;
        i += len;
    }
    return FixStatus::Going;
}

FixStatus Fixer::begin(bool last)
{
    begun_ = true;
    mark_ = mark_length(head_, head_len_, encoding_);
    if (mark_ == 3 && encoding_ == Encoding::Utf8) trusting_utf8_ = false;  // the mark settles it
    byte_ = mark_ + 1;
    return run(head_ + mark_, head_len_ - mark_, last);
}

FixStatus Fixer::feed(const unsigned char *p, size_t n)
{
    if (watch_input_) input_.feed(p, n);
    if (!begun_) {
        while (head_len_ < 3 && n) head_[head_len_++] = *p++, n--;
        if (head_len_ < 3) return FixStatus::Going;
        FixStatus s = begin(false);
        if (s != FixStatus::Going) return s;
    }
    return run(p, n, false);
}

FixStatus Fixer::finish()
{
    FixStatus s = begun_ ? run(nullptr, 0, true) : begin(true);
    if (s != FixStatus::Going) return s;
    trusting_utf8_ = false;  // all of it is UTF-8
    if (watch_input_) {
        const Report in = input_.finish();
        watch_input_ = false;
        if (in.mixed) {
            error_ = mixed_reading(in);
            return FixStatus::Refused;
        }
        if (encoding_ == Encoding::Utf8 && in.utf8_broken)
            error_ = "the text is not valid UTF-8: " + count(in.utf8_broken, "sequence is", "sequences are") +
                     " no character: " + broken_places(in) + (mark_ == 3 ? ", although it starts with a UTF-8 "
                                                                         "byte-order mark" : "");
    }
    if (!error_.empty()) return FixStatus::Refused;
    if (characters_ == 0)
        return refuse(mark_ ? "the text is a byte-order mark alone, with nothing after it"
                            : "the text is empty: the dialog would show an empty box");
    if ((s = flush()) != FixStatus::Going) return s;
    output_ = scanner_.finish();
    if (output_.utf8_mark)
        return refuse("the result would begin with the bytes EF BB BF, which read as a UTF-8 byte-order mark");
    // What fix writes, check reads as written and a second fix leaves alone.  A result that
    // reads as UTF-8 or UTF-16 too would be taken for that; only a text the user called ANSI
    // may be one, and check agrees when told --from ansi as well.
    if (encoding_ != Encoding::Ansi && output_.also_mixed)
        return refuse("the result would read as UTF-8 but for " + count(output_.utf8_broken, "sequence", "sequences") +
                      " (from " + where(output_.first_non_ascii) + "), and check would take it for a mixed text: "
                      "some of it looks garbled already, UTF-8 once read as code page " +
                      std::to_string(codepage_current()) + "; mend the source, or give the text in the code page "
                      "with --from ansi");
    if (encoding_ != Encoding::Ansi && output_.also_utf8)
        return refuse("the result would read as UTF-8 too (from " + where(output_.first_non_ascii) +
                      "), and check would take it for UTF-8: the text looks garbled already, UTF-8 once read as "
                      "code page " + std::to_string(codepage_current()) + " (\"\xC3\x83\xC2\xA9\" for "
                      "\"\xC3\xA9\"); mend the source, or give the text in the code page with --from ansi");
    if (encoding_ != Encoding::Ansi && output_.also_utf16)
        return refuse(std::string("the result would begin with the bytes ") +
                      "of a UTF-16 byte-order mark (\"\xC3\xBF\xC3\xBE\" or \"\xC3\xBE\xC3\xBF\" in code page " +
                      std::to_string(codepage_current()) + "), and check would read it as UTF-16; give the text in "
                      "the code page with --from ansi if it is meant");
    if (output_.cut && !allow_cut_) {
        char s2[200];
        snprintf(s2, sizeof s2,
                 "the result is %llu bytes; the dialog shows %lu and would cut it at line %llu, column %llu "
                 "(--allow-cut writes it all the same)",
                 output_.size, kShownBytes, output_.cut_at.line, output_.cut_at.column);
        return refuse(s2);
    }
    return FixStatus::Written;
}

FixRun fix_stream(ByteSource *in, Encoding from, bool allow_cut, ByteSink *out)
{
    static unsigned char block[1 << 16];
    FixRun run = {FixStatus::ReadFailed, "", "", Report()};
    long n = 0, r = 0;
    while (n < (long)sizeof block && (r = in->read(block + n, sizeof block - n)) > 0) n += r;
    if (r < 0) return run;
    const long first = n;
    // Whether the first block holds all of the text: the end was seen, and nothing after it.
    unsigned long long total = (unsigned long long)n;
    bool ended = r == 0;
    Encoding encoding = sniff(block, (size_t)n, from);
    if (from == Encoding::Auto && encoding != Encoding::Auto && !mark_length(block, (size_t)n, encoding)) {
        run.status = FixStatus::Refused;
        run.error = std::string("the text looks like ") + encoding_name(encoding) +
                    " without a byte-order mark; --from " +
                    (encoding == Encoding::Utf16le ? "utf-16le" : "utf-16be") + " converts it";
        return run;
    }
    for (;;) {
        // Read as ANSI after UTF-8 failed, or UTF-8 on the user's word: the input is watched.
        bool watch = (from == Encoding::Auto && encoding == Encoding::Ansi) || from == Encoding::Utf8;
        Fixer fixer(encoding, allow_cut, out, watch);
        FixStatus status = FixStatus::Going;
        while (n > 0 && status == FixStatus::Going) {
            status = fixer.feed(block, (size_t)n);
            if (status == FixStatus::Going && (n = in->read(block, sizeof block)) < 0) return run;
            if (status == FixStatus::Going) total += (unsigned long long)n, ended = n == 0;
        }
        if (status == FixStatus::Going) status = fixer.finish();
        if (status == FixStatus::NotUtf8) {
            encoding = Encoding::Ansi;
            if (!in->rewind()) {
                // A pipe cannot be read again, but a short text is still in the first block.
                unsigned char probe;
                if (!ended && total == (unsigned long long)first) ended = in->read(&probe, 1) == 0;
                if (ended && total == (unsigned long long)first) {
                    n = first;
                    if (!out->restart()) {
                        run.status = FixStatus::SinkFailed;
                        return run;
                    }
                    continue;
                }
                run.error = "the text is not UTF-8, and it comes from a pipe that cannot be read again; "
                            "--from ansi reads it as the code page at once";
                return run;
            }
            if (!out->restart()) {
                run.status = FixStatus::SinkFailed;
                return run;
            }
            if ((n = in->read(block, sizeof block)) < 0) return run;
            total = (unsigned long long)n;
            continue;
        }
        run.status = status;
        run.error = fixer.error();
        run.source = fixer.source();
        run.output = fixer.output();
        run.mark = fixer.mark();
        return run;
    }
}
