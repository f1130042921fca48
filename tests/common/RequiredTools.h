#pragma once
// Where the test command installed every tool (HOTARU_REQUIRE_TOOLS=1), a
// case that finds one missing fails instead of skipping: a skip there would
// hide that nothing was tested.

#include <cstdlib>
#include <string>

// Not under Wine: the Windows suites run beside tools only Linux has.
inline bool toolsRequired()
{
#ifdef _WIN32
    return false;
#else
    const char* v = std::getenv("HOTARU_REQUIRE_TOOLS");
    return v && std::string(v) == "1";
#endif
}

// Leaves a GoogleTest case: skipped, or failed where tools are required.
#define SKIP_UNLESS_REQUIRED(why)                                                                                      \
    do {                                                                                                               \
        if (toolsRequired())                                                                                           \
            FAIL() << why << " (HOTARU_REQUIRE_TOOLS=1)";                                                              \
        GTEST_SKIP() << why;                                                                                           \
    } while (false)

// The same for a QtTest function, initTestCase included (where a skip would
// skip the whole suite).
#define QSKIP_UNLESS_REQUIRED(why)                                                                                     \
    do {                                                                                                               \
        if (toolsRequired())                                                                                           \
            QFAIL(why " (HOTARU_REQUIRE_TOOLS=1)");                                                                    \
        QSKIP(why);                                                                                                    \
    } while (false)
