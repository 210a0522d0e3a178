#pragma once

// A broken invariant ends the run the way a crash does, so libFuzzer keeps the input that broke
// it and prints it with the failed condition.

#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                                     \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                           \
        }                                                                                           \
    } while (false)
