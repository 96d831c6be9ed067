#include "app/AppIcon.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

TEST(AppIcon, BuiltInIconHasEverySizeAndAMissingOrBrokenOneGivesNone)
{
    QIcon builtIn = applicationIcon();
    ASSERT_FALSE(builtIn.isNull());
    EXPECT_EQ(builtIn.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(builtIn.actualSize(QSize(256, 256)), QSize(256, 256));
    EXPECT_FALSE(builtIn.pixmap(32, 32).isNull());

    TempDir empty;
    EXPECT_TRUE(applicationIcon(QString::fromStdString(empty.path().string())).isNull());

    // A damaged file is no icon, rather than an empty square.
    TempDir broken;
    std::filesystem::create_directories(broken.path() / "32x32" / "apps");
    writeFile(broken.path() / "32x32" / "apps" / "brivet.png", "not a picture");
    EXPECT_TRUE(applicationIcon(QString::fromStdString(broken.path().string())).isNull());
}

} // namespace
