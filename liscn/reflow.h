// Hard-wrapped paragraphs.  Most licence texts are broken at a fixed column of 70 to 80
// characters, while the dialog's box wraps lines itself at about 70: each line a little longer
// than the box becomes a long line and a stub.  These find such a wrap and join each
// paragraph's lines back into one, which the box then wraps at its own width.
//
// A line joins the one before it only when all of these hold (spaces are those the box shows
// as spaces, the no-break ones and a form feed too):
//   - neither is blank, a rule (a line of one of - = _ * ~ # repeated, at least three), or a
//     table row (columns set apart by a tab or by two or more spaces that do not follow the end
//     of a sentence, closing brackets and quotes after it);
//   - it is no list item (a bullet - * + o • · – — ● ▪ ◦ §, a number, a letter or a roman
//     numeral with a full stop or a bracket) and no heading (a line that a rule underlines);
//   - neither is a copyright line (one that starts with "Copyright", ©, or "(c)" and a year), the line
//     before ends with no colon or closing angle bracket (what follows it is set apart) and with
//     no hyphen after a letter (a word broken there would gain a space), and both are in
//     capitals or neither is (a title in capitals stays apart from its text);
//   - it starts where the paragraph's lines start: after a paragraph's first line (one after a
//     blank line or a rule, or a list item) at most as far in as that line's text (a first-line
//     indent, a list item's hanging indent), else exactly as far in as the line before;
//   - neither is centred (indented by 12 or more, with about as much room after it as before,
//     and not at the text of the line before it);
//   - the line before is full: at most the wrap column, and ending within 15 columns of it or
//     with no room left for the line's first word.  A short line (a title, an address, a
//     paragraph's last line) keeps its line end.
// The wrap column is the width that most of the lines that could join reach, within 15
// characters, between 50 and 100.  A text counts as hard-wrapped only when at least one of its
// paragraphs has three lines or more, and it has more than twice as many line ends to join as
// lines wider than 100: a reflowed text, whose paragraphs are one long line each, is not, so
// reflowing it again changes nothing.
#ifndef LISCN_REFLOW_H
#define LISCN_REFLOW_H

#include <string>

struct HardWrap {
    unsigned column = 0;            // 0: the text is not hard-wrapped
    unsigned long long lines = 0;   // its lines
    unsigned long long joins = 0;   // line ends that reflow turns into spaces
    unsigned long long uneven = 0;  // lines longer than the box holds that reflow joins
};

// How many characters of "MS Sans Serif" 8 pt a line of the box holds at the least: 68 to 80,
// as the letters are wide or narrow.
const unsigned kBoxCharacters = 68;

// text: UTF-8, lines ended by CR LF (as fix writes them; a lone CR or LF is part of a line).
HardWrap find_hard_wrap(const std::string &text);
// The text with the lines of each hard-wrapped paragraph joined: the line end between two
// lines, with the spaces around it, becomes one space.  Every other byte stays as it is.
std::string reflow(const std::string &text);

#endif
