// What the agreement dialog will make of a text file's bytes: the cut after 16380 bytes, a
// zero byte, line ends other than CR LF, a byte-order mark, bytes outside ASCII and whether
// they are UTF-8.
#ifndef LISCN_TEXT_REPORT_H
#define LISCN_TEXT_REPORT_H

#include <cstddef>
#include <string>
#include <vector>

// As many bytes as the library reads into its text buffer (AGREEMENT_TEXT_READ).
const size_t kShownBytes = 16380;

// A place in a text: its byte offset, and its line and column counted from 1 (columns in
// characters when the text is UTF-8, else in bytes).
struct Position {
    size_t offset = 0, line = 0, column = 0;
};

enum class Bom { None, Utf8, Utf16le, Utf16be };

struct TextReport {
    size_t size = 0;
    size_t shown = 0;           // bytes that reach the text box
    bool cut = false;           // more than kShownBytes
    Position cut_at;            // first byte not shown
    bool zero = false;          // a zero byte among the bytes read
    Position zero_at;
    Bom bom = Bom::None;
    std::vector<size_t> lf_only_lines, cr_only_lines;  // lines (from 1) so ended
    size_t non_ascii = 0;       // bytes 0x80 and above
    Position first_non_ascii;
    bool utf8 = false;          // valid UTF-8 with at least one character outside ASCII
    size_t lines = 0;

    // Whether the dialog will not show the text as its author meant it.
    bool has_problems() const;
};

TextReport analyse(const std::string &bytes);
// Line and column of offset in bytes, columns in characters when utf8 is true.
Position position_of(const std::string &bytes, size_t offset, bool utf8);
bool valid_utf8(const std::string &bytes);
// The report as lines of plain text that name file.
std::string describe(const TextReport &report, const std::string &file, int codepage);

#endif
