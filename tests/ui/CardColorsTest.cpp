#include "ui/CardColors.h"

#include "model/StickyNote.h"

#include <gtest/gtest.h>

#include <QPalette>

namespace brivet::testing {
namespace {

TEST(CardColorsTest, ThemeColours)
{
    EXPECT_EQ(parseHexColor("#FFB340"), QColor(0xFF, 0xB3, 0x40));
    EXPECT_EQ(parseHexColor("##12#34#56"), QColor(0x12, 0x34, 0x56));
    EXPECT_FALSE(parseHexColor("orange"));
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(10, 20, 30));
    NoteStyle style;
    EXPECT_EQ(themeColor(style, palette), QColor(10, 20, 30));
    style.theme = NoteTheme::custom;
    EXPECT_EQ(themeColor(style, palette), QColor(0xFF, 0xB3, 0x40));
    style.customHexColor = "#336699";
    EXPECT_EQ(themeColor(style, palette), QColor(0x33, 0x66, 0x99));

    palette.setColor(QPalette::Window, QColor(30, 30, 30));
    EXPECT_TRUE(isDarkScheme(palette));
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    EXPECT_FALSE(isDarkScheme(palette));
}

} // namespace
} // namespace brivet::testing
