#include "output.h"

#include <cstring>

#include "platform.h"

Output g_out = {1, {}, 0, false}, g_err = {2, {}, 0, false};

namespace {

// Writes the buffer up to its last whole UTF-8 character, so that a console that is given
// UTF-16 never sees half of one; keeps the rest.
void drain(Output *o, bool all)
{
    size_t n = o->length;
    if (!all) {
        size_t back = 0;
        while (back < 3 && back < n && ((unsigned char)o->buffer[n - 1 - back] & 0xC0) == 0x80) back++;
        unsigned char lead = back < n ? (unsigned char)o->buffer[n - 1 - back] : 0;
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (back + 1 < length) n -= back + 1;
    }
    if (!o->failed && n && !std_write(o->stream, o->buffer, n)) o->failed = true;
    memmove(o->buffer, o->buffer + n, o->length - n);
    o->length -= n;
}

}  // namespace

void emit(Output *o, const char *p, size_t n)
{
    while (n) {
        if (o->length == sizeof o->buffer) drain(o, false);
        size_t room = sizeof o->buffer - o->length, k = n < room ? n : room;
        memcpy(o->buffer + o->length, p, k);
        o->length += k;
        p += k;
        n -= k;
    }
}

void emit(Output *o, const std::string &s) { emit(o, s.data(), s.size()); }

bool emit_flush(Output *o)
{
    drain(o, true);
    return !o->failed;
}
