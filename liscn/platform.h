// The tool's few calls into the system.  Files are named in UTF-8 on every platform.  A call
// that returns false (or -1) has failed, and platform_error() then says why in the system's
// own words.
#ifndef LISCN_PLATFORM_H
#define LISCN_PLATFORM_H

#include <cstddef>
#include <cstdint>

const char *platform_error();

// A text to read: a file or a pipe, or "-" for standard input; a directory or a device is
// refused.
struct InFile {
    intptr_t handle;
    unsigned long long volume, index;       // which file it is, to tell it from OUT
    long long start;                        // where reading began: rewinding goes back there
};
bool in_open(InFile *f, const char *name);
// Bytes read into p, 0 at the end, -1 on failure.
long in_read(InFile *f, unsigned char *p, size_t n);
// Back to the first byte; fails for a pipe.
bool in_rewind(InFile *f);
void in_close(InFile *f);

// OUT, written whole or not at all: a new file with a unique name beside OUT, created
// exclusively, flushed to disk, then renamed over OUT.  A symbolic link OUT keeps its link and
// its target gets the text; an existing OUT keeps its permissions, and one that is read-only
// is refused unless force.  OUT that is no regular file, or is the file in, is refused.  The
// new file is removed on failure and on Ctrl+C or termination.
// OUT that is "-", or that names a file this process holds open for writing (/dev/stdout,
// /dev/fd/3, the file standard error appends to), is a stream: nothing is created or renamed,
// stream is set, and the caller writes the whole text there at the end with out_stream_write.
// A stream that is IN's file, or would overwrite the middle of a file, is refused.
struct OutFile {
    intptr_t handle;
    int stream;     // the descriptor (1: standard output, 2: standard error), or -1: a file
};
bool out_begin(OutFile *o, const char *name, const InFile *in, bool force);
bool out_write(OutFile *o, const unsigned char *p, size_t n);
bool out_commit(OutFile *o);
void out_abort(OutFile *o);
bool out_stream_write(OutFile *o, const unsigned char *p, size_t n);

// Writes to standard output (stream 1) or standard error (2): all of p, or false.  Text is
// UTF-8; a Windows console gets it as UTF-16.
bool std_write(int stream, const char *p, size_t n);

#endif
