// fix's conversion, in one streaming pass: from UTF-8 (with or without a mark), UTF-16 or the
// ANSI code page, to the selected code page with CR LF line ends and no mark.  Nothing is
// dropped or guessed: a byte that is no character, a zero, a character the code page has no
// place for, an empty text, and (unless allowed) a result the dialog would cut, are refusals.
#ifndef LISCN_TRANSCODE_H
#define LISCN_TRANSCODE_H

#include <cstddef>
#include <string>

#include "scanner.h"

class ByteSource {
public:
    virtual long read(unsigned char *p, size_t n) = 0;     // 0 at the end, -1 on failure
    virtual bool rewind() = 0;

protected:
    ~ByteSource() = default;
};

class ByteSink {
public:
    virtual bool write(const unsigned char *p, size_t n) = 0;
    virtual bool restart() = 0;                             // drop what was written

protected:
    ~ByteSink() = default;
};

enum class FixStatus {
    Going,      // feed more
    Written,    // all of it went to the sink
    Refused,    // why in error()
    NotUtf8,    // read as UTF-8 on trust, and it is not: read it again as ANSI
    SinkFailed,
    ReadFailed,
};

class Fixer {
public:
    // encoding: sniff()'s answer, Auto meaning UTF-8 if it all is, else ANSI.  watch_input:
    // read the input as check does too, to refuse a mixed text (read as ANSI after UTF-8
    // failed) or to name every place where UTF-8 that was asked for breaks.
    Fixer(Encoding encoding, bool allow_cut, ByteSink *sink, bool watch_input = false);
    FixStatus feed(const unsigned char *p, size_t n);
    FixStatus finish();
    const std::string &error() const { return error_; }
    std::string source() const;     // how the input was read
    const Report &output() const { return output_; }
    bool mark() const { return mark_ > 0; }

private:
    FixStatus begin(bool last);
    FixStatus run(const unsigned char *p, size_t n, bool last);
    size_t decode(const unsigned char *p, size_t n, bool last, long *c);
    FixStatus character(long c, size_t length, const unsigned char *bytes);
    FixStatus refuse(const std::string &why);
    FixStatus put(const unsigned char *p, size_t n);
    FixStatus flush();
    std::string here() const;

    Encoding encoding_;
    bool trusting_utf8_;
    bool allow_cut_;
    ByteSink *sink_;
    Scanner scanner_;
    bool watch_input_;
    Scanner input_;
    Report output_;
    std::string error_;
    unsigned char carry_[4];
    size_t carry_len_ = 0;
    unsigned char head_[3];
    size_t head_len_ = 0;
    bool begun_ = false;
    size_t mark_ = 0;
    unsigned long long byte_ = 1, line_ = 1, column_ = 1, characters_ = 0, non_ascii_ = 0;
    bool after_cr_ = false;
    unsigned char buffer_[65536];
    size_t buffered_ = 0;
    unsigned long long written_ = 0;
};

struct FixRun {
    FixStatus status;       // Written, Refused, SinkFailed or ReadFailed
    std::string error;      // why refused
    std::string source;     // how the input was read
    Report output;          // the scan of what was written
    bool mark = false;      // a byte-order mark was left out
};

// The whole of fix: the encoding from the first block and from; UTF-16 without a mark only
// when from says so; UTF-8 on trust where nothing says otherwise, read again as the code page
// from the first byte when it turns out not to be.
FixRun fix_stream(ByteSource *in, Encoding from, bool allow_cut, ByteSink *out);

#endif
