#include "app/LaunchWarmUp.h"
#include "model/UserCalendar.h"

#include <QFontDatabase>
#include <QStringList>

#include <gtest/gtest.h>

using namespace brivet;

namespace {

// However the launch goes, the thread ends when asked: once the
// application started (after listing the fonts), or before it did (a
// launch that ends early), and joining again is harmless. The calendar is
// delivered either way, ready to format on this thread.
TEST(LaunchWarmUp, EndsWhenAskedWhetherOrNotTheApplicationStartedAndDeliversTheCalendar)
{
    {
        LaunchWarmUp warmUp;
        auto calendar = warmUp.calendar();
        warmUp.applicationStarted();
        warmUp.join();
        EXPECT_FALSE(QFontDatabase::families().isEmpty());
        warmUp.join();
        std::unique_ptr<UserCalendar> built = calendar.get();
        ASSERT_TRUE(built);
        EXPECT_FALSE(built->formatPattern(Instant {}, "HH:mm:ss").empty());
        // The same zone and locale as a calendar built here.
        const UserCalendar here;
        EXPECT_EQ(built->timeZoneId(), here.timeZoneId());
        EXPECT_EQ(built->localeId(), here.localeId());
    }
    {
        LaunchWarmUp warmUp;
        auto calendar = warmUp.calendar();
        warmUp.join();
        EXPECT_TRUE(calendar.get());
    }
    {
        LaunchWarmUp warmUp; // the destructor joins
    }
}

} // namespace
