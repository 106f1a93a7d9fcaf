// The liscn tool on real files: each problem that check reports, fix's conversions and its
// refusals, and preview.  Runs the built program as a user would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string output;  // stdout and stderr
};

class Liscn : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/liscnXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string &name) { return dir_ + "/" + name; }
    std::string write(const std::string &name, const std::string &bytes)
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string read(const std::string &name)
    {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string &name) { return std::filesystem::exists(path(name)); }

    Outcome liscn(const std::string &args)
    {
        Outcome r;
        FILE *p = popen((std::string(LISCN) + " " + args + " 2>&1").c_str(), "r");
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
        int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    Outcome check(const std::string &bytes) { return liscn("check " + write("in.txt", bytes)); }

    std::string dir_;
};

// Accented Western text as an editor saves it (UTF-8, LF) and as the dialog needs it (1252, CR LF).
const std::string kUtf8 = "Licence\n\nCaf\xC3\xA9 M\xC3\xBCller \xC2\xA9 2026 \xE2\x80\x94 \xC2\xBD price\n";
const std::string kAnsi = "Licence\r\n\r\nCaf\xE9 M\xFCller \xA9 2026 \x97 \xBD price\r\n";

#define EXPECT_HAS(haystack, needle) EXPECT_NE(std::string::npos, (haystack).find(needle)) << (haystack)

}  // namespace

TEST_F(Liscn, CleanAnsiTextPasses)
{
    Outcome r = check(kAnsi);
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_HAS(r.output, "ok: the dialog shows this file as written");
    EXPECT_HAS(r.output, "3 lines");
    EXPECT_HAS(r.output, "not UTF-8, so taken as code page 1252");
}

TEST_F(Liscn, CheckReportsLineEndsWithTheirLines)
{
    Outcome lf = check("one\r\ntwo\nthree\nfour\r\n");
    EXPECT_EQ(1, lf.status);
    EXPECT_HAS(lf.output, "2 line(s) end with LF alone: lines 2, 3 run together");
    Outcome cr = check("one\rtwo\r\n");
    EXPECT_EQ(1, cr.status);
    EXPECT_HAS(cr.output, "1 line(s) end with CR alone: lines 1 run together");
}

TEST_F(Liscn, CheckReportsTheCutWithItsPlace)
{
    std::string text;
    for (int i = 0; text.size() < 20000; i++) text += std::string(98, 'a' + i % 26) + "\r\n";
    Outcome r = check(text);
    EXPECT_EQ(1, r.status);
    // 16380 = 163 lines of 100 bytes and 80 bytes into line 164.
    EXPECT_HAS(r.output, "cut after byte 16380, at line 164, column 81 (byte 16380): 3620 bytes are not shown");
    EXPECT_EQ(0, check(text.substr(0, 16380)).status) << "exactly 16380 bytes are shown whole";
}

TEST_F(Liscn, CheckReportsAZeroByteAndAnEmptyText)
{
    Outcome zero = check(std::string("First\r\nSec\0ond\r\n", 16));
    EXPECT_EQ(1, zero.status);
    EXPECT_HAS(zero.output, "a zero byte at line 2, column 4 (byte 10) ends the text: 6 of the bytes read are not shown");
    Outcome leading = check(std::string("\0text", 5));
    EXPECT_EQ(1, leading.status);
    EXPECT_HAS(leading.output, "nothing is shown at all");
    Outcome empty = check("");
    EXPECT_EQ(1, empty.status);
    EXPECT_HAS(empty.output, "the file is empty");
}

TEST_F(Liscn, CheckReportsMarksAndUtf8)
{
    Outcome bom = check("\xEF\xBB\xBFTerms\r\n");
    EXPECT_EQ(1, bom.status);
    EXPECT_HAS(bom.output, "UTF-8 byte-order mark: the dialog shows it as the characters \"\xC3\xAF\xC2\xBB\xC2\xBF\"");
    Outcome bom_on_ansi = check("\xEF\xBB\xBF" "Caf\xE9\r\n");  // a mark before ANSI text
    EXPECT_EQ(1, bom_on_ansi.status);
    EXPECT_HAS(bom_on_ansi.output, "UTF-8 byte-order mark");
    Outcome utf16 = check(std::string("\xFF\xFET\0e\0", 6));
    EXPECT_EQ(1, utf16.status);
    EXPECT_HAS(utf16.output, "UTF-16");
    Outcome utf8 = check("Caf\xC3\xA9\r\nna\xC3\xAFve\r\n");
    EXPECT_EQ(1, utf8.status);
    EXPECT_HAS(utf8.output, "the text is UTF-8 (4 bytes outside ASCII, the first at line 1, column 4 (byte 3))");
}

TEST_F(Liscn, UsageErrorsAndUnreadableFiles)
{
    EXPECT_EQ(2, liscn("check " + path("missing.txt")).status);
    EXPECT_EQ(2, liscn("").status);
    EXPECT_EQ(2, liscn("check").status);
    EXPECT_EQ(2, liscn("check a b").status);
    EXPECT_EQ(2, liscn("frobnicate x").status);
    EXPECT_EQ(2, liscn("fix " + write("a.txt", "x") + " " + path("b.txt") + " --codepage 99999").status);
    EXPECT_EQ(0, liscn("--help").status);
}

TEST_F(Liscn, FixTurnsUtf8WithLfIntoCodePage1252WithCrLf)
{
    write("utf8.txt", kUtf8);
    Outcome r = liscn("fix " + path("utf8.txt") + " " + path("out.txt"));
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_HAS(r.output, "read as UTF-8");
    EXPECT_EQ(kAnsi, read("out.txt"));
    EXPECT_EQ(0, liscn("check " + path("out.txt")).status);
    // And back: the preview decodes the result to the same text.
    Outcome preview = liscn("preview " + path("out.txt"));
    EXPECT_EQ(0, preview.status);
    EXPECT_EQ(0u, preview.output.find(kUtf8)) << preview.output;
}

TEST_F(Liscn, FixReadsAByteOrderMarkAndAnsiInput)
{
    write("bom.txt", "\xEF\xBB\xBF" + kUtf8);
    EXPECT_EQ(0, liscn("fix " + path("bom.txt") + " " + path("a.txt")).status);
    EXPECT_EQ(kAnsi, read("a.txt")) << "the mark is dropped";

    // Already ANSI (not UTF-8), only the line ends are wrong.
    std::string ansi_lf = kAnsi;
    for (size_t i; (i = ansi_lf.find("\r\n")) != std::string::npos;) ansi_lf.erase(i, 1);
    write("ansi.txt", ansi_lf + "mac\rline\r");
    Outcome r = liscn("fix " + path("ansi.txt") + " " + path("b.txt"));
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_HAS(r.output, "read as code page 1252");
    EXPECT_EQ(kAnsi + "mac\r\nline\r\n", read("b.txt"));
}

TEST_F(Liscn, FixToAnotherCodePage)
{
    write("ru.txt", "\xD0\x9B\xD0\xB8\xD1\x86\xD0\xB5\xD0\xBD\xD0\xB7\xD0\xB8\xD1\x8F\n");  // Лицензия
    Outcome r = liscn("fix " + path("ru.txt") + " " + path("out.txt") + " --codepage 1251");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_EQ("\xCB\xE8\xF6\xE5\xED\xE7\xE8\xFF\r\n", read("out.txt"));
    EXPECT_EQ(1, liscn("fix " + path("ru.txt") + " " + path("no.txt")).status) << "not in 1252";
}

TEST_F(Liscn, FixRefusesWhatItCannotKeepAndLeavesOutAlone)
{
    write("in.txt", "Fine\nEsperanto: \xC4\x89\n");
    write("out.txt", "previous contents");
    struct stat before, after;
    ASSERT_EQ(0, stat(path("in.txt").c_str(), &before));

    Outcome r = liscn("fix " + path("in.txt") + " " + path("out.txt"));
    EXPECT_EQ(1, r.status);
    EXPECT_HAS(r.output, "\"\xC4\x89\" (U+0109) at line 2, column 12 has no place in code page 1252");
    EXPECT_EQ("previous contents", read("out.txt")) << "OUT is written whole or not at all";
    EXPECT_FALSE(exists("out.txt.liscn-partial"));

    write("zero.txt", std::string("a\0b", 3));
    EXPECT_EQ(1, liscn("fix " + path("zero.txt") + " " + path("z.txt")).status);
    EXPECT_FALSE(exists("z.txt"));

    ASSERT_EQ(0, stat(path("in.txt").c_str(), &after));
    EXPECT_EQ("Fine\nEsperanto: \xC4\x89\n", read("in.txt"));
    EXPECT_EQ(before.st_mtime, after.st_mtime);
}

TEST_F(Liscn, FixNeverWritesOverItsInput)
{
    write("in.txt", kUtf8);
    Outcome r = liscn("fix " + path("in.txt") + " " + path("in.txt"));
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(kUtf8, read("in.txt"));
    EXPECT_EQ(2, liscn("fix " + path("in.txt") + " " + dir_ + "/./in.txt").status);
    EXPECT_EQ(kUtf8, read("in.txt"));
}

TEST_F(Liscn, FixRefusesALongResultUnlessAllowed)
{
    std::string text;
    while (text.size() < 17000) text += "A line of the agreement.\n";
    write("long.txt", text);
    Outcome refused = liscn("fix " + path("long.txt") + " " + path("out.txt"));
    EXPECT_EQ(1, refused.status);
    // 630 lines of 26 bytes with CR LF fill 16380 bytes exactly.
    EXPECT_HAS(refused.output, "would cut it at line 631, column 1 ");
    EXPECT_FALSE(exists("out.txt"));

    Outcome allowed = liscn("fix " + path("long.txt") + " " + path("out.txt") + " --allow-cut");
    EXPECT_EQ(0, allowed.status);
    EXPECT_HAS(allowed.output, "warning: the dialog shows only the first 16380 bytes, up to line 631, column 1\n");
    EXPECT_GT(read("out.txt").size(), 16380u);
}

TEST_F(Liscn, PreviewShowsWhatTheBoxHolds)
{
    Outcome r = liscn("preview " + write("p.txt", std::string("Caf\xE9\r\nrun\ntogether\r\nend\0hidden", 30)));
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.output.find("Caf\xC3\xA9\nrun\xE2\x90\x8Atogether\nend\n")) << r.output;
    EXPECT_HAS(r.output, "a zero byte ends the text");
}
