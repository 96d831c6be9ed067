#include "ui/Theme.h"
#include "ui/Widgets.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace brivet;

namespace {

QPalette schemePalette(QColor window, QColor text)
{
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

TEST(Theme, OneSecondaryStrengthPerSchemeAndHexColoursReadAsTheCoreWritesThem)
{
    Theme light = Theme::from(schemePalette(Qt::white, Qt::black));
    Theme dark = Theme::from(schemePalette(QColor(30, 30, 30), Qt::white));
    EXPECT_FALSE(light.dark);
    EXPECT_TRUE(dark.dark);
    EXPECT_NEAR(light.secondaryText.alphaF(), secondaryTextAlpha(false), 0.001);
    EXPECT_NEAR(dark.secondaryText.alphaF(), secondaryTextAlpha(true), 0.001);
    EXPECT_EQ(dark.secondaryText.rgb(), QColor(Qt::white).rgb());

    EXPECT_EQ(parseHexColor("#FFB340"), QColor(0xFF, 0xB3, 0x40));
    EXPECT_EQ(parseHexColor("##ffb340"), QColor(0xFF, 0xB3, 0x40));
    EXPECT_EQ(parseHexColor("nothex"), std::nullopt);
    EXPECT_EQ(parseHexColor(""), std::nullopt);
}

TEST(Widgets, EnumPickerOffersEveryCaseWithItsNumber)
{
    QWidget owner;
    QComboBox* picker = enumPicker<NoteDeferPreset>(&owner);
    ASSERT_EQ(picker->count(), int(allCases<NoteDeferPreset>().size()));
    for (int i = 0; i < picker->count(); ++i) {
        NoteDeferPreset preset = allCases<NoteDeferPreset>()[size_t(i)];
        EXPECT_EQ(picker->itemData(i).toInt(), static_cast<int>(preset));
        EXPECT_EQ(picker->itemText(i), qs(title(preset)));
    }
}

TEST(Widgets, ReplaceInLayoutTakesTheOldPlaceAndFreesTheOldWidgetOnly)
{
    QWidget owner;
    auto* layout = new QVBoxLayout(&owner);
    auto* first = new QLabel(QStringLiteral("一"), &owner);
    auto* old = new QLabel(QStringLiteral("二"), &owner);
    layout->addWidget(first);
    layout->addWidget(old);
    QPointer<QLabel> watched(old);

    auto* replacement = new QLabel(QStringLiteral("三"), &owner);
    EXPECT_EQ(replaceInLayout(layout, old, replacement), replacement);
    EXPECT_EQ(layout->indexOf(replacement), 1);
    EXPECT_EQ(layout->indexOf(first), 0);
    EXPECT_FALSE(watched->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());

    // A widget the layout does not hold stays where it is.
    auto stranger = std::make_unique<QLabel>();
    EXPECT_EQ(replaceInLayout(layout, stranger.get(), new QLabel(&owner)), nullptr);
}

TEST(Widgets, ProminentButtonsDarkenUnderThePointerExceptNearBlackOnesWhichLighten)
{
    QColor accent(0, 122, 255);
    QString sheet = prominentButtonStyle(QStringLiteral("QPushButton"), accent, { 6, 12 }, 12);
    EXPECT_TRUE(sheet.contains(QStringLiteral("padding: 6px 12px;")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("font-size: 12px;")));
    // The accent is deepened just enough for its white text to be read.
    QColor fill = prominentFill(accent);
    EXPECT_GE(contrastRatio(Qt::white, fill), readableContrast);
    EXPECT_TRUE(sheet.contains(QStringLiteral("{ background: %1;").arg(fill.name())));
    EXPECT_TRUE(sheet.contains(QStringLiteral(":hover { background: %1; }").arg(fill.darker(112).name())));
    QColor nearBlack(0x1D, 0x1D, 0x1F);
    EXPECT_TRUE(prominentButtonStyle(QStringLiteral("QPushButton"), nearBlack, {})
                    .contains(QStringLiteral(":hover { background: %1; }").arg(nearBlack.lighter(200).name())));
}

TEST(Widgets, ScrollingPageFillsItsOwnerAndScrollsOnlyVertically)
{
    QWidget owner;
    ScrollingPage scrolling = makeScrollingPage(&owner);
    EXPECT_EQ(scrolling.scroll->widget(), scrolling.page);
    EXPECT_EQ(scrolling.column->parentWidget(), scrolling.page);
    EXPECT_EQ(owner.layout()->contentsMargins(), QMargins());
    EXPECT_EQ(scrolling.scroll->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

} // namespace
