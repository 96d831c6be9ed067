#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace brivet::testing {

// True when BRIVET_REQUIRE_ALL_TESTS=1: a machine that should run every
// test (CI) turns a missing service into a failure instead of a skip.
inline bool requireAllTests()
{
    const char* value = std::getenv("BRIVET_REQUIRE_ALL_TESTS");
    return value && std::strcmp(value, "1") == 0;
}

} // namespace brivet::testing

// Skips the current test because a service it needs (Evolution Data Server,
// an X server, a window manager, an X tool) is not there; fails it instead
// when every test is required. Use it where GTEST_SKIP would go (in braces
// under an if).
#define BRIVET_SKIP_WITHOUT_SERVICE(why)                                                                          \
    switch (0)                                                                                                    \
    case 0:                                                                                                       \
    default:                                                                                                      \
        if (::brivet::testing::requireAllTests()) {                                                               \
            GTEST_FAIL() << "required service missing (BRIVET_REQUIRE_ALL_TESTS=1): " << why;                  \
        } else                                                                                                    \
            GTEST_SKIP() << why
