#include "app/LaunchWarmUp.h"

#include <QFontDatabase>

#include <gtest/gtest.h>

using namespace brivet;

namespace {

// However the launch goes, the thread ends when asked: once the
// application started (after listing the fonts), or before it did (a
// launch that ends early), and joining again is harmless.
TEST(LaunchWarmUp, EndsWhenAskedWhetherOrNotTheApplicationStarted)
{
    {
        LaunchWarmUp warmUp;
        warmUp.applicationStarted();
        warmUp.join();
        EXPECT_FALSE(QFontDatabase::families().isEmpty());
        warmUp.join();
    }
    {
        LaunchWarmUp warmUp;
        warmUp.join();
    }
    {
        LaunchWarmUp warmUp; // the destructor joins
    }
}

} // namespace
