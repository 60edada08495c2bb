#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken rule ends the run the way a crash does, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: %s failed: %s\n", __FILE__, __LINE__, #condition,         \
                         qUtf8Printable(detail));                                                  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
