// libFuzzer target over the reflow, on any bytes: only line ends and the spaces around them
// change, every other byte stays in its order; a reflowed text is not hard-wrapped and a second
// reflow leaves it as it is; a text that is not hard-wrapped is left as it is; the counts agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reflow.h"
#include "require.h"

static std::string without_spaces(const std::string &s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
    return out;
}

static size_t line_ends(const std::string &s)
{
    size_t n = 0;
    for (size_t at = 0; (at = s.find("\r\n", at)) != std::string::npos; at += 2) n++;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string in((const char *)data, size);
    HardWrap wrap = find_hard_wrap(in);
    std::string out = reflow(in);
    REQUIRE(without_spaces(out) == without_spaces(in));
    REQUIRE(out.size() <= in.size());
    REQUIRE(find_hard_wrap(out).column == 0);
    REQUIRE(reflow(out) == out);
    if (!wrap.column) REQUIRE(out == in && wrap.joins == 0 && wrap.uneven == 0);
    if (wrap.column) REQUIRE(wrap.joins > 0 && line_ends(out) + wrap.joins <= line_ends(in));
    REQUIRE(wrap.uneven <= wrap.lines);
    return 0;
}
