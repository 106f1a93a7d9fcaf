// Buffered standard output and error with sticky failure: once a write fails, the rest is
// dropped and the failure is reported once, at the end, in the exit code.
#ifndef LISCN_OUTPUT_H
#define LISCN_OUTPUT_H

#include <cstddef>
#include <string>

struct Output {
    int stream;
    char buffer[8192];
    size_t length;
    bool failed;
};

extern Output g_out, g_err;

void emit(Output *o, const char *p, size_t n);
void emit(Output *o, const std::string &s);
// Writes what is buffered; false if anything written to o so far was lost.
bool emit_flush(Output *o);

#endif
