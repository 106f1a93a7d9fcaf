#include "scanner.h"

#include <cstring>

#include "codepage.h"

Encoding sniff(const unsigned char *p, size_t n, Encoding from)
{
    if (from != Encoding::Auto) return from;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) return Encoding::Utf16le;
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) return Encoding::Utf16be;
    // Text in UTF-16 has a zero in one byte of most units (all of them for Latin letters);
    // text in UTF-8 or a code page has none, or a stray one.  Text in UTF-16 whose letters
    // mostly lie above U+00FF (Chinese, say) is not recognised without its mark.
    size_t units = n / 2, zero_even = 0, zero_odd = 0;
    for (size_t i = 0; i < units; i++) {
        zero_even += p[2 * i] == 0;
        zero_odd += p[2 * i + 1] == 0;
    }
    if (zero_odd >= 2 && zero_odd * 2 >= units && zero_even * 8 <= zero_odd) return Encoding::Utf16le;
    if (zero_even >= 2 && zero_even * 2 >= units && zero_odd * 8 <= zero_even) return Encoding::Utf16be;
    return Encoding::Auto;
}

size_t mark_length(const unsigned char *p, size_t n, Encoding e)
{
    if (e == Encoding::Utf16le) return n >= 2 && p[0] == 0xFF && p[1] == 0xFE ? 2 : 0;
    if (e == Encoding::Utf16be) return n >= 2 && p[0] == 0xFE && p[1] == 0xFF ? 2 : 0;
    return n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
}

int utf8_continuation(unsigned char b, unsigned char *lo, unsigned char *hi)
{
    *lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    *hi = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    return b < 0x80 ? 0 : b < 0xC2 ? -1 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : b < 0xF5 ? 3 : -1;
}

size_t utf8_decode(const unsigned char *p, size_t n, bool last, long *c)
{
    unsigned char lo, hi;
    int need = utf8_continuation(p[0], &lo, &hi);
    *c = need == 0 ? p[0] : -1;
    if (need <= 0) return 1;
    long v = p[0] & (0x3F >> need);
    for (size_t i = 1; i <= (size_t)need; i++) {
        if (i >= n) return last ? 1 : 0;
        if (p[i] < lo || p[i] > hi) return 1;
        lo = 0x80, hi = 0xBF;
        v = v << 6 | (p[i] & 0x3F);
    }
    *c = v;
    return need + 1;
}

Scanner::Scanner(Encoding encoding)
    : encoding_(encoding), bytes_mode_(encoding != Encoding::Utf16le && encoding != Encoding::Utf16be)
{
}

Place Scanner::place(const Here &h, bool utf8) const
{
    Place p;
    p.byte = h.byte;
    p.line = h.line;
    p.column = utf8 ? h.column_utf8 : h.column_ansi;
    return p;
}

void Scanner::record(LineEnds *ends, unsigned long long line)
{
    if (ends->count < 8) ends->first[ends->count] = line;
    ends->count++;
}

void Scanner::line_end()
{
    line_ends_++;
    line_++;
    column_utf8_ = column_ansi_ = 1;
    line_open_ = false;
}

// A CR waits for the next character: CR LF ends a line as the dialog wants, a CR before
// anything else ends it alone.  Returns whether c is the LF of a CR LF.
bool Scanner::resolve_cr(long c)
{
    if (!cr_pending_) return false;
    cr_pending_ = false;
    if (c == '\n') {
        last_end_ = 0;
        line_end();
        return true;
    }
    record(&cr_, cr_line_);
    last_end_ = '\r';
    line_end();
    return false;
}

void Scanner::character(long c, const Here &at, bool counts_utf8, bool counts_ansi)
{
    if (c == '\r') {
        cr_pending_ = true;
        cr_line_ = line_;
        return;
    }
    if (c == '\n') {
        record(&lf_, line_);
        last_end_ = '\n';
        line_end();
        return;
    }
    line_open_ = true;
    if (c == 0 && zeros_++ == 0) zero_ = at;
    if (counts_utf8) column_utf8_++;
    if (counts_ansi) column_ansi_++;
}

void Scanner::utf8_broken(const Here &at, unsigned char b)
{
    if (utf8_bad_ < 8) utf8_broken_[utf8_bad_] = at, utf8_broken_byte_[utf8_bad_] = b;
    utf8_bad_++;
}

// Returns whether b went on a character as its continuation byte (no column of its own).
bool Scanner::utf8_byte(unsigned char b, const Here &at)
{
    if (utf8_need_) {
        if (b >= utf8_lo_ && b <= utf8_hi_) {
            utf8_value_ = utf8_value_ << 6 | (b & 0x3F);
            // Evidence of UTF-8 only where the character is one the code page could show: an
            // ANSI text in Thai or Cyrillic forms whole sequences too, of characters it lacks.
            if (--utf8_need_ == 0) utf8_valid_++, utf8_valid_known_ += codepage_has(utf8_value_);
            utf8_lo_ = 0x80;
            utf8_hi_ = 0xBF;
            return true;
        }
        utf8_broken(utf8_start_, utf8_lead_);
        utf8_need_ = 0;  // b starts afresh
        utf8_lo_ = 0x80;
        utf8_hi_ = 0xBF;
    }
    if (b < 0x80) return false;
    utf8_start_ = at;
    utf8_lead_ = b;
    int need = utf8_continuation(b, &utf8_lo_, &utf8_hi_);
    if (need < 0) {
        utf8_broken(at, b);
        utf8_lo_ = 0x80, utf8_hi_ = 0xBF;
        return false;
    }
    utf8_need_ = need;
    utf8_value_ = b & (0x3F >> need);
    utf8_non_ascii_++;
    return false;
}

void Scanner::other_bad(const Here &at, unsigned char byte, unsigned n)
{
    if (other_bad_ == 0) other_first_bad_ = at, other_bad_byte_ = byte;
    other_bad_ += n;
}

// Returns whether b begins a character of the code page (a trail byte does not).
bool Scanner::ansi_byte(unsigned char b, const Here &at)
{
    if (lead_pending_) {
        lead_pending_ = false;
        if (codepage_trail_byte(b)) {
            const unsigned char pair[2] = {lead_, b};
            long c;
            codepage_decode(pair, 2, &c);
            if (c < 0) other_bad(lead_at_, lead_, 2);
            return false;
        }
        other_bad(lead_at_, lead_, 1);  // a lead byte alone
    }
    if (b < 0x80) return true;
    other_non_ascii_++;
    if (codepage_lead_byte(b)) {
        lead_pending_ = true;
        lead_ = b;
        lead_at_ = at;
        return true;
    }
    long c;
    codepage_decode(&b, 1, &c);
    if (c < 0) other_bad(at, b, 1);
    return true;
}

void Scanner::byte(unsigned char b)
{
    const bool at_cut = offset_ == kShownBytes;
    if (at_cut) {
        cut_ = true;
        cut_crlf_ = cr_pending_ && b == '\n';
        cut_in_utf8_ = utf8_need_ > 0 && b >= utf8_lo_ && b <= utf8_hi_;
        cut_in_ansi_ = lead_pending_ && codepage_trail_byte(b);
        cut_at_ = here();
        if (cut_crlf_) cut_at_.column_utf8++, cut_at_.column_ansi++;
        if (cut_in_utf8_) cut_at_.column_utf8--;
        if (cut_in_ansi_) cut_at_.column_ansi--;
    }
    if (skip_) {
        skip_--;
    } else if (!resolve_cr(b)) {
        Here at = here();
        if (at_cut && !cut_in_utf8_ && !cut_in_ansi_) cut_at_ = at;  // after a lone CR, on the next line
        if (b >= 0x80 && non_ascii_first_.byte == 0) non_ascii_first_ = at;
        bool continued = utf8_byte(b, at);
        bool counts_ansi = ansi_byte(b, at);
        character(b, at, !continued, counts_ansi);  // a stray continuation byte is a column of its own
    }
    offset_++;
}

// c: a character, or -1 for a unit that is none (bad_byte, its first byte; bad_unit, the unit,
// or -1 for an odd byte at the end).
void Scanner::utf16_character(long c, unsigned long long byte, unsigned char bad_byte, long bad_unit)
{
    if (resolve_cr(c)) return;
    Here at = {byte, line_, column_utf8_, column_ansi_};
    if (c < 0) {
        if (other_bad_ == 0) other_bad_unit_ = bad_unit;
        other_bad(at, bad_byte, 1);
        c = 0xFFFD;
    }
    if (c >= 0x80) {
        if (non_ascii_first_.byte == 0) non_ascii_first_ = at;
        other_non_ascii_++;
    }
    character(c, at, true, true);
}

void Scanner::utf16_byte(unsigned char b)
{
    offset_++;
    if (!unit_half_) {
        unit_half_ = true;
        unit_first_ = b;
        return;
    }
    unit_half_ = false;
    unsigned long long byte = offset_ - 1;  // the unit's first byte, counted from 1
    if (skip_) {
        skip_ = 0;
        return;
    }
    const bool le = encoding_ == Encoding::Utf16le;
    unsigned u = le ? unit_first_ | b << 8 : unit_first_ << 8 | b;
    if (high_) {
        unsigned high = high_;
        high_ = 0;
        if (u >= 0xDC00 && u <= 0xDFFF) {
            utf16_character(0x10000 + ((long)(high - 0xD800) << 10) + (u - 0xDC00), high_byte_, 0);
            return;
        }
        utf16_character(-1, high_byte_, high_first_, high);
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
        high_ = u;
        high_first_ = unit_first_;
        high_byte_ = byte;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
        utf16_character(-1, byte, unit_first_, u);
    } else {
        utf16_character(u, byte, 0);
    }
}

// The mark is settled on the first three bytes, then they are read like the rest.
void Scanner::begin()
{
    begun_ = true;
    mark_ = mark_length(head_, head_len_, encoding_);
    skip_ = mark_;
    for (size_t i = 0; i < head_len_; i++) bytes_mode_ ? byte(head_[i]) : utf16_byte(head_[i]);
    if (bytes_mode_) {
        if (utf8_bad_ && !context_taken_) take_context(head_, head_len_, head_len_);  // the rest follows
        remember_tail(head_, head_len_);
    }
}

void Scanner::feed(const unsigned char *p, size_t n)
{
    if (!begun_) {
        while (head_len_ < 3 && n) head_[head_len_++] = *p++, n--;
        if (head_len_ < 3) return;
        begin();
    }
    if (bytes_mode_) {
        for (size_t i = 0; i < n;) {
            // Plain ASCII and CR LF with nothing pending, short of the cut, are only counted.
            if (!cr_pending_ && !utf8_need_ && !lead_pending_ && !skip_ && offset_ != kShownBytes) {
                size_t end = offset_ < kShownBytes && kShownBytes - offset_ < n - i ? i + (kShownBytes - offset_) : n;
                size_t j = i;
                for (;;) {
                    size_t k = j;
                    while (k < end && plain_ascii(p[k])) k++;
                    if (k > j) {
                        offset_ += k - j;
                        column_utf8_ += k - j;
                        column_ansi_ += k - j;
                        line_open_ = true;
                        j = k;
                    }
                    if (j < end && p[j] == '\n') {  // LF alone
                        offset_++;
                        record(&lf_, line_);
                        last_end_ = '\n';
                        line_end();
                        j++;
                        continue;
                    }
                    // A two-byte UTF-8 character whose bytes are letters of a single-byte code
                    // page, once the first byte outside ASCII is known: one column as UTF-8, two
                    // as the code page.
                    if (j + 1 < end && p[j] >= 0xC2 && p[j] <= 0xDF && (p[j + 1] & 0xC0) == 0x80 &&
                        non_ascii_first_.byte && codepage_single_letter(p[j]) && codepage_single_letter(p[j + 1])) {
                        offset_ += 2;
                        utf8_non_ascii_++;
                        utf8_valid_++;
                        utf8_valid_known_ += codepage_has((p[j] & 0x1Fu) << 6 | (p[j + 1] & 0x3Fu));
                        other_non_ascii_ += 2;
                        column_utf8_++;
                        column_ansi_ += 2;
                        line_open_ = true;
                        j += 2;
                        continue;
                    }
                    // A byte of a single-byte code page that breaks UTF-8 (as in most ANSI text),
                    // once the first eight broken sequences, whose places are kept, are past:
                    // only counted.  A lead byte with its continuation is left to byte().
                    if (j < end && p[j] >= 0x80 && utf8_bad_ >= 8 && non_ascii_first_.byte &&
                        codepage_single_letter(p[j])) {
                        unsigned char lo, hi;
                        int need = utf8_continuation(p[j], &lo, &hi);
                        if (need > 0 && j + 1 < end && p[j + 1] >= lo && p[j + 1] <= hi) break;
                        if (need > 0 && j + 1 >= end) break;
                        utf8_non_ascii_ += need > 0;
                        utf8_bad_++;
                        other_non_ascii_++;
                        column_utf8_++;  // a lead whose sequence breaks, or a stray byte
                        column_ansi_++;
                        line_open_ = true;
                        offset_++;
                        j++;
                        continue;
                    }
                    if (j + 1 >= end || p[j] != '\r' || p[j + 1] != '\n') break;
                    do {  // CR LF, often many in a row
                        offset_ += 2;
                        line_end();
                        j += 2;
                    } while (j + 1 < end && p[j] == '\r' && p[j + 1] == '\n');
                    last_end_ = 0;
                }
                if (j > i) {
                    i = j;
                    continue;
                }
            }
            byte(p[i++]);
            if (utf8_bad_ && !context_taken_) {
                take_context(p, n, i);
                context_block_done_ = true;
            }
        }
        // The bytes after the first broken sequence, where the block that held it ended early.
        for (size_t k = 0; context_want_ && !context_block_done_ && k < n && context_length_ < sizeof context_; k++)
            context_[context_length_++] = p[k], context_want_--;
        context_block_done_ = false;
        remember_tail(p, n);
    } else {
        for (size_t i = 0; i < n; i++) utf16_byte(p[i]);
    }
}

// The last bytes fed, kept across blocks.
void Scanner::remember_tail(const unsigned char *p, size_t n)
{
    size_t keep = n < sizeof tail_ ? n : sizeof tail_;
    size_t old = tail_length_ + keep > sizeof tail_ ? sizeof tail_ - keep : tail_length_;
    memmove(tail_, tail_ + tail_length_ - old, old);
    memcpy(tail_ + old, p + n - keep, keep);
    tail_length_ = old + keep;
}

// p[i - 1] was the last byte read, and the first broken sequence began at most three bytes
// before it.  The bytes before it come from this block and the tail of those before; the bytes
// after it from this block and, if it ends too soon, from the next ones (see feed).
void Scanner::take_context(const unsigned char *p, size_t n, size_t i)
{
    context_taken_ = true;
    const unsigned long long start = offset_ - i;           // where this block begins in the text
    const unsigned long long at = utf8_broken_[0].byte - 1;  // where the broken sequence begins
    const unsigned long long earliest = start - tail_length_;  // the first byte still at hand
    context_length_ = context_broken_ = context_want_ = 0;
    if (at < earliest) return;
    unsigned long long from = at > 20 ? at - 20 : 0;
    if (from < earliest) from = earliest;
    for (unsigned long long o = from; o < start + n && context_length_ < 48 && o < at + 28; o++)
        context_[context_length_++] = o < start ? tail_[tail_length_ - (size_t)(start - o)] : p[o - start];
    context_broken_ = (size_t)(at - from);
    context_want_ = at + 28 > start + n ? (size_t)(at + 28 - (start + n)) : 0;
    // Begin on a whole character.
    size_t skip = 0;
    while (skip < context_broken_ && (context_[skip] & 0xC0) == 0x80) skip++;
    memmove(context_, context_ + skip, context_length_ - skip);
    context_length_ -= skip;
    context_broken_ -= skip;
}

Report Scanner::finish()
{
    if (!begun_) begin();
    if (unit_half_) {
        unit_half_ = false;
        utf16_character(-1, offset_, unit_first_);  // an odd byte at the end
    }
    if (high_) utf16_character(-1, high_byte_, high_first_, high_), high_ = 0;
    if (utf8_need_) {
        utf8_cut_at_end_ = utf8_bad_ == 0;
        utf8_broken(utf8_start_, utf8_lead_);
        if (!context_taken_) {
            // Cut at the very end: the last bytes fed hold it.
            context_taken_ = true;
            unsigned long long back = offset_ - utf8_broken_[0].byte + 1;
            context_length_ = tail_length_;
            context_broken_ = back <= tail_length_ ? tail_length_ - (size_t)back : 0;
            for (size_t k = 0; k < tail_length_; k++) context_[k] = tail_[k];
        }
    }
    if (lead_pending_) other_bad(lead_at_, lead_, 1);
    resolve_cr(-1);

    Report r;
    r.size = offset_;
    r.empty = offset_ == mark_;
    if (!bytes_mode_) {
        r.encoding = encoding_;
        r.utf16_mark = mark_ > 0;
    } else if (encoding_ == Encoding::Auto) {
        bool utf8 = mark_ || (utf8_bad_ == 0 && utf8_non_ascii_ > 0);
        r.encoding = utf8 ? Encoding::Utf8 : Encoding::Ansi;
    } else {
        r.encoding = encoding_;
    }
    r.utf8_mark = bytes_mode_ && mark_ == 3;
    const bool utf8 = r.encoding == Encoding::Utf8;
    r.also_utf8 = r.encoding == Encoding::Ansi && utf8_bad_ == 0 && utf8_non_ascii_ > 0;
    r.also_utf16 = r.encoding == Encoding::Ansi && (mark_length(head_, head_len_, Encoding::Utf16le) ||
                                                    mark_length(head_, head_len_, Encoding::Utf16be));
    // A UTF-8 text that an editor saved partly as ANSI, or whose last character was cut, keeps
    // most of its sequences whole.  An ANSI text forms whole ones only by chance (in 1252 an
    // accented capital or ß followed by a symbol from 0x80-0xBF; in Thai or Ukrainian more
    // often, but of characters the page lacks), and then breaks more with its other letters.
    // So whole sequences of characters the code page has count one for one against the broken
    // ones; other whole sequences (UTF-8 in a script the page lacks) only when they are four
    // times as many.  Double-byte pages make whole sequences out of ordinary pairs too often
    // (GBK's 谢 is D0 BB, UTF-8's л) to tell: there a text is UTF-8 or ANSI, never mixed.
    r.utf8_valid = utf8_valid_;
    r.utf8_broken = utf8_bad_;
    const bool mostly_utf8 = bytes_mode_ && !codepage_double_byte() && r.encoding == Encoding::Ansi && utf8_bad_ > 0 &&
                             (utf8_bad_ <= utf8_valid_known_ || utf8_bad_ * 4 <= utf8_valid_);
    r.mixed = mostly_utf8 && encoding_ == Encoding::Auto;
    r.also_mixed = mostly_utf8 && encoding_ == Encoding::Ansi;
    for (unsigned long long i = 0; i < 8 && i < utf8_bad_; i++)
        r.broken[i] = place(utf8_broken_[i], true), r.broken_byte[i] = utf8_broken_byte_[i];
    r.cut_at_end = utf8_cut_at_end_;
    r.context_length = context_length_;
    r.context_broken = context_broken_;
    for (size_t k = 0; k < context_length_; k++) r.context[k] = context_[k];

    r.lines = line_ends_ + (line_open_ ? 1 : 0);
    r.lf = lf_;
    r.cr = cr_;
    r.lf.last = !line_open_ && last_end_ == '\n';
    r.cr.last = !line_open_ && last_end_ == '\r';
    r.zeros = zeros_;
    r.zero = place(zero_, utf8);
    r.non_ascii = utf8 ? utf8_non_ascii_ : other_non_ascii_;
    r.first_non_ascii = place(non_ascii_first_, utf8);
    r.bad = utf8 ? utf8_bad_ : other_bad_;
    r.first_bad = place(utf8 ? utf8_broken_[0] : other_first_bad_, utf8);
    r.bad_byte = utf8 ? utf8_broken_byte_[0] : other_bad_byte_;
    r.bad_unit = bytes_mode_ ? -1 : other_bad_unit_;
    r.cut = bytes_mode_ && cut_;
    r.cut_at = place(cut_at_, utf8);
    r.cut_splits_crlf = r.cut && cut_crlf_;
    r.cut_splits_character = r.cut && (utf8 ? cut_in_utf8_ : cut_in_ansi_);
    return r;
}
