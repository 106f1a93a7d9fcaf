// The reflow in process: each of its rules by example, and its properties over texts written at
// random and hard-wrapped by Python's textwrap, and over the licences Debian ships.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "reflow.h"

namespace {

std::string crlf(const std::vector<std::string> &lines)
{
    std::string s;
    for (const std::string &line : lines) s += line + "\r\n";
    return s;
}

std::vector<std::string> words(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// A paragraph of five lines wrapped at 70, which makes any text it opens hard-wrapped there.
const std::vector<std::string> kOpening = {
    "Redistribution and use in source and binary forms, with or without",
    "modification, are permitted provided that the following conditions are",
    "met and that the notice below is kept whole in every copy of the",
    "software and of its manual and in every other material that goes with",
    "it, in print or not."};
const std::string kOpened =
    "Redistribution and use in source and binary forms, with or without modification, are permitted provided "
    "that the following conditions are met and that the notice below is kept whole in every copy of the "
    "software and of its manual and in every other material that goes with it, in print or not.";

struct Case {
    const char *name;
    std::vector<std::string> in, out;  // after the opening paragraph and a blank line
};

TEST(Reflow, EachRuleByExample)
{
    const Case cases[] = {
        {"a paragraph's lines become one",
         {"The software is provided as it is, without any warranty of", "any kind, express or implied, including but not limited to",
          "the warranties of merchantability."},
         {"The software is provided as it is, without any warranty of any kind, express or implied, including but "
          "not limited to the warranties of merchantability."}},
        {"a first-line indent stays, the lines after it join",
         {"  The licences for most software are designed to take away your",
          "freedom to share and change it, by contrast this licence is meant", "to keep it.", "It is short."},
         {"  The licences for most software are designed to take away your freedom to share and change it, by "
          "contrast this licence is meant to keep it.",
          "It is short."}},
        {"list items stay lines; their hanging lines join them",
         {"1. Redistributions of source code must retain the above", "   copyright notice and this list of conditions.",
          "2. Redistributions in binary form must reproduce it.", "(a) Letters in brackets", "b) and with one bracket",
          "iv. roman numerals", "(ix) in brackets too", "- dashes", "* stars", "\xE2\x80\xA2 and bullets",
          "1.2 numbers of sections"},
         {"1. Redistributions of source code must retain the above copyright notice and this list of conditions.",
          "2. Redistributions in binary form must reproduce it.", "(a) Letters in brackets", "b) and with one bracket",
          "iv. roman numerals", "(ix) in brackets too", "- dashes", "* stars", "\xE2\x80\xA2 and bullets",
          "1.2 numbers of sections"}},
        {"a word like a numeral is no list item",
         {"The permission granted here reaches every person who gets a", "did. of the software: mix. it with others as they see fit",
          "and give it on."},
         {"The permission granted here reaches every person who gets a did. of the software: mix. it with others as "
          "they see fit and give it on."}},
        {"table rows stay lines, however long",
         {"Name of the component        Version        Licence     Ships", "legalprompt the library      1.1.0          zlib        yes",
          "liscn the text tool\t1.1.0\tzlib, as the rest of the kit is\tyes"},
         {"Name of the component        Version        Licence     Ships", "legalprompt the library      1.1.0          zlib        yes",
          "liscn the text tool\t1.1.0\tzlib, as the rest of the kit is\tyes"}},
        {"two spaces after a sentence are no column",
         {"Everyone is permitted to copy and distribute copies.  Of", "this licence document, changing it is not allowed at all,",
          "ever."},
         {"Everyone is permitted to copy and distribute copies.  Of this licence document, changing it is not "
          "allowed at all, ever."}},
        {"rules and the headings they underline stay lines",
         {"Definitions of the words that this licence uses", "------------------------------------------------",
          "1.1. \"Contributor\"", "    means each individual or legal entity that creates or",
          "    contributes to the creation of the covered software.", "", "=====", "~~~~~~~~"},
         {"Definitions of the words that this licence uses", "------------------------------------------------",
          "1.1. \"Contributor\"",
          "    means each individual or legal entity that creates or contributes to the creation of the covered software.",
          "", "=====", "~~~~~~~~"}},
        {"a heading stays a line after a full one",
         {"The words below have the meanings given to them in this section,", "Definitions of Words",
          "--------------------"},
         {"The words below have the meanings given to them in this section,", "Definitions of Words",
          "--------------------"}},
        {"copyright lines, lines that end open, broken words and titles in capitals stay apart",
         {"Copyright (c) 2026 The LegalPrompt Authors and the contributors to it",
          "(c) 2027 The Others, who wrote the rest of it, line by line, all",
          "Permission is hereby granted to any person who gets a copy of it:",
          "to use, copy, modify and distribute it as the notice below says, royalty-",
          "free, in any form.", "", "TERMS AND CONDITIONS FOR USE, REPRODUCTION AND DISTRIBUTION OF IT",
          "The terms below bind everyone who takes the software from us, and"},
         {"Copyright (c) 2026 The LegalPrompt Authors and the contributors to it",
          "(c) 2027 The Others, who wrote the rest of it, line by line, all",
          "Permission is hereby granted to any person who gets a copy of it:",
          "to use, copy, modify and distribute it as the notice below says, royalty-", "free, in any form.", "",
          "TERMS AND CONDITIONS FOR USE, REPRODUCTION AND DISTRIBUTION OF IT",
          "The terms below bind everyone who takes the software from us, and"}},
        {"more bullets, a blank line of no-break spaces, a sentence that ends in a bracket",
         {"o the first of the things that the licence lets you do with it,", "o the second thing that it lets you do, whatever it is, all of it,",
          "\xE2\x80\x93 the last one of the things that the licence lets you do with it", "\xC2\xA0\xC2\xA0",
          "Use it as the GNU Lesser General Public License says instead.)  You",
          "can apply it to your programs too, if you like, as we do."},
         {"o the first of the things that the licence lets you do with it,", "o the second thing that it lets you do, whatever it is, all of it,",
          "\xE2\x80\x93 the last one of the things that the licence lets you do with it", "\xC2\xA0\xC2\xA0",
          "Use it as the GNU Lesser General Public License says instead.)  You can apply it to your programs "
          "too, if you like, as we do."}},
        {"centred lines stay lines, however long",
         {"            GNU LESSER GENERAL PUBLIC LICENSE, VERSION THREE", "            Version 3, 29 June 2007, in a centred line"},
         {"            GNU LESSER GENERAL PUBLIC LICENSE, VERSION THREE", "            Version 3, 29 June 2007, in a centred line"}},
        {"short lines stay lines: an address, a paragraph's end",
         {"Free Software Foundation, Inc.", "51 Franklin Street, Fifth Floor", "Boston, MA 02110-1301 USA",
          "The end of it all, and then a paragraph that begins at once", "and goes on."},
         {"Free Software Foundation, Inc.", "51 Franklin Street, Fifth Floor", "Boston, MA 02110-1301 USA",
          "The end of it all, and then a paragraph that begins at once and goes on."}},
        {"a line indented further than the text before it stays a line",
         {"The notice to put in each file of the work reads as follows,", "        Copyright (C) the year and the name of the author",
          "and it is followed by the text of the licence as it stands."},
         {"The notice to put in each file of the work reads as follows,", "        Copyright (C) the year and the name of the author",
          "and it is followed by the text of the licence as it stands."}},
        {"a line continues at the paragraph's indent only",
         {"    Licensed under the Apache License, Version 2.0 (the", "    \"License\"); you may not use this file except in compliance",
          "  with the License, and you may obtain a copy of it at the",
          "  address below."},
         {"    Licensed under the Apache License, Version 2.0 (the \"License\"); you may not use this file except in "
          "compliance",
          "  with the License, and you may obtain a copy of it at the address below."}},
        {"spaces at the line ends are one space",
         {"Trailing spaces after the last word of a line are not kept   ", "when the next line is joined to it, nor are the leading",
          "ones."},
         {"Trailing spaces after the last word of a line are not kept when the next line is joined to it, nor are "
          "the leading ones."}},
        {"the hanging lines of a list item join it, at their indent only",
         {"   (c) You must retain, in the Source form of any Derivative", "       Works that You distribute, all copyright, patent and",
          "       trademark notices.", "   the text after the list"},
         {"   (c) You must retain, in the Source form of any Derivative Works that You distribute, all copyright, "
          "patent and trademark notices.",
          "   the text after the list"}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> in = kOpening, out = {kOpened};
        in.push_back("");
        out.push_back("");
        in.insert(in.end(), c.in.begin(), c.in.end());
        out.insert(out.end(), c.out.begin(), c.out.end());
        unsigned column = find_hard_wrap(crlf(in)).column;
        EXPECT_EQ(70u, column) << c.name << ": found wrapped at " << column;
        EXPECT_EQ(crlf(out), reflow(crlf(in))) << c.name;
    }
    // Too little to tell: two lines, or a text whose joins are few beside its long lines.
    const std::string two = crlf({kOpening[0], kOpening[1]});
    EXPECT_EQ(0u, find_hard_wrap(two).column);
    EXPECT_EQ(two, reflow(two));
    std::vector<std::string> mostly_long(kOpening);
    for (int i = 0; i < 4; i++) mostly_long.insert(mostly_long.begin(), {kOpened, ""});
    EXPECT_EQ(0u, find_hard_wrap(crlf(mostly_long)).column);
    // No line end at the end stays so.
    EXPECT_EQ(kOpened, reflow(crlf(kOpening).substr(0, crlf(kOpening).size() - 2)));
}

// Over texts written at random and hard-wrapped by textwrap at 60 to 80 columns: each comes
// back as it was written, found wrapped at about its width; as written, it is not hard-wrapped
// and stays as it is.
TEST(Reflow, GeneratedTextsComeBackAsWritten)
{
    std::ifstream in(WRAPPED_TEXTS, std::ios::binary);
    ASSERT_TRUE(in) << WRAPPED_TEXTS;
    auto read = [&](std::string *text) {
        size_t n = 0;
        if (!(in >> n) || in.get() != '\n') return false;
        text->resize(n);
        return (bool)in.read(&(*text)[0], (std::streamsize)n);
    };
    int texts = 0, failed = 0;
    for (unsigned width; in >> width && in.get() == '\n'; texts++) {
        std::string written, wrapped;
        ASSERT_TRUE(read(&written) && read(&wrapped)) << "record " << texts;
        HardWrap wrap = find_hard_wrap(wrapped);
        std::string flowed = reflow(wrapped);
        bool ok = flowed == written && wrap.column <= width && wrap.column + 15 >= width &&
                  find_hard_wrap(written).column == 0 && reflow(written) == written && words(flowed) == words(wrapped);
        if (!ok && ++failed <= 3)
            ADD_FAILURE() << "text " << texts << ", wrapped at " << width << ", found at " << wrap.column
                          << "\nwrapped:\n" << wrapped << "\nreflowed:\n" << flowed << "\nwritten:\n" << written;
    }
    EXPECT_EQ(0, failed) << "of " << texts;
    EXPECT_EQ(3000, texts);
}

// Debian's licences: found hard-wrapped at 70 to 80; every word kept, in order; reflowed, no
// longer hard-wrapped, and a second reflow changes nothing.
TEST(Reflow, RealLicencesKeepEveryWordAndSettle)
{
    const char *const names[] = {"Apache-2.0", "Artistic", "BSD", "CC0-1.0", "GFDL-1.3", "GPL-2", "GPL-3",
                                 "LGPL-2.1", "LGPL-3", "MPL-1.1", "MPL-2.0"};
    int seen = 0;
    for (const char *name : names) {
        std::ifstream in(std::string("/usr/share/common-licenses/") + name, std::ios::binary);
        if (!in) continue;
        seen++;
        std::string text, line;
        while (std::getline(in, line)) text += line + "\r\n";
        HardWrap wrap = find_hard_wrap(text);
        EXPECT_GE(wrap.column, 70u) << name;
        EXPECT_LE(wrap.column, 80u) << name;
        std::string flowed = reflow(text);
        EXPECT_LT(flowed.size(), text.size()) << name;
        EXPECT_EQ(words(text), words(flowed)) << name;
        EXPECT_EQ(0u, find_hard_wrap(flowed).column) << name;
        EXPECT_EQ(flowed, reflow(flowed)) << name;
    }
    if (!seen) GTEST_SKIP() << "no licences in /usr/share/common-licenses";
}

}  // namespace
