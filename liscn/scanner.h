// The one reading of an agreement text, in blocks and in bounded memory: lines and columns,
// line ends, the cut after the bytes the dialog reads, zero bytes, byte-order marks, and which
// encoding the bytes are in.  check reports it, fix scans its own output with it, and the
// tests hold both to it.
#ifndef LISCN_SCANNER_H
#define LISCN_SCANNER_H

#include <cstddef>

// As many bytes as the library reads into its text buffer.
const unsigned long kShownBytes = 16380;

enum class Encoding { Auto, Ansi, Utf8, Utf16le, Utf16be };

// A place in a text: byte, line and column, each counted from 1.  Columns count characters
// of the encoding the text is read in (bytes for a single-byte code page).
struct Place {
    unsigned long long byte = 0, line = 0, column = 0;
};

// Lines that end with a lone LF, or a lone CR: how many, and the first of them.
struct LineEnds {
    unsigned long long count = 0;
    unsigned long long first[8] = {};
    bool last = false;              // the last line of the text is one of them
};

struct Report {
    unsigned long long size = 0;
    Encoding encoding = Encoding::Ansi;     // as read: never Auto
    bool utf8_mark = false;                 // starts with EF BB BF
    bool utf16_mark = false;                // starts with FF FE or FE FF, read as UTF-16
    bool empty = false;                     // nothing after the mark
    unsigned long long lines = 0;
    LineEnds lf, cr;
    unsigned long long zeros = 0;
    Place zero;
    unsigned long long non_ascii = 0;       // characters outside ASCII, after the mark
    Place first_non_ascii;
    unsigned long long bad = 0;             // bytes that are no character of the code page, or
                                            // sequences that are none of UTF-8 or UTF-16
    Place first_bad;
    unsigned char bad_byte = 0;
    long bad_unit = -1;                     // UTF-16: the first code unit that is no character
    bool cut = false;                       // longer than kShownBytes
    Place cut_at;                           // the first byte not shown
    bool cut_splits_crlf = false, cut_splits_character = false;
    bool also_utf8 = false;                 // read as ANSI, yet valid UTF-8 outside ASCII
    bool also_utf16 = false;                // read as ANSI, yet starting with a UTF-16 mark
    // Read on its own (Auto) as ANSI, yet mostly UTF-8 (the rule is in Scanner::finish); its
    // whole sequences outside ASCII and its broken ones: how many, where the first broken ones
    // are, whether the only one is a character cut at the very end, and the bytes around the first.
    bool mixed = false;
    bool also_mixed = false;                // read as ANSI when told so, yet mixed on its own
    unsigned long long utf8_valid = 0, utf8_broken = 0;
    Place broken[8];
    unsigned char broken_byte[8] = {};
    bool cut_at_end = false;
    unsigned char context[48] = {};
    size_t context_length = 0, context_broken = 0;  // bytes around it, and where in them it starts
};

// The encoding of a text from its first bytes and what the author says (from): a UTF-16
// mark, or UTF-16 without one, recognised by zero bytes at every other place; otherwise from
// itself (Auto: UTF-8 or ANSI, settled by the whole text).
Encoding sniff(const unsigned char *p, size_t n, Encoding from);

// Length of the byte-order mark that starts p (n bytes) when read in encoding e: 3 for
// UTF-8's (in every encoding but UTF-16, since no agreement begins with its letters), 2 for
// UTF-16's, else 0.  Three bytes are needed to tell, unless n is the whole text.
size_t mark_length(const unsigned char *p, size_t n, Encoding e);

// How many continuation bytes follow lead in UTF-8, and the range of the first of them (the
// others lie in 0x80-0xBF); -1 for a byte that cannot start a character.  The shortest form
// only, no surrogates, nothing above U+10FFFF.
int utf8_continuation(unsigned char lead, unsigned char *lo, unsigned char *hi);

// One UTF-8 character at p (n bytes): its length, with its code point in *c, or -1 in *c and
// length 1 for a sequence that is no character; 0 when it goes on past n and more is to come
// (not last).
size_t utf8_decode(const unsigned char *p, size_t n, bool last, long *c);

// A byte that is the same character in every encoding read as bytes, and no line end or zero.
inline bool plain_ascii(unsigned char b) { return b - 1u < 0x7Fu && b != '\r' && b != '\n'; }

// The code page selected with codepage_select() is the ANSI one.
class Scanner {
public:
    // encoding: what sniff() gave.
    explicit Scanner(Encoding encoding);
    void feed(const unsigned char *p, size_t n);
    Report finish();

private:
    struct Here {
        unsigned long long byte, line, column_utf8, column_ansi;
    };
    Here here() const { return {offset_ + 1, line_, column_utf8_, column_ansi_}; }
    Place place(const Here &h, bool utf8) const;
    void begin();
    void byte(unsigned char b);
    void utf16_byte(unsigned char b);
    void utf16_character(long c, unsigned long long byte, unsigned char bad_byte, long bad_unit = -1);
    bool resolve_cr(long c);
    void character(long c, const Here &at, bool counts_utf8, bool counts_ansi);
    bool utf8_byte(unsigned char b, const Here &at);
    bool ansi_byte(unsigned char b, const Here &at);
    void other_bad(const Here &at, unsigned char byte, unsigned n);
    static void record(LineEnds *ends, unsigned long long line);
    void line_end();

    Encoding encoding_;
    bool bytes_mode_;
    unsigned long long offset_ = 0, line_ = 1, column_utf8_ = 1, column_ansi_ = 1;
    unsigned char head_[3] = {};
    size_t head_len_ = 0;
    bool begun_ = false;
    size_t mark_ = 0, skip_ = 0;    // bytes of the mark, and those still to pass over
    unsigned long long line_ends_ = 0;
    bool line_open_ = false;        // the current line holds a character
    int last_end_ = 0;              // the last line end: '\n', '\r' or 0 for CR LF
    bool cr_pending_ = false;
    unsigned long long cr_line_ = 0;
    LineEnds lf_, cr_;
    unsigned long long zeros_ = 0;
    Here zero_{}, non_ascii_first_{};
    bool cut_ = false, cut_crlf_ = false, cut_in_utf8_ = false, cut_in_ansi_ = false;
    Here cut_at_{};
    // As UTF-8: continuation bytes still due and the range of the next one.
    int utf8_need_ = 0;
    unsigned char utf8_lo_ = 0x80, utf8_hi_ = 0xBF, utf8_lead_ = 0;
    unsigned long utf8_value_ = 0;  // the character being read
    Here utf8_start_{};
    unsigned long long utf8_non_ascii_ = 0, utf8_bad_ = 0, utf8_valid_ = 0;
    unsigned long long utf8_valid_known_ = 0;  // whole sequences of characters the code page has
    Here utf8_broken_[8]{};              // the first broken sequences, [0] the first of all
    unsigned char utf8_broken_byte_[8] = {};
    bool utf8_cut_at_end_ = false;
    void utf8_broken(const Here &at, unsigned char b);
    // The bytes around the first broken UTF-8 sequence, and the last bytes fed, for one found
    // only at the end.
    void take_context(const unsigned char *p, size_t n, size_t i);
    void remember_tail(const unsigned char *p, size_t n);
    unsigned char context_[48] = {}, tail_[24] = {};
    size_t context_length_ = 0, context_broken_ = 0, tail_length_ = 0, context_want_ = 0;
    bool context_block_done_ = false;  // the block it was taken from gave its bytes after it
    bool context_taken_ = false;
    // As the code page, or as UTF-16: a lead byte waiting for its trail byte.
    bool lead_pending_ = false;
    unsigned char lead_ = 0;
    Here lead_at_{};
    unsigned long long other_non_ascii_ = 0, other_bad_ = 0;
    Here other_first_bad_{};
    unsigned char other_bad_byte_ = 0;
    long other_bad_unit_ = -1;
    // As UTF-16: the first byte of a unit, and a high surrogate waiting for its low one.
    bool unit_half_ = false;
    unsigned char unit_first_ = 0;
    unsigned high_ = 0;
    unsigned char high_first_ = 0;  // its first byte in the file
    unsigned long long high_byte_ = 0;
};

#endif
