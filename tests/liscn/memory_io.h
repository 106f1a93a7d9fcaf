// In-memory ends for fix_stream(), reading in small pieces so that characters, line ends and
// marks fall across reads, as they do across the tool's blocks.
#ifndef LISCN_TESTS_MEMORY_IO_H
#define LISCN_TESTS_MEMORY_IO_H

#include <cstring>
#include <string>

#include "codepage.h"
#include "scanner.h"
#include "transcode.h"

struct StringSource : ByteSource {
    StringSource(const std::string &text, size_t piece) : text(text), piece(piece) {}
    long read(unsigned char *p, size_t n) override
    {
        size_t k = std::min(std::min(n, piece), text.size() - at);
        memcpy(p, text.data() + at, k);
        at += k;
        return (long)k;
    }
    bool rewind() override { return at = 0, true; }
    std::string text;
    size_t piece, at = 0;
};

struct StringSink : ByteSink {
    bool write(const unsigned char *p, size_t n) override { return bytes.append((const char *)p, n), true; }
    bool restart() override { return bytes.clear(), true; }
    std::string bytes;
};

inline Report scan(const std::string &bytes, Encoding from = Encoding::Auto, size_t piece = 1 << 16)
{
    Scanner scanner(sniff((const unsigned char *)bytes.data(), std::min(bytes.size(), (size_t)1 << 16), from));
    for (size_t i = 0; i < bytes.size(); i += piece)
        scanner.feed((const unsigned char *)bytes.data() + i, std::min(piece, bytes.size() - i));
    return scanner.finish();
}

struct Fixed {
    FixRun run;
    std::string bytes;
};

inline Fixed fix(const std::string &in, Encoding from = Encoding::Auto, bool allow_cut = false, size_t piece = 1 << 16)
{
    StringSource source(in, piece);
    StringSink sink;
    Fixed f{fix_stream(&source, from, allow_cut, &sink), ""};
    f.bytes = sink.bytes;
    return f;
}

#endif
