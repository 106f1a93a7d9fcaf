// The fuzzers' check: a property that fails aborts, which libFuzzer records with the input.
#ifndef LISCN_TESTS_REQUIRE_H
#define LISCN_TESTS_REQUIRE_H

#include <cstdio>
#include <cstdlib>

#define REQUIRE(condition)                                                  \
    do {                                                                    \
        if (!(condition)) {                                                 \
            fprintf(stderr, "property failed: %s (line %d)\n", #condition, __LINE__); \
            abort();                                                        \
        }                                                                   \
    } while (0)

#endif
