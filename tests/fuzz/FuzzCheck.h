#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A broken property of a fuzz target: says which and what the input made of
// it, then aborts so libFuzzer keeps the input.
#define BRIVET_FUZZ_CHECK(condition, what)                                                        \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "property failed: %s (%s)\n", #condition, std::string(what).c_str()); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
