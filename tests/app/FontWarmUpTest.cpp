#include "app/FontWarmUp.h"

#include <QFontDatabase>

#include <gtest/gtest.h>

using namespace brivet;

namespace {

// However the launch goes, the thread ends when asked: once the
// application started (after listing the fonts), or before it did (a
// launch that ends early), and joining again is harmless.
TEST(FontWarmUp, EndsWhenAskedWhetherOrNotTheApplicationStarted)
{
    {
        FontWarmUp warmUp;
        warmUp.applicationStarted();
        warmUp.join();
        EXPECT_FALSE(QFontDatabase::families().isEmpty());
        warmUp.join();
    }
    {
        FontWarmUp warmUp;
        warmUp.join();
    }
    {
        FontWarmUp warmUp; // the destructor joins
    }
}

} // namespace
