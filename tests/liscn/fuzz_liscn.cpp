// libFuzzer target over the scanner and the conversion.  The first byte chooses the code page,
// the encoding the author names and --allow-cut; the rest is the text.  Besides not crashing:
// what fix writes, check calls ok, and a second fix leaves as it is (both told --from ansi if
// fix was); what check calls ok, fix leaves as it is; reading in pieces gives the same result.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "memory_io.h"
#include "require.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    static const int pages[] = {1252, 1251, 1250, 1253, 1255, 874, 932, 936, 949, 950};
    static const Encoding froms[] = {Encoding::Auto, Encoding::Auto, Encoding::Ansi, Encoding::Utf8,
                                     Encoding::Utf16le, Encoding::Utf16be};
    const int cp = pages[data[0] % 10];
    const Encoding from = froms[data[0] / 10 % 6];
    const bool allow_cut = data[0] & 0x80;
    if (!codepage_select(cp)) return 0;
    const std::string in((const char *)data + 1, size - 1);

    Report report = scan(in, from);
    Report pieces = scan(in, from, 1);  // byte by byte: no bulk path but for single bytes
    REQUIRE(has_problems(report, allow_cut) == has_problems(pieces, allow_cut));
    REQUIRE(report.lines == pieces.lines && report.bad == pieces.bad && report.first_bad.byte == pieces.first_bad.byte);
    // The fast paths over whole blocks count as the byte-by-byte reading does.
    REQUIRE(report.lf.count == pieces.lf.count && report.non_ascii == pieces.non_ascii &&
            report.first_non_ascii.column == pieces.first_non_ascii.column && report.mixed == pieces.mixed &&
            report.utf8_valid == pieces.utf8_valid && report.utf8_broken == pieces.utf8_broken &&
            report.cut_at.column == pieces.cut_at.column && report.first_bad.column == pieces.first_bad.column);
    describe(report, "IN", allow_cut);

    Fixed f = fix(in, from, allow_cut);
    Fixed g = fix(in, from, allow_cut, 7);
    REQUIRE(f.run.status == g.run.status && f.bytes == g.bytes);
    if (!has_problems(report, allow_cut) && (from == Encoding::Auto || from == Encoding::Ansi)) {
        REQUIRE(f.run.status == FixStatus::Written);
        REQUIRE(f.bytes == in);
    }
    if (report.empty) REQUIRE(f.run.status == FixStatus::Refused);
    if (f.run.status != FixStatus::Written) return 0;
    // Every written OUT: check calls it ok and fix leaves it as it is, told --from ansi where fix
    // was, else told nothing; a result that reads otherwise too is written only under --from ansi.
    const Encoding same = from == Encoding::Ansi ? Encoding::Ansi : Encoding::Auto;
    REQUIRE(!has_problems(scan(f.bytes, same), allow_cut));
    const Report &o = f.run.output;
    if (!o.also_utf8 && !o.also_utf16 && !o.also_mixed) REQUIRE(!has_problems(scan(f.bytes), allow_cut));
    Fixed again = fix(f.bytes, same, allow_cut);
    REQUIRE(again.run.status == FixStatus::Written && again.bytes == f.bytes);
    return 0;
}
