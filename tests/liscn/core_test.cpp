// The scanner and the conversion in process: what check finds in a text and where, what fix
// makes of it, and the properties that tie them together, over tables and a generated corpus.
#include <gtest/gtest.h>

#include <random>

#include "memory_io.h"
#include "report.h"

namespace {

std::string S(const char *p, size_t n) { return std::string(p, n); }

std::string run_of(size_t n, const std::string &line)
{
    std::string s;
    while (s.size() < n) s += line;
    return s.substr(0, n);
}

// What the scanner must find, by table.  Places are "line:column:byte", from 1.
struct ScanCase {
    const char *name;
    std::string bytes;
    int cp;
    Encoding from;
    Encoding encoding;
    bool problems;
    unsigned long long lines, lf, cr;
    const char *zero, *bad, *cut;   // nullptr: none
};

std::string at(const Place &p)
{
    return std::to_string(p.line) + ":" + std::to_string(p.column) + ":" + std::to_string(p.byte);
}

const Encoding A = Encoding::Auto, N = Encoding::Ansi, U8 = Encoding::Utf8, LE = Encoding::Utf16le,
               BE = Encoding::Utf16be;

const ScanCase kScanCases[] = {
    {"clean ANSI", "Caf\xE9\r\nM\xFC" "ller\r\n", 1252, A, N, false, 2, 0, 0, nullptr, nullptr, nullptr},
    {"UTF-8 text", "Caf\xC3\xA9\r\n", 1252, A, U8, true, 1, 0, 0, nullptr, nullptr, nullptr},
    {"UTF-8 settled as ANSI", "\xC3\xA9\r\n", 1252, N, N, false, 1, 0, 0, nullptr, nullptr, nullptr},
    {"LF and CR alone, last LF", "a\nb\rc\r\nd\n", 1252, A, N, true, 4, 2, 1, nullptr, nullptr, nullptr},
    {"CRs only", "\r\r\r", 1252, A, N, true, 3, 0, 3, nullptr, nullptr, nullptr},
    {"zero byte", S("ab\r\nc\0d", 7), 1252, A, N, true, 2, 0, 0, "2:2:6", nullptr, nullptr},
    {"undefined 1252 bytes", "x \x81 y \x9D\r\n", 1252, A, N, true, 1, 0, 0, nullptr, "1:3:3", nullptr},
    {"0x81 is a letter in 1251", "x \x81\r\n", 1251, A, N, false, 1, 0, 0, nullptr, nullptr, nullptr},
    {"mark alone", "\xEF\xBB\xBF", 1252, A, U8, true, 0, 0, 0, nullptr, nullptr, nullptr},
    {"mark, not UTF-8", "\xEF\xBB\xBF" "Caf\xE9", 1252, A, U8, true, 1, 0, 0, nullptr, "1:4:7", nullptr},
    {"empty", "", 1252, A, N, true, 0, 0, 0, nullptr, nullptr, nullptr},
    {"UTF-16 LE with mark", S("\xFF\xFEH\0i\0\r\0\n\0", 10), 1252, A, LE, true, 1, 0, 0, nullptr, nullptr, nullptr},
    {"UTF-16 BE without mark", S("\0H\0i\0\n", 6), 1252, A, BE, true, 1, 1, 0, nullptr, nullptr, nullptr},
    {"UTF-16 lone surrogate", S("\xFF\xFE" "a\0\x00\xD8" "b\0", 8), 1252, A, LE, true, 1, 0, 0, nullptr, "1:2:5", nullptr},
    {"Shift-JIS pairs", "\x93\xfa\x96\x7b\r\n", 932, A, N, false, 1, 0, 0, nullptr, nullptr, nullptr},
    {"Shift-JIS lead before LF", "\x93\n", 932, A, N, true, 1, 1, 0, nullptr, "1:1:1", nullptr},
    {"overlong UTF-8 is no UTF-8", "\xE0\x80\xAF\r\n", 1252, A, N, false, 1, 0, 0, nullptr, nullptr, nullptr},
    {"950: 0x80 is no character", "a\x80\r\n", 950, A, N, true, 1, 0, 0, nullptr, "1:2:2", nullptr},
    // 0x7F is never a trail byte: the lead before it stands alone, DEL is a character.
    {"932: lead before DEL", "a\x81\x7F\x93\xfa\r\n", 932, A, N, true, 1, 0, 0, nullptr, "1:2:2", nullptr},
    // UTF-8 of a surrogate (U+D800) is no UTF-8: three 1252 letters.
    {"UTF-8 surrogate is no UTF-8", "\xED\xA0\x80\r\n", 1252, A, N, false, 1, 0, 0, nullptr, nullptr, nullptr},
    // A stray zero or two is no UTF-16: half the units must hold one.
    {"two stray zeros are no UTF-16", S("a\0b\0cdefghijklmnopqrstuvwxyz\r\n", 30), 1252, A, N, true, 1, 0, 0, "1:2:2", nullptr, nullptr},
    {"cut after a lone CR", std::string(16379, 'a') + "\rb", 1252, A, N, true, 2, 0, 1, nullptr, nullptr, "2:1:16381"},
    {"exactly the bytes shown", run_of(16380, "0123456789abcd\r\n"), 1252, A, N, false, 1024, 0, 0, nullptr, nullptr, nullptr},
    // 16380 = 163 lines of 100 bytes and 80 into line 164.
    {"cut", run_of(20000, std::string(98, 'x') + "\r\n"), 1252, A, N, true, 200, 0, 0, nullptr, nullptr, "164:81:16381"},
};

}  // namespace

TEST(Scanner, FindsWhatTheDialogWillMakeOfAText)
{
    for (const ScanCase &c : kScanCases) {
        ASSERT_TRUE(codepage_select(c.cp)) << c.name;
        for (size_t piece : {1, 2, 3, 7, 65536}) {
            SCOPED_TRACE(std::string(c.name) + ", read " + std::to_string(piece) + " bytes at a time");
            Report r = scan(c.bytes, c.from, piece);
            EXPECT_EQ((int)c.encoding, (int)r.encoding);
            EXPECT_EQ(c.problems, has_problems(r, false));
            EXPECT_EQ(c.lines, r.lines);
            EXPECT_EQ(c.lf, r.lf.count);
            EXPECT_EQ(c.cr, r.cr.count);
            EXPECT_EQ(c.zero ? c.zero : "none", r.zeros ? at(r.zero) : "none");
            EXPECT_EQ(c.bad ? c.bad : "none", r.bad ? at(r.first_bad) : "none");
            EXPECT_EQ(c.cut ? c.cut : "none", r.cut ? at(r.cut_at) : "none");
        }
    }
}

TEST(Scanner, TellsWhereTheCutSplitsALineEndOrACharacter)
{
    ASSERT_TRUE(codepage_select(1252));
    std::string crlf = std::string(16379, 'a') + "\r\nb";
    Report r = scan(crlf);
    EXPECT_TRUE(r.cut_splits_crlf);
    EXPECT_EQ("1:16381:16381", at(r.cut_at)) << "the LF after its CR";
    Report u = scan(std::string(16379, 'a') + "\xC3\xA9");
    EXPECT_TRUE(u.cut_splits_character);
    EXPECT_EQ("1:16380:16381", at(u.cut_at)) << "the character the cut splits";
    EXPECT_FALSE(scan(std::string(16378, 'a') + "\r\nb").cut_splits_crlf);
    EXPECT_NE(std::string::npos, describe(r, "f", false).find("between the CR and the LF that end line 1"));

    ASSERT_TRUE(codepage_select(932));
    Report j = scan(std::string(16379, 'a') + "\x93\xfa");
    EXPECT_TRUE(j.cut_splits_character);
    EXPECT_EQ("1:16380:16381", at(j.cut_at));
    EXPECT_FALSE(scan(std::string(16378, 'a') + "\x93\xfa").cut_splits_character);
}

TEST(Scanner, NamesWhatIsNoCharacterByItsBytes)
{
    ASSERT_TRUE(codepage_select(932));
    Report pair = scan("\x85\x40");  // a lead and a trail byte that make no character
    EXPECT_EQ(2u, pair.bad);
    Report del = scan("\x81\x7F");  // 0x7F is no trail byte: the lead alone is none, DEL is one
    EXPECT_EQ(1u, del.bad);
    EXPECT_EQ(0x85, pair.bad_byte);
    ASSERT_TRUE(codepage_select(1252));
    Report surrogate = scan(S("\xFF\xFEh\0\0\xD8i\0", 8));
    EXPECT_EQ(1u, surrogate.bad);
    EXPECT_EQ(5u, surrogate.first_bad.byte);
    EXPECT_EQ(0x00, surrogate.bad_byte) << "byte 5 of the file";
    Report big_endian = scan(S("\xFE\xFF\0h\xD8\0\0i", 8));
    EXPECT_EQ(0xD8, big_endian.bad_byte) << "byte 5 of the file";
    EXPECT_EQ(0xD800, big_endian.bad_unit) << "the unit";
}

// 932 holds some characters twice; 950 some too (十 as A2CC and A451).  The bytes fix writes
// for them are those Windows writes; any pair reads as the character.
TEST(CodePages, WriteWhatWindowsWritesWhereTwoPairsAreOneCharacter)
{
    const struct {
        int cp;
        unsigned long c;
        const char *bytes;
    } cases[] = {{950, 0x5341, "\xA4\x51"}, {950, 0x5345, "\xA4\xCA"}, {932, 0x2252, "\x81\xE0"},
                 {932, 0x2170, "\xFA\x40"}};
    for (const auto &c : cases) {
        ASSERT_TRUE(codepage_select(c.cp));
        unsigned char out[2];
        ASSERT_EQ(2, codepage_encode(c.c, out)) << c.cp << " U+" << std::hex << c.c;
        EXPECT_EQ(std::string(c.bytes), std::string((char *)out, 2)) << c.cp << " U+" << std::hex << c.c;
    }
}

TEST(Report, CountsInWordsAndNamesTheLastLine)
{
    ASSERT_TRUE(codepage_select(1252));
    std::string one = describe(scan("a\nb"), "f", false);
    EXPECT_NE(std::string::npos, one.find("f: 3 bytes, 2 lines,")) << one;
    EXPECT_NE(std::string::npos, one.find("1 line ends with LF alone: line 1 runs together")) << one;
    std::string last = describe(scan("a\r\nb\n"), "f", false);
    EXPECT_NE(std::string::npos, last.find("the last line, line 2, ends with LF alone")) << last;
    EXPECT_EQ(std::string::npos, last.find("together")) << last;
    std::string one_bad = describe(scan("a\x81"), "f", false);
    EXPECT_NE(std::string::npos, one_bad.find("byte 0x81 at line 1, column 2 (byte 2) is no character of code page "
                                              "1252: the dialog cannot show it as a letter")) << one_bad;
    std::string many = describe(scan("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\nend"), "f", false);
    EXPECT_NE(std::string::npos, many.find("lines 1, 2, 3, 4, 5, 6, 7, 8 and 3 more run together")) << many;
    EXPECT_NE(std::string::npos, describe(scan("x"), "f", false).find("f: 1 byte, 1 line,"));
    std::string mark = describe(scan("\xEF\xBB\xBFok"), "f", false);
    EXPECT_NE(std::string::npos, mark.find("shows it as the characters \"\xC3\xAF\xC2\xBB\xC2\xBF\"")) << mark;
    // Mostly UTF-8: where it breaks, and the two readings there, read in pieces of any size.
    for (size_t piece : {1, 2, 65536}) {
        std::string mixed = describe(scan("Caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9, Price: 5\xE9.", Encoding::Auto, piece), "f", false);
        EXPECT_NE(std::string::npos, mixed.find("the text is UTF-8 (3 characters outside ASCII) but for 1 sequence "
                                                "that is not: 0xE9 at line 1, column 22 (byte 25)")) << mixed;
        EXPECT_NE(std::string::npos, mixed.find("reads as UTF-8 \" r\xC3\xA9sum\xC3\xA9, Price: 5\xEF\xBF\xBD.\" and "
                                                "as code page 1252 \" r\xC3\x83\xC2\xA9sum\xC3\x83\xC2\xA9, Price: "
                                                "5\xC3\xA9.\"")) << mixed;
        std::string cut = describe(scan("\xC3\xA9t\xE2\x80", Encoding::Auto, piece), "f", false);
        EXPECT_NE(std::string::npos, cut.find("its last character is cut: 0xE2 at line 1, column 3 (byte 4)")) << cut;
    }
    // UTF-16 names a unit that is no character as the unit.
    std::string unit = describe(scan(std::string("\xFF\xFE" "A\0\0\xDC", 6)), "f", false);
    EXPECT_NE(std::string::npos, unit.find("the first U+DC00 at line 1, column 2 (byte 5)")) << unit;
    // A break in the first bytes is in the readings too; a stray continuation byte is a column.
    std::string head = describe(scan("\xE9t\xC3\xA9 caf\xC3\xA9 na\xC3\xAFve"), "f", false);
    EXPECT_NE(std::string::npos, head.find("reads as UTF-8 \"\xEF\xBF\xBDt\xC3\xA9 caf")) << head;
    Report columns = scan("caf\xC3\xA9 \xC3\xA9t\xC3\xA9: 5\x80 or 6\x80, d\xC3\xA9j\xC3\xA0", U8);
    ASSERT_EQ(2u, columns.utf8_broken);
    EXPECT_EQ("1:12:15", at(columns.broken[0]));
    EXPECT_EQ("1:18:21", at(columns.broken[1])) << "the first stray byte took a column";
    // A C1 control in a reading cannot steer the terminal.
    std::string c1 = describe(scan("\xC3\xA9 \xC3\xA9 \xC2\x9B" "2J \xE9."), "f", false);
    EXPECT_EQ(std::string::npos, c1.find("\xC2\x9B")) << c1;
    // Whole UTF-8 sequences count only as characters the code page has: short ANSI texts in Thai
    // and Ukrainian form some of other characters, and stay ANSI.
    ASSERT_TRUE(codepage_select(874));
    EXPECT_FALSE(scan("\xCA\xD1\xAD\xAD\xD2\xCD\xB9\xD8\xAD\xD2\xB5\r\n").mixed);
    EXPECT_FALSE(scan("\xA8\xD3\xA1\xD1\xB4\r\n").mixed);
    ASSERT_TRUE(codepage_select(1251));
    EXPECT_FALSE(scan("\xC2\xB3\xED \xE0\xE1\r\n").mixed);
    // GBK pairs form whole UTF-8 sequences of characters 936 has (谢 D0 BB is "л"): double-byte
    // pages never call a text mixed.
    ASSERT_TRUE(codepage_select(936));
    EXPECT_FALSE(scan("AGREEMENT\r\n\xD0\xBB\xD0\xBB\xCA\xB9\xD3\xC3\r\n").mixed);
    // UTF-8 in a script the page lacks, with two stray bytes, is mixed all the same.
    ASSERT_TRUE(codepage_select(1252));
    std::string russian;
    for (int i = 0; i < 8; i++) russian += "\xD0\x9B\xD0\xB8\xD1\x86\xD0\xB5\xD0\xBD\xD0\xB7\xD0\xB8\xD1\x8F ";
    EXPECT_TRUE(scan(russian + "\xA9 Caf\xE9\r\n").mixed);
    // An ANSI text with a chance UTF-8 look-alike among more accents stays ANSI.
    EXPECT_FALSE(has_problems(scan("\xC3\xA9 d\xE9j\xE0 vu \xE8"), false));
    // Found by the fuzzer: 1251 "юя" begins as UTF-16's mark does.
    ASSERT_TRUE(codepage_select(1251));
    Report like_utf16 = scan("\xFE\xFF\xFF\xF0", Encoding::Ansi);
    EXPECT_TRUE(like_utf16.also_utf16);
    EXPECT_FALSE(has_problems(like_utf16, false)) << describe(like_utf16, "f", false);
}

namespace {

struct FixCase {
    const char *name;
    std::string in;
    int cp;
    Encoding from;
    bool allow_cut;
    FixStatus status;
    std::string out_or_error;   // the bytes written, or part of the refusal
};

const FixCase kFixCases[] = {
    {"UTF-8 with LF", "Caf\xC3\xA9 \xE2\x80\x94 \xC2\xBD\n", 1252, A, false, FixStatus::Written, "Caf\xE9 \x97 \xBD\r\n"},
    {"mark dropped", "\xEF\xBB\xBFok\r", 1252, A, false, FixStatus::Written, "ok\r\n"},
    {"ANSI, line ends only", "Caf\xE9\nx\r", 1252, A, false, FixStatus::Written, "Caf\xE9\r\nx\r\n"},
    {"ANSI with one UTF-8 look-alike", "\xC3\xA9 then \xE9 and \xE8", 1252, A, false, FixStatus::Written, "\xC3\xA9 then \xE9 and \xE8"},
    // Mostly UTF-8: refused until told which reading is meant; UTF-8 refuses by every place.
    {"mixed", "\xC3\xA9 then \xE9.", 1252, A, false, FixStatus::Refused, "UTF-8 (1 character outside ASCII) but for 1 sequence that is not: 0xE9 at line 1, column 8 (byte 9)"},
    {"mixed, told ANSI", "\xC3\xA9 then \xE9.", 1252, N, false, FixStatus::Written, "\xC3\xA9 then \xE9."},
    {"mixed, told UTF-8", "\xC3\xA9 \xE9 \xE8 \xC3\xA9\xC3\xA9", 1252, U8, false, FixStatus::Refused, "2 sequences are no character: 0xE9 at line 1, column 3 (byte 4) and 0xE8 at line 1, column 5 (byte 6)"},
    {"last character cut", "\xC3\xA9t\xC3", 1252, A, false, FixStatus::Refused, "its last character is cut: 0xC3 at line 1, column 3 (byte 4)"},
    // What fix writes, check reads as written: no result that reads as UTF-8 or UTF-16 too.
    {"garbled already", "Caf\xC3\x83\xC2\xA9", 1252, A, false, FixStatus::Refused, "the result would read as UTF-8 too"},
    {"a control without a place", "abc \xC2\x9B" "2J", 1252, A, false, FixStatus::Refused, "U+009B at line 1, column 5 (byte 5) has no place"},
    {"Thai, short", "\xE0\xB8\x88\xE0\xB8\xB3\xE0\xB8\x81\xE0\xB8\xB1\xE0\xB8\x94", 874, A, false, FixStatus::Written, "\xA8\xD3\xA1\xD1\xB4"},
    {"partly garbled", "\xC3\x83\xC2\xA9 \xC3\xA9", 1252, A, false, FixStatus::Refused, "the result would read as UTF-8 but for 1 sequence"},
    {"result like a UTF-16 mark", "\xC3\xBF\xC3\xBEok", 1252, A, false, FixStatus::Refused, "the bytes of a UTF-16 byte-order mark"},
    {"to 1251", "\xD0\x9B\xD0\xB8\n", 1251, A, false, FixStatus::Written, "\xCB\xE8\r\n"},
    {"to Shift-JIS", "\xE6\x97\xA5\xE6\x9C\xAC\n", 932, A, false, FixStatus::Written, "\x93\xfa\x96\x7b\r\n"},
    {"UTF-16 BE with mark", S("\xFE\xFF\0A\0\xE9", 6), 1252, A, false, FixStatus::Written, "A\xE9"},
    {"UTF-16 without mark, told", S("A\0\xE9\0", 4), 1252, LE, false, FixStatus::Written, "A\xE9"},
    {"UTF-16 without mark", S("A\0B\0", 4), 1252, A, false, FixStatus::Refused, "UTF-16 LE without a byte-order mark"},
    {"UTF-16 lone surrogate", S("\xFF\xFE" "A\0\0\xDC", 6), 1252, A, false, FixStatus::Refused, "at line 1, column 2 (byte 5) (U+DC00)"},
    {"UTF-16 BE high surrogate alone", S("\xFE\xFF\xD8\x3D\0A", 6), 1252, A, false, FixStatus::Refused, "(U+D83D)"},
    {"no place in 1252", "x\n\xC4\x89", 1252, A, false, FixStatus::Refused, "\"\xC4\x89\" (U+0109) at line 2, column 1 (byte 3)"},
    {"undefined 1252 byte", "\xE9\x81", 1252, A, false, FixStatus::Refused, "byte 0x81 at line 1, column 2 (byte 2) is no character"},
    {"zero", S("ab\0", 3), 1252, A, false, FixStatus::Refused, "a zero byte at line 1, column 3 (byte 3)"},
    {"empty", "", 1252, A, false, FixStatus::Refused, "the text is empty"},
    {"result like a mark", "\xC3\xAF\xC2\xBB\xC2\xBFHi", 1252, A, false, FixStatus::Refused, "begin with the bytes EF BB BF"},
    {"mark before ANSI, told", "\xEF\xBB\xBF" "Caf\xE9", 1252, N, false, FixStatus::Written, "Caf\xE9"},
    {"mark alone", "\xEF\xBB\xBF", 1252, A, false, FixStatus::Refused, "byte-order mark alone"},
    {"marked, not UTF-8", "\xEF\xBB\xBF\xE9", 1252, A, false, FixStatus::Refused, "not valid UTF-8 at line 1, column 1 (byte 4)"},
    // Found by the fuzzer: a UTF-8 sequence cut short by the end of the text, read in pieces.
    {"UTF-8 cut short at the end", "\r\xF3\x9E", 1251, A, false, FixStatus::Written, "\r\n\xF3\x9E"},
    {"UTF-8 surrogate is no UTF-8", "\xED\xA0\x80", 1252, A, false, FixStatus::Written, "\xED\xA0\x80"},
    // Found by the fuzzer: 932 holds U+2170 as FA40 and as EEEF; an ANSI text keeps its bytes.
    {"932 duplicates kept", "\xFA\x40\xEE\xEF", 932, A, false, FixStatus::Written, "\xFA\x40\xEE\xEF"},
    // 630 lines of 26 bytes with CR LF fill 16380 bytes exactly.
    {"too long", run_of(17000, "A line of the agreement.\n"), 1252, A, false, FixStatus::Refused, "would cut it at line 631, column 1 "},
};

}  // namespace

TEST(Fix, ConvertsOrRefusesWithThePlace)
{
    for (const FixCase &c : kFixCases) {
        ASSERT_TRUE(codepage_select(c.cp)) << c.name;
        for (size_t piece : {1, 3, 65536}) {
            SCOPED_TRACE(std::string(c.name) + ", read " + std::to_string(piece) + " bytes at a time");
            Fixed f = fix(c.in, c.from, c.allow_cut, piece);
            EXPECT_EQ((int)c.status, (int)f.run.status) << f.run.error;
            if (c.status == FixStatus::Written)
                EXPECT_EQ(c.out_or_error, f.bytes);
            else
                EXPECT_NE(std::string::npos, f.run.error.find(c.out_or_error)) << f.run.error;
        }
    }
}

// A pipe cannot be read from the start again: a text that turns out not to be UTF-8 is read
// again from memory when the first block holds all of it, and refused when it does not.
TEST(Fix, FromAPipeReadsTheFirstBlockAgainOnlyWhenItIsAll)
{
    struct PipeSource : StringSource {
        using StringSource::StringSource;
        bool rewind() override { return false; }
    };
    ASSERT_TRUE(codepage_select(1252));
    const struct {
        size_t size;
        size_t piece;
        FixStatus status;
    } cases[] = {
        {100, 7, FixStatus::Written},
        {65536, 65536, FixStatus::Written},   // exactly one block
        {65536, 1000, FixStatus::Written},
        {65537, 65536, FixStatus::ReadFailed},
        {200000, 4096, FixStatus::ReadFailed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes read " + std::to_string(c.piece) + " at a time");
        std::string text = "Caf\xE9 " + std::string(c.size - 5, 'a');  // not UTF-8 from byte 4
        PipeSource source(text, c.piece);
        StringSink sink;
        FixRun run = fix_stream(&source, Encoding::Auto, true, &sink);
        EXPECT_EQ((int)c.status, (int)run.status) << run.error;
        if (c.status == FixStatus::Written) EXPECT_EQ(text, sink.bytes);
        else EXPECT_NE(std::string::npos, run.error.find("--from ansi")) << run.error;
    }
}

namespace {

// Texts made of the pieces that matter: letters, every line end, marks, characters of one to
// four UTF-8 bytes (in 1252 or not), raw high bytes, double-byte pairs, zeros; sometimes near
// the 16380 bytes the dialog shows.
std::string generate(std::mt19937 &rng)
{
    static const char *const pieces[] = {
        "word ", "\r\n", "\n", "\r", "\xC3\xA9", "\xE2\x80\x94", "\xF0\x9F\x98\x80", "\xC4\x89", "\xC2\xA9",
        "\xE9", "\x81", "\x93\xfa", "\xEF\xBB\xBF", "\xC3", "\x80", "\xD0\x9B", "\xE6\x97\xA5", " ",
        "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFE\xFF", "\xFF\xFE",
        "\xC3\x83\xC2\xA9", "\xC3\xBF\xC3\xBE"};  // UTF-8 garbled once already; 1252 "ÿþ" in UTF-8
    std::string s;
    if (rng() % 8 == 0) s += "\xEF\xBB\xBF";
    if (rng() % 16 == 0) s += "\xC3\xAF\xC2\xBB\xC2\xBF";
    if (rng() % 16 == 0) s += rng() % 2 ? "\xFE\xFF" : "\xFF\xFE";  // 1252 "þÿ", 1251 "юя"  // the UTF-8 of the mark's three 1252 letters
    if (rng() % 6 == 0) s += std::string(16370 + rng() % 12, 'a');
    for (int n = rng() % 40; n > 0; n--) s += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    if (rng() % 20 == 0) s += std::string(1, '\0');
    return s;
}

}  // namespace

// What fix writes, check calls ok and fix leaves as it is; what check calls ok, fix leaves as
// it is; reading in pieces changes nothing.
TEST(Fix, AgreesWithCheckOverAGeneratedCorpus)
{
    std::mt19937 rng(20261208);
    int written = 0;
    for (int i = 0; i < 3000; i++) {
        const int cp = (int[]){1252, 1251, 932}[i % 3];
        ASSERT_TRUE(codepage_select(cp));
        const std::string in = generate(rng);
        SCOPED_TRACE("text " + std::to_string(i) + " in code page " + std::to_string(cp) + ": " +
                     testing::PrintToString(in.substr(0, 80)));
        for (int mode = 0; mode < 4; mode++) {
            const bool allow_cut = mode & 1;
            const Encoding from = mode & 2 ? Encoding::Ansi : Encoding::Auto;
            Fixed f = fix(in, from, allow_cut);
            EXPECT_EQ(f.bytes, fix(in, from, allow_cut, 5).bytes);
            Report before = scan(in, from);
            if (!has_problems(before, allow_cut)) {
                EXPECT_EQ((int)FixStatus::Written, (int)f.run.status) << f.run.error;
                EXPECT_EQ(in, f.bytes) << "fix changed a text that check calls ok";
            }
            if (before.empty) {
                EXPECT_EQ((int)FixStatus::Refused, (int)f.run.status);
            }
            if (f.run.status != FixStatus::Written) continue;
            written++;
            // check, told what fix was told, calls it ok; without --from ansi, check alone does.
            Report after = scan(f.bytes, from);
            EXPECT_FALSE(has_problems(after, allow_cut)) << describe(after, "OUT", allow_cut);
            const Report &o = f.run.output;
            if (!o.also_utf8 && !o.also_utf16 && !o.also_mixed) {
                EXPECT_FALSE(has_problems(scan(f.bytes), allow_cut)) << describe(scan(f.bytes), "OUT", allow_cut);
            }
            Fixed again = fix(f.bytes, from, allow_cut);
            EXPECT_EQ((int)FixStatus::Written, (int)again.run.status) << again.run.error;
            EXPECT_EQ(f.bytes, again.bytes) << "a second fix changed the text";
        }
    }
    EXPECT_GT(written, 500) << "the corpus should reach the writing path often";
}
