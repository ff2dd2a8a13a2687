#pragma once

#include <cstdio>
#include <cstdlib>

// A property a fuzz target checks: when it does not hold, the input is a finding. abort() makes
// libFuzzer keep the input and report it as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__,             \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
