// What check says of a text: the problems the dialog will have with it, in words, with places.
#ifndef LISCN_REPORT_H
#define LISCN_REPORT_H

#include <string>

#include "scanner.h"

// allow_cut: a text longer than the dialog shows is meant so, and noted rather than a problem.
bool has_problems(const Report &r, bool allow_cut);
// The report as lines of text that name file, ending in the verdict.
std::string describe(const Report &r, const std::string &file, bool allow_cut);
// The lines that say where the dialog cuts the text and what the cut splits, each begun with
// kind; empty when nothing is cut.  check and fix say the same.
std::string cut_notes(const Report &r, const std::string &kind);
// A file name as it may be printed: control characters and bytes that are no UTF-8 escaped
// (\n, \x1B).
std::string shown_name(const std::string &name);
// What a mixed text (Report::mixed) is: where its UTF-8 breaks, the two readings there, and
// the options that settle it.  check and fix say the same.
std::string mixed_reading(const Report &r);
// "0xE9 at line 1, column 5 (byte 6), 0xC3 at ... and 3 more": the first broken UTF-8 sequences.
std::string broken_places(const Report &r);
// A character for a message: "\"é\" (U+00E9)", or only "U+009B" for a control character.
std::string quoted_character(long c);
// "1 byte", "2 bytes".
std::string count(unsigned long long n, const char *one, const char *many);
// "line 2, column 4 (byte 11)".
std::string where(const Place &p);
const char *encoding_name(Encoding e);
// Code point c (up to U+10FFFF) in UTF-8.
std::string utf8_of(long c);

#endif
