#include "DesktopFixture.h"

#include "desktop/CardStyle.h"

#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QToolButton>

namespace brivet::testing {
namespace {

using CardStyleTest = DesktopTest;

// The colour at the middle of the left end of a capsule, clear of its text.
QColor capsuleColor(QWidget* widget)
{
    QImage image = widget->grab().toImage();
    return image.pixelColor(std::min(5, image.width() - 1), image.height() / 2);
}

// The same shade up to the rounding of a translucent fill.
bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 && std::abs(a.blue() - b.blue()) <= 3;
}

TEST_F(CardStyleTest, ButtonsTakeTheColoursOfTheirCardAndOfThePointer)
{
    StickyNote urgent = makeNote("红色");
    urgent.style.theme = NoteTheme::urgent;
    StickyNote life = makeNote("绿色");
    life.style.theme = NoteTheme::life;
    launch({ urgent, life });

    auto* red = card(urgent.id)->findChild<QPushButton*>("completionButton");
    auto* green = card(life.id)->findChild<QPushButton*>("completionButton");
    ASSERT_TRUE(red && green);
    QColor redFill = capsuleColor(red);
    QColor greenFill = capsuleColor(green);
    EXPECT_GT(redFill.red(), redFill.green()) << "an urgent card's button is tinted red";
    EXPECT_GT(greenFill.green(), greenFill.red()) << "a life card's button is tinted green";

    // Under the pointer the tint deepens.
    red->setAttribute(Qt::WA_UnderMouse, true);
    QColor hovered = capsuleColor(red);
    EXPECT_FALSE(near(hovered, redFill));
    EXPECT_LT(hovered.green(), redFill.green());
    red->setAttribute(Qt::WA_UnderMouse, false);

    // A completed note's button stays green whatever the card's theme.
    red->click();
    auto* restored = card(urgent.id)->findChild<QPushButton*>("completionButton");
    ASSERT_TRUE(restored);
    QColor completed = capsuleColor(restored);
    EXPECT_GT(completed.green(), completed.red());
}

TEST_F(CardStyleTest, TaskRowsLetThePanelShowThrough)
{
    StickyNote note = makeNote("透明");
    note.tasks.push_back(NoteTask { Uuid::random(), "一" });
    launch({ note });

    auto* scroll = card(note.id)->findChild<QScrollArea*>();
    ASSERT_TRUE(scroll && scroll->widget());
    // The scroll area turns filling on for what it holds; a filled list
    // would draw a grey block over the rounded task panel.
    EXPECT_FALSE(scroll->widget()->autoFillBackground());
    EXPECT_FALSE(scroll->viewport()->autoFillBackground());
    EXPECT_EQ(scroll->verticalScrollBar()->style(), CardStyle::instance());
}

TEST_F(CardStyleTest, ScrollBarHandleAndPagesShareTheTrack)
{
    QScrollBar bar(Qt::Vertical);
    bar.setStyle(CardStyle::instance());
    bar.resize(6, 200);
    bar.setRange(0, 1000);
    bar.setPageStep(10);

    auto option = [&bar](int value) {
        QStyleOptionSlider slider;
        slider.initFrom(&bar);
        slider.orientation = Qt::Vertical;
        slider.minimum = bar.minimum();
        slider.maximum = bar.maximum();
        slider.pageStep = bar.pageStep();
        slider.singleStep = bar.singleStep();
        slider.sliderPosition = value;
        slider.sliderValue = value;
        slider.upsideDown = false;
        slider.rect = bar.rect();
        return slider;
    };
    QStyle* style = CardStyle::instance();
    EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &bar), 6);

    QStyleOptionSlider top = option(0);
    QRect groove = style->subControlRect(QStyle::CC_ScrollBar, &top, QStyle::SC_ScrollBarGroove, &bar);
    QRect handle = style->subControlRect(QStyle::CC_ScrollBar, &top, QStyle::SC_ScrollBarSlider, &bar);
    EXPECT_EQ(groove, QRect(0, 2, 6, 196));
    EXPECT_EQ(handle.height(), 24) << "a long list still gets a handle that can be grabbed";
    EXPECT_EQ(handle.top(), groove.top());
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &top, QStyle::SC_ScrollBarSubPage, &bar).isEmpty());
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &top, QStyle::SC_ScrollBarAddLine, &bar).isEmpty())
        << "no arrows";

    QStyleOptionSlider bottom = option(1000);
    QRect last = style->subControlRect(QStyle::CC_ScrollBar, &bottom, QStyle::SC_ScrollBarSlider, &bar);
    EXPECT_EQ(last.bottom(), groove.bottom());

    QStyleOptionSlider middle = option(500);
    QRect mid = style->subControlRect(QStyle::CC_ScrollBar, &middle, QStyle::SC_ScrollBarSlider, &bar);
    QRect above = style->subControlRect(QStyle::CC_ScrollBar, &middle, QStyle::SC_ScrollBarSubPage, &bar);
    QRect below = style->subControlRect(QStyle::CC_ScrollBar, &middle, QStyle::SC_ScrollBarAddPage, &bar);
    EXPECT_EQ(above.height() + mid.height() + below.height(), groove.height()) << "the pages and the handle fill the track";
    EXPECT_EQ(style->hitTestComplexControl(QStyle::CC_ScrollBar, &middle, mid.center(), &bar), QStyle::SC_ScrollBarSlider);
    EXPECT_EQ(style->hitTestComplexControl(QStyle::CC_ScrollBar, &middle, above.center(), &bar), QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(style->hitTestComplexControl(QStyle::CC_ScrollBar, &middle, below.center(), &bar), QStyle::SC_ScrollBarAddPage);

    // A list that fits shows a handle over the whole track.
    bar.setRange(0, 0);
    QStyleOptionSlider fits = option(0);
    EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &fits, QStyle::SC_ScrollBarSlider, &bar), groove);
}

TEST_F(CardStyleTest, OnlyTheCardsControlsAreRestyled)
{
    QToolButton plain;
    plain.setIconSize(QSize(16, 16));
    QSize before = plain.sizeHint();
    QToolButton flat;
    flat.setIconSize(QSize(16, 16));
    styleCardControl(&flat, CardControl::flatIcon);
    EXPECT_EQ(flat.sizeHint(), QSize(21, 21));
    // The same style asked about a widget that is not one of the card's
    // controls answers as the application's style does.
    EXPECT_EQ(CardStyle::instance()->sizeFromContents(QStyle::CT_ToolButton, nullptr, QSize(16, 16), &plain),
        plain.style()->sizeFromContents(QStyle::CT_ToolButton, nullptr, QSize(16, 16), &plain));
    EXPECT_EQ(plain.sizeHint(), before);
}

} // namespace
} // namespace brivet::testing
