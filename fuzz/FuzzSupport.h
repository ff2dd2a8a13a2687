#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
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

// Input bytes taken as UTF-16LE units (an odd last byte is left out): any units, unpaired
// surrogates included, as a text from outside may hold them.
inline QString FuzzUtf16(const uint8_t* data, size_t size)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                              static_cast<qsizetype>(size / 2));
}
