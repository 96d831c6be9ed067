#include "model/UserCalendar.h"

#include <gtest/gtest.h>

#include <future>

using namespace brivet;

namespace {

// The launch builds the calendar and its formats on a thread of its own and
// hands it to the main thread: it must read exactly as one built there, for
// the formats prepared and for any other, and keep its zone.
TEST(UserCalendar, PreparedOnAnotherThreadFormatsAsOneBuiltHere)
{
    auto prepared = std::async(std::launch::async, [] {
        auto calendar = std::make_unique<UserCalendar>("Asia/Shanghai", "zh_CN");
        calendar->prepare({ "MMMdhm", "MMMd" }, { "HH:mm:ss" });
        return calendar;
    }).get();
    const UserCalendar fresh("Asia/Shanghai", "zh_CN");

    // 2026-12-07 23:05:09 UTC is 07:05:09 on the 8th in Shanghai.
    const Instant at { Duration(1796684709000) };
    for (const char* skeleton : { "MMMdhm", "MMMd", "hm", "yMMMMEEEEd" })
        EXPECT_EQ(prepared->formatSkeleton(at, skeleton), fresh.formatSkeleton(at, skeleton)) << skeleton;
    EXPECT_EQ(prepared->formatPattern(at, "HH:mm:ss"), "07:05:09");
    EXPECT_EQ(prepared->formatSkeleton(at, "MMMd"), "12月8日");
    EXPECT_EQ(prepared->components(at).day, 8);

    // Nothing to prepare, or a skeleton ICU cannot read, is harmless.
    prepared->prepare({}, {});
    prepared->prepare({ "" }, { "" });
    EXPECT_EQ(prepared->formatSkeleton(at, "MMMd"), "12月8日");
}

} // namespace
