#include "reflow.h"

#include <vector>

namespace {

const unsigned kWindow = 15, kNarrowest = 50, kWidest = 100;

struct Line {
    size_t begin = 0, end = 0;  // its bytes, without the CR LF
    unsigned indent = 0;        // columns before its first character that is not a space
    unsigned text = 0;          // where its text starts: after a list item's marker
    unsigned width = 0;         // columns up to the end of its last character that is not a space
    unsigned first_word = 0;    // columns of its first word
    bool blank = false, rule = false, item = false, table = false;
    bool own = false;     // a copyright line: never joined, nothing joins it
    bool capitals = false;  // letters, and none of them small
    bool open = false;    // ends with a colon or a closing angle bracket: what follows is apart
    bool hyphen = false;  // ends with a letter and a hyphen: a word may be broken there
};

// The code points of bytes [begin, end), a byte that starts no UTF-8 sequence counting as one.
std::vector<unsigned long> characters(const std::string &s, size_t begin, size_t end)
{
    std::vector<unsigned long> out;
    for (size_t i = begin; i < end;) {
        unsigned char b = (unsigned char)s[i];
        int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
        unsigned long c = n == 1 ? b : b & (0x7F >> n);
        int k = 1;
        for (; k < n && i + k < end && ((unsigned char)s[i + k] & 0xC0) == 0x80; k++)
            c = c << 6 | ((unsigned char)s[i + k] & 0x3F);
        if (k < n) c = b, k = 1;
        out.push_back(c);
        i += (size_t)k;
    }
    return out;
}

// Spaces, as the box shows them: a form feed and the no-break spaces too.
bool space(unsigned long c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == 0xA0 || c == 0x3000; }
bool digit(unsigned long c) { return c >= '0' && c <= '9'; }
bool letter(unsigned long c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool roman_letter(unsigned long c) { return c == 'i' || c == 'v' || c == 'x' || c == 'I' || c == 'V' || c == 'X'; }

// The length of a list item's marker at c[i], 0 for none: a bullet, or a number (also 1.2), a
// letter or a roman numeral with a full stop or a closing bracket, or in brackets; a space
// (or the end of the line) after it.
size_t marker(const std::vector<unsigned long> &c, size_t i)
{
    size_t n = c.size(), j = i;
    auto ends_here = [&](size_t k) { return k == n || space(c[k]); };
    static const unsigned long bullets[] = {'-', '*', '+', 'o', 0x2022, 0xB7, 0x2013, 0x2014, 0x2023, 0x25CF,
                                            0x25AA, 0x25E6, 0xA7};
    for (unsigned long b : bullets)
        if (j < n && c[j] == b) return ends_here(j + 1) && j + 1 < n ? 1 : 0;
    bool bracket = j < n && c[j] == '(';
    if (bracket) j++;
    size_t start = j;
    bool inner_stop = false;
    if (j < n && digit(c[j])) {
        while (j < n && j - start < 3 && digit(c[j])) j++;
        while (j + 1 < n && c[j] == '.' && digit(c[j + 1])) {
            inner_stop = true;
            for (j++; j < n && digit(c[j]); j++)
                ;
        }
    } else if (j < n && letter(c[j]) && !(j + 1 < n && letter(c[j + 1]))) {
        j++;
    } else {
        // A roman numeral, in one case.
        while (j < n && j - start < 6 && roman_letter(c[j]) && (c[j] & 0x20) == (c[start] & 0x20)) j++;
    }
    if (j == start) return 0;
    if (bracket) return j < n && c[j] == ')' && ends_here(j + 1) ? j + 1 - i : 0;
    if (j < n && (c[j] == '.' || c[j] == ')') && ends_here(j + 1)) return j + 1 - i;
    return inner_stop && ends_here(j) ? j - i : 0;
}

Line read_line(const std::string &s, size_t begin, size_t end)
{
    Line line;
    line.begin = begin, line.end = end;
    std::vector<unsigned long> c = characters(s, begin, end);
    std::vector<unsigned> column(c.size() + 1, 0);  // where each character starts
    for (size_t i = 0; i < c.size(); i++) column[i + 1] = c[i] == '\t' ? (column[i] / 8 + 1) * 8 : column[i] + 1;
    size_t first = 0, last = c.size();
    while (first < c.size() && space(c[first])) first++;
    while (last > first && space(c[last - 1])) last--;
    if (first == c.size()) return line.blank = true, line;
    line.indent = column[first];
    line.width = column[last];
    size_t word = first;
    while (word < last && !space(c[word])) word++;
    line.first_word = column[word] - column[first];

    size_t same = 0;
    for (size_t i = first; i < last; i++) same += c[i] == c[first];
    const unsigned long rules[] = {'-', '=', '_', '*', '~', '#'};
    for (unsigned long r : rules) line.rule |= c[first] == r && same >= 3;
    for (size_t i = first; i < last && line.rule; i++) line.rule = space(c[i]) || c[i] == c[first];
    if (line.rule) return line;

    size_t text = first, m = marker(c, first);
    if (m) {
        line.item = true;
        for (text = first + m; text < last && space(c[text]); text++)
            ;
    }
    line.text = column[text];
    for (size_t i = text; i < last; i++) {
        if (c[i] == '\t') line.table = true;
        if (c[i] != ' ' || c[i - 1] == ' ') continue;
        size_t run = 0;
        while (c[i + run] == ' ') run++;
        // The end of a sentence, past its closing brackets and quotes.
        size_t k = i - 1;
        auto closing = [](unsigned long x) {
            return x == ')' || x == ']' || x == '"' || x == '\'' || x == '`' || x == 0x201D || x == 0x2019;
        };
        while (k > text && closing(c[k])) k--;
        unsigned long before = c[k];
        bool sentence = before == '.' || before == '?' || before == '!' || before == ':';
        if (run >= 3 || (run == 2 && !sentence)) line.table = true;
    }
    auto starts_with = [&](const char *word) {
        size_t k = first;
        for (; *word && k < last && c[k] == (unsigned char)*word; k++) word++;
        return !*word;
    };
    // A line in the middle of a sentence may start with "copyright"; "(c)" is also a list item's
    // marker, and a copyright line's has a year after it.
    line.own = starts_with("Copyright") || starts_with("COPYRIGHT") || c[first] == 0xA9 ||
               ((starts_with("(c) ") || starts_with("(C) ")) && first + 4 < last && digit(c[first + 4]));
    bool small = false, letters = false;
    for (size_t i = first; i < last; i++) {
        small |= (c[i] >= 'a' && c[i] <= 'z') || (c[i] >= 0xDF && c[i] <= 0xFF && c[i] != 0xF7);
        letters |= letter(c[i]) || (c[i] >= 0xC0 && c[i] <= 0xFF && c[i] != 0xD7 && c[i] != 0xF7);
    }
    line.capitals = letters && !small;
    line.open = c[last - 1] == ':' || c[last - 1] == '>';
    line.hyphen = last - first >= 2 && c[last - 1] == '-' && letter(c[last - 2]);
    return line;
}

std::vector<Line> read_lines(const std::string &text)
{
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        lines.push_back(read_line(text, begin, end));
        begin = end + 2;
    }
    return lines;
}

// Whether line i may join line i - 1 by its shape alone, the fullness of i - 1 aside.  Where
// the line before starts a paragraph (after a blank line, as a list item) the line may start
// less far in (a first-line indent, a hanging indent); else exactly as far in.
bool may_join(const std::vector<Line> &lines, size_t i, bool continuation)
{
    const Line &prev = lines[i - 1], &next = lines[i];
    if (prev.blank || next.blank || prev.rule || next.rule || prev.table || next.table || next.item) return false;
    if (prev.own || next.own || prev.open || prev.hyphen || prev.capitals != next.capitals) return false;
    if (i + 1 < lines.size() && lines[i + 1].rule) return false;  // a heading
    bool starts = !continuation && (prev.item || i == 1 || lines[i - 2].blank || lines[i - 2].rule);
    return starts ? next.indent <= prev.text : next.indent == prev.indent;
}

// Full: the next line's first word would not have fitted after it, or it ends within the
// window below the wrap (a text wrapped by hand does not fill every line).
bool full(const Line &prev, const Line &next, unsigned column)
{
    return prev.width <= column && (prev.width + 1 + next.first_word > column || prev.width + kWindow >= column);
}

// Centred: indented far, with about as much room after it as before it, and not where the line
// before has its text (a list item's hanging indent).
bool centred(const Line &line, const Line *before_it, unsigned column)
{
    if (line.blank || line.indent < 12 || line.width + 8 > column) return false;
    if (before_it && !before_it->blank && before_it->text == line.indent) return false;
    unsigned after = column - line.width, before = line.indent;
    unsigned difference = after > before ? after - before : before - after;
    return difference <= (before / 3 > 4 ? before / 3 : 4);
}

struct Plan {
    HardWrap wrap;
    std::vector<Line> lines;
    std::vector<bool> joins;  // line i joins line i - 1
};

Plan plan(const std::string &text)
{
    Plan p;
    p.lines = read_lines(text);
    const std::vector<Line> &lines = p.lines;
    p.wrap.lines = lines.size();
    p.joins.assign(lines.size(), false);
    // How many of the lines that could join end at each width.
    unsigned long long at_width[kWidest + 1] = {};
    for (size_t i = 1; i < lines.size(); i++)
        if (may_join(lines, i, false) && lines[i - 1].width <= kWidest) at_width[lines[i - 1].width]++;
    unsigned column = 0;
    unsigned long long best = 0;
    for (unsigned w = kNarrowest; w <= kWidest; w++) {
        unsigned long long n = 0;
        for (unsigned v = w - kWindow; v <= w; v++) n += at_width[v];
        if (at_width[w] && n >= best) best = n, column = w;
    }
    if (!column) return p;
    bool paragraph_of_three = false;
    unsigned long long joins = 0, long_lines = 0;
    for (const Line &line : lines) long_lines += !line.table && line.width > kWidest;
    for (size_t i = 1; i < lines.size(); i++) {
        p.joins[i] = may_join(lines, i, p.joins[i - 1]) && full(lines[i - 1], lines[i], column) &&
                     !centred(lines[i - 1], i > 1 ? &lines[i - 2] : nullptr, column) &&
                     !centred(lines[i], &lines[i - 1], column);
        paragraph_of_three |= p.joins[i] && p.joins[i - 1];
        joins += p.joins[i];
    }
    if (!paragraph_of_three || joins <= 2 * long_lines) {
        p.joins.assign(lines.size(), false);
        return p;
    }
    p.wrap.column = column;
    for (size_t i = 0; i < lines.size(); i++) {
        p.wrap.joins += p.joins[i];
        bool joined = p.joins[i] || (i + 1 < lines.size() && p.joins[i + 1]);
        p.wrap.uneven += joined && lines[i].width > kBoxCharacters;
    }
    return p;
}

}  // namespace

HardWrap find_hard_wrap(const std::string &text) { return plan(text).wrap; }

namespace {

std::string reflow_once(const std::string &text, const Plan &p)
{
    const std::vector<Line> &lines = p.lines;
    std::string out;
    for (size_t i = 0; i < lines.size(); i++) {
        const Line &line = lines[i];
        size_t begin = line.begin;
        if (p.joins[i]) {
            while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
            out += ' ';
            while (begin < line.end && (text[begin] == ' ' || text[begin] == '\t')) begin++;
        } else if (i > 0) {
            out += "\r\n";
        }
        out.append(text, begin, line.end - begin);
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) out += "\r\n";
    return out;
}

}  // namespace

// Joined until nothing is left to join, so that a reflowed text is never hard-wrapped: each
// round joins at least one line end, so there are fewer rounds than lines.
std::string reflow(const std::string &text)
{
    std::string out = text;
    for (Plan p = plan(out); p.wrap.column; p = plan(out)) out = reflow_once(out, p);
    return out;
}
