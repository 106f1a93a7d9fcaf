#include "commands.h"

#include <string>

#include "codepage.h"
#include "output.h"
#include "platform.h"
#include "reflow.h"
#include "report.h"
#include "transcode.h"

namespace {

const size_t kBlock = 1 << 16;

int cannot(const char *what, const char *name)
{
    emit(&g_err, std::string("liscn: cannot ") + what + " " + shown_name(name) + ": " + shown_name(platform_error()) +
                     "\n");
    return kExitTrouble;
}

// Reads the first block: as much as one read gives, enough to sniff the encoding.
long first_block(InFile *in, unsigned char *block)
{
    long n = 0, r;
    while (n < (long)kBlock && (r = in_read(in, block + n, kBlock - n)) > 0) n += r;
    return r < 0 ? -1 : n;
}

class FileSource : public ByteSource {
public:
    explicit FileSource(InFile *in) : in_(in) {}
    long read(unsigned char *p, size_t n) override { return in_read(in_, p, n); }
    bool rewind() override { return in_rewind(in_); }

private:
    InFile *in_;
};

// OUT as a file, or as a stream that gets the text whole once fix has settled it: fix may
// still refuse at the last byte, and a stream cannot take back what it was given.  Without
// --allow-cut no text longer than the dialog shows is written, so holding it costs little;
// a longer one for a stream is refused.
class FileSink : public ByteSink {
public:
    FileSink(OutFile *out, const char *name, const InFile *in, bool force)
        : out_(out), name_(name), in_(in), force_(force) {}
    bool write(const unsigned char *p, size_t n) override
    {
        if (out_->stream < 0) return out_write(out_, p, n);
        if (held_.size() + n > kShownBytes) return too_long_ = true, false;
        held_.append((const char *)p, n);
        return true;
    }
    bool restart() override
    {
        held_.clear();
        if (out_->stream >= 0) return true;
        out_abort(out_);
        return out_begin(out_, name_, in_, force_);
    }
    bool too_long() const { return too_long_; }
    const std::string &held() const { return held_; }

private:
    OutFile *out_;
    const char *name_;
    const InFile *in_;
    bool force_;
    std::string held_;
    bool too_long_ = false;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::string &bytes) : bytes_(bytes) {}
    long read(unsigned char *p, size_t n) override
    {
        size_t k = std::min(n, bytes_.size() - at_);
        for (size_t i = 0; i < k; i++) p[i] = (unsigned char)bytes_[at_ + i];
        at_ += k;
        return (long)k;
    }
    bool rewind() override { return at_ = 0, true; }

private:
    const std::string &bytes_;
    size_t at_ = 0;
};

// Holds what it is given, up to limit bytes; the rest it drops.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(size_t limit = (size_t)-1) : limit_(limit) {}
    bool write(const unsigned char *p, size_t n) override
    {
        bytes.append((const char *)p, std::min(n, limit_ - std::min(limit_, bytes.size())));
        return true;
    }
    bool restart() override { return bytes.clear(), true; }
    bool full() const { return bytes.size() >= limit_; }
    std::string bytes;

private:
    size_t limit_;
};

// check looks for a hard wrap in the first MiB of the text, and fix --reflow takes at most
// 16 MiB: memory stays bounded whatever the size, and a licence is far shorter.
const size_t kWrapLooked = 1 << 20, kReflowLargest = 16 << 20;

// What fix writes, as UTF-8: every byte of it is a character of the code page.
std::string as_utf8(const std::string &bytes)
{
    std::string text;
    const unsigned char *p = (const unsigned char *)bytes.data();
    for (size_t i = 0; i < bytes.size();) {
        long c;
        i += (size_t)codepage_decode(p + i, bytes.size() - i, &c);
        text += utf8_of(c < 0 ? 0xFFFD : c);
    }
    return text;
}

// fix --reflow: fix's conversion whole into memory, the paragraphs joined, and the conversion
// again from that, where the cut is measured on the reflowed text.  The first run says how the
// input was read.
FixRun fix_reflowed(ByteSource *in, const Options &options, ByteSink *out, HardWrap *wrap)
{
    MemorySink whole(kReflowLargest + 1);
    FixRun first = fix_stream(in, options.from, true, &whole);
    if (first.status != FixStatus::Written) return first;
    if (whole.full()) {
        first.status = FixStatus::Refused;
        first.error = "over " + std::to_string(kReflowLargest >> 20) + " MiB, more than --reflow takes";
        return first;
    }
    std::string text = as_utf8(whole.bytes);
    *wrap = find_hard_wrap(text);
    std::string flowed = reflow(text);
    auto line_ends = [](const std::string &t) {
        unsigned long long n = 0;
        for (size_t at = 0; (at = t.find("\r\n", at)) != std::string::npos; at += 2) n++;
        return n;
    };
    wrap->joins = line_ends(text) - line_ends(flowed);
    text.swap(flowed);
    MemorySource again(text);
    FixRun run = fix_stream(&again, Encoding::Utf8, options.allow_cut, out);
    if (run.status == FixStatus::Refused) run.error = "reflowed, " + run.error;
    run.source = first.source;
    run.mark = first.mark;
    return run;
}

// A name as the shell takes it, in single quotes where it needs them.
std::string quoted(const std::string &name)
{
    if (name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-/\\:") ==
        std::string::npos)
        return name;
    std::string q = "'";
    for (char c : name) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string hard_wrap_note(const HardWrap &wrap, const std::string &file, bool cut, bool first_part)
{
    std::string lines = first_part ? "of the " + count(wrap.lines, "line", "lines") + " in its first MiB"
                                   : "of its " + count(wrap.lines, "line", "lines");
    std::string what = wrap.uneven
        ? "the box, about " + std::to_string(kBoxCharacters) + " characters wide, will break about " +
              std::to_string(wrap.uneven) + " " + lines + " into a long line and a short one"
        : "narrower than the box, which then leaves the rest of its width empty";
    return "note: hard-wrapped at column " + std::to_string(wrap.column) + ": " + what + "; \"liscn fix --reflow " +
           (cut ? "--allow-cut " : "") + quoted(file) +
           " OUT\" joins each paragraph's lines into one, which the box wraps at its own width\n";
}

}  // namespace

int check_command(const char *file, const Options &options)
{
    static unsigned char block[kBlock];
    InFile in;
    if (!in_open(&in, file)) return cannot("read", file);
    long n = first_block(&in, block);
    Scanner scanner(sniff(block, n > 0 ? (size_t)n : 0, options.from));
    while (n > 0) {
        scanner.feed(block, (size_t)n);
        n = in_read(&in, block, kBlock);
    }
    if (n < 0) {
        in_close(&in);
        return cannot("read", file);
    }
    Report report = scanner.finish();
    emit(&g_out, describe(report, file, options.allow_cut));
    // A hard wrap is a note, not a problem: the text is shown, only raggedly.  It is looked for
    // in the text as fix would write it.
    // Not in the double-byte code pages: Chinese, Japanese and Korean put no space between
    // words, and a reflow joins lines with one.
    MemorySink fixed(kWrapLooked);
    FileSource source(&in);
    if (!codepage_double_byte() && in_rewind(&in) &&
        fix_stream(&source, options.from, true, &fixed).status == FixStatus::Written) {
        HardWrap wrap = find_hard_wrap(as_utf8(fixed.bytes));
        if (wrap.column) emit(&g_out, hard_wrap_note(wrap, shown_name(file), report.cut, fixed.full()));
    }
    in_close(&in);
    return has_problems(report, options.allow_cut) ? kExitProblems : kExitOk;
}

int fix_command(const char *in_name, const char *out_name, const Options &options)
{
    if (options.reflow && codepage_double_byte()) {
        emit(&g_err, "liscn: --reflow: code page " + std::to_string(codepage_current()) +
                         " is for Chinese, Japanese or Korean, which put no space between words; a reflow "
                         "joins lines with one\n");
        return kExitTrouble;
    }
    InFile in;
    if (!in_open(&in, in_name)) return cannot("read", in_name);
    OutFile out;
    if (!out_begin(&out, out_name, &in, options.force)) {
        in_close(&in);
        return cannot("write", out_name);
    }
    FileSource source(&in);
    FileSink sink(&out, out_name, &in, options.force);
    HardWrap wrap;
    FixRun run = options.reflow ? fix_reflowed(&source, options, &sink, &wrap)
                                : fix_stream(&source, options.from, options.allow_cut, &sink);
    std::string why = platform_error();
    in_close(&in);
    if (run.status != FixStatus::Written) out_abort(&out);
    const std::string in_shown = shown_name(in_name), out_shown = shown_name(out_name);
    switch (run.status) {
    case FixStatus::ReadFailed:
        emit(&g_err, "liscn: cannot read " + in_shown + ": " + shown_name(run.error.empty() ? why : run.error) + "\n");
        return kExitTrouble;
    case FixStatus::SinkFailed:
        if (sink.too_long())
            why = "a stream takes the text only whole, and with --allow-cut it can be longer than the " +
                  std::to_string(kShownBytes) + " bytes that are held for it: write it to a file";
        emit(&g_err, "liscn: cannot write " + out_shown + ": " + shown_name(why) + "; nothing written\n");
        return kExitTrouble;
    case FixStatus::Refused:
        emit(&g_err, "liscn: " + in_shown + ": " + run.error + "; " + out_shown + " not written\n");
        return kExitProblems;
    default:
        break;
    }
    if (out.stream >= 0 ? !out_stream_write(&out, (const unsigned char *)sink.held().data(), sink.held().size())
                        : !out_commit(&out))
        return cannot("write", out_name);
    // Written: from here on the exit code is 0 whatever becomes of these lines.  When the text
    // went to standard output they go to standard error.
    Output *report = out.stream == 1 ? &g_err : &g_out;
    const Report &r = run.output;
    emit(report, in_shown + ": read as " + run.source + (run.mark ? ", the mark left out" : "") + "; wrote " +
                     out_shown + ": " + count(r.size, "byte", "bytes") + ", code page " +
                     std::to_string(codepage_current()) + ", CR LF line ends\n");
    if (options.reflow)
        emit(report, wrap.column ? "reflowed: hard-wrapped at column " + std::to_string(wrap.column) + ", " +
                                       count(wrap.joins, "line end", "line ends") + " joined\n"
                                 : std::string("reflowed: not hard-wrapped, nothing joined\n"));
    emit(report, cut_notes(r, "warning: "));
    if (r.also_utf8 || r.also_utf16 || r.also_mixed)
        emit(report, "note: " + out_shown + " also reads as " +
                         (r.also_utf8 ? "UTF-8" : r.also_utf16 ? "UTF-16" : "UTF-8 with a few broken sequences") +
                         ", and 'liscn check' takes it for that unless told --from ansi\n");
    return kExitOk;
}

int preview_command(const char *file)
{
    // Only the bytes the dialog reads matter; the rest is counted.
    static unsigned char shown[kShownBytes], block[kBlock];
    InFile in;
    if (!in_open(&in, file)) return cannot("read", file);
    unsigned long long size = 0;
    size_t kept = 0;
    long n;
    while ((n = in_read(&in, block, kBlock)) > 0) {
        for (long i = 0; i < n && kept < kShownBytes; i++) shown[kept++] = block[i];
        size += (unsigned long long)n;
    }
    in_close(&in);
    if (n < 0) return cannot("read", file);

    size_t length = 0;
    while (length < kept && shown[length]) length++;
    std::string text;
    unsigned long long bad = 0;
    for (size_t i = 0; i < length;) {
        long c;
        if (shown[i] == '\r' && i + 1 < length && shown[i + 1] == '\n') {
            text += '\n';
            i += 2;
            continue;
        }
        int length_of = codepage_decode(shown + i, length - i, &c);
        i += (size_t)length_of;
        // Control characters as their pictures (a lone LF as U+240A, ESC as U+241B ...), so that
        // a text cannot steer the terminal; a tab stays a tab.
        if (c == 0x7F) c = 0x2421;
        else if (c >= 0 && c < 0x20 && c != '\t') c += 0x2400;
        if (c < 0) bad += (unsigned long long)length_of;
        text += utf8_of(c < 0 ? 0xFFFD : c);
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    emit(&g_out, text);
    std::string cp = "code page " + std::to_string(codepage_current());
    std::string summary = "-- " + std::to_string(length) + " of " + count(size, "byte", "bytes") + " shown, as " + cp;
    if (length < kept) summary += "; a zero byte ends the text";
    else if (size > kShownBytes) summary += "; the rest is cut";
    if (bad) summary += "; " + count(bad, "byte is", "bytes are") + " no character of " + cp + ", shown as \xEF\xBF\xBD";
    emit(&g_err, summary + "\n");
    return kExitOk;
}
