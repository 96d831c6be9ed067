#include "ui/Symbol.h"
#include "ui/TintedSvgIcon.h"

#include <QHash>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace brivet;

namespace {

// The colour the drawing covers most: what the icon was tinted with.
QColor dominantOpaqueColor(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor pixel = image.pixelColor(x, y); pixel.alpha() == 255)
                ++counts[pixel.rgb()];
    QRgb best = 0;
    int most = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return QColor::fromRgb(best);
}

TEST(TintedSvgIcon, RendersEachSizeAndPixelRatioItIsAskedForInItsColour)
{
    QIcon icon = bundledIcon(Symbol::checkmarkCircleFill, QColor(200, 30, 40));
    ASSERT_FALSE(icon.isNull());

    QPixmap small = icon.pixmap(QSize(15, 15), 1.0);
    EXPECT_EQ(small.size(), QSize(15, 15));
    EXPECT_EQ(dominantOpaqueColor(small.toImage()), QColor(200, 30, 40));

    // A HiDPI screen gets a sharp pixmap, not a scaled-up small one.
    QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);

    // Shared per drawing and colour; another colour is another icon.
    EXPECT_EQ(bundledIcon(Symbol::checkmarkCircleFill, QColor(200, 30, 40)).cacheKey(), icon.cacheKey());
    QIcon green = bundledIcon(Symbol::checkmarkCircleFill, QColor(30, 160, 60));
    EXPECT_NE(green.cacheKey(), icon.cacheKey());
    EXPECT_EQ(dominantOpaqueColor(green.pixmap(QSize(24, 24), 1.0).toImage()), QColor(30, 160, 60));
}

TEST(TintedSvgIcon, TranslucentColoursDisabledLooksAndMissingDrawings)
{
    QImage faint = bundledIcon(Symbol::circle, QColor(0, 0, 0, 128)).pixmap(QSize(24, 24), 1.0).toImage();
    int maxAlpha = 0;
    for (int y = 0; y < faint.height(); ++y)
        for (int x = 0; x < faint.width(); ++x)
            maxAlpha = std::max(maxAlpha, faint.pixelColor(x, y).alpha());
    EXPECT_GT(maxAlpha, 100);
    EXPECT_LT(maxAlpha, 150) << "the colour's alpha is the drawing's opacity";

    QIcon icon = bundledIcon(Symbol::trash, QColor(200, 30, 40));
    QImage normal = icon.pixmap(QSize(24, 24), 1.0, QIcon::Normal).toImage();
    QImage disabled = icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage();
    EXPECT_EQ(disabled.size(), normal.size());
    EXPECT_NE(disabled, normal) << "the style's disabled look";

    EXPECT_TRUE(tintedSvgIcon(QStringLiteral(":/icons/no-such-drawing.svg"), Qt::black).isNull());
}

} // namespace
