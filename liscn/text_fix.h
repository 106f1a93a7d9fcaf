// Rewrites an agreement text so that the dialog shows it as meant: from UTF-8 (with or without
// a byte-order mark) or ANSI, to CR LF line ends and the given ANSI code page, with no mark.
#ifndef LISCN_TEXT_FIX_H
#define LISCN_TEXT_FIX_H

#include <string>

#include "text_report.h"

struct FixResult {
    bool ok = false;
    std::string bytes;      // the text to write
    std::string source;     // how the input was read: "UTF-8", "UTF-8 with byte-order mark", "code page N"
    std::string error;      // why it cannot be written as meant, with the place
    bool cut = false;       // longer than the dialog shows
    Position cut_at;        // in the result
};

// Nothing is dropped silently: a character that cp cannot hold, a zero byte or UTF-16 input is
// an error; a result longer than kShownBytes is one too unless allow_cut.
FixResult fix_text(const std::string &in, int cp, bool allow_cut);

#endif
