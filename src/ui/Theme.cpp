#include "ui/Theme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace brivet {

Theme Theme::from(const QPalette& palette)
{
    Theme theme;
    theme.dark = isDarkScheme(palette);
    theme.accent = palette.color(QPalette::Highlight);
    theme.green = theme.dark ? QColor(48, 209, 88) : QColor(40, 167, 69);
    theme.orange = theme.dark ? QColor(255, 159, 10) : QColor(240, 140, 0);
    theme.purple = theme.dark ? QColor(191, 90, 242) : QColor(160, 82, 222);
    theme.red = theme.dark ? QColor(255, 69, 58) : QColor(230, 50, 40);
    theme.text = palette.color(QPalette::WindowText);
    theme.secondaryText = theme.text;
    theme.secondaryText.setAlphaF(secondaryTextAlpha(theme.dark));
    theme.window = palette.color(QPalette::Window);
    theme.card = theme.dark ? theme.window.lighter(125) : palette.color(QPalette::Base);
    theme.separator = theme.text;
    theme.separator.setAlphaF(0.1);
    return theme;
}

double secondaryTextAlpha(bool dark)
{
    return dark ? 0.7 : 0.58;
}

QColor composed(const QColor& top, const QColor& bottom)
{
    double a = top.alphaF();
    auto mix = [a](double over, double under) { return over * a + under * (1 - a); };
    return QColor::fromRgbF(float(mix(top.redF(), bottom.redF())), float(mix(top.greenF(), bottom.greenF())),
        float(mix(top.blueF(), bottom.blueF())));
}

namespace {

double relativeLuminance(const QColor& color)
{
    auto linear = [](double channel) { return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

} // namespace

double contrastRatio(const QColor& foreground, const QColor& background)
{
    QColor opaque = background;
    opaque.setAlphaF(1.0);
    double a = relativeLuminance(composed(foreground, opaque));
    double b = relativeLuminance(opaque);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableOn(const QColor& foreground, const QColor& background, double minimum)
{
    QColor result = composed(foreground, background);
    bool darken = relativeLuminance(background) > 0.18;
    // Steps of 4 % towards black or white keep the hue and end on one of
    // them at worst, which reads on any background.
    for (int step = 0; step < 60 && contrastRatio(result, background) < minimum; ++step) {
        double keep = 0.96;
        double toward = darken ? 0.0 : 1.0;
        result = QColor::fromRgbF(float(result.redF() * keep + toward * (1 - keep)),
            float(result.greenF() * keep + toward * (1 - keep)), float(result.blueF() * keep + toward * (1 - keep)));
    }
    return result;
}

QColor tagBackground(const QColor& tint, bool dark)
{
    QColor background = tint;
    background.setAlphaF(dark ? 0.24 : 0.16);
    return background;
}

QColor textOnTint(const QColor& foreground, const QColor& tint, double tintAlpha, const QColor& surface, double minimum)
{
    QColor capsule = tint;
    capsule.setAlphaF(tintAlpha);
    QColor opaqueSurface = surface;
    opaqueSurface.setAlphaF(1.0);
    QColor opaqueForeground = foreground;
    opaqueForeground.setAlphaF(1.0);
    return readableOn(opaqueForeground, composed(capsule, opaqueSurface), minimum);
}

QColor tagText(const QColor& tint, const QColor& surface, bool dark)
{
    // Half a point to spare: the panel lays tags on cards tinted a little
    // more than the surface they are measured on.
    return textOnTint(dark ? tint : tint.darker(135), tint, tagBackground(tint, dark).alphaF(), surface, readableContrast + 0.5);
}

QColor prominentFill(const QColor& fill)
{
    QColor opaque = fill;
    opaque.setAlphaF(1.0);
    for (int step = 0; step < 60 && contrastRatio(Qt::white, opaque) < readableContrast; ++step)
        opaque = QColor::fromRgbF(float(opaque.redF() * 0.96), float(opaque.greenF() * 0.96), float(opaque.blueF() * 0.96));
    return opaque;
}

double fontScale()
{
    // Qt sets the application font from the desktop (xsettings, the GTK
    // or KDE settings, QT_FONT_DPI); 10 points are 13.3 pixels at 96 dpi.
    QFont font = QGuiApplication::font();
    double scale = font.pointSizeF() > 0 ? font.pointSizeF() / 10.0 : font.pixelSize() / (10.0 * 96 / 72);
    return std::max(1.0, scale);
}

int fontPixels(int designPixels)
{
    return int(std::lround(designPixels * fontScale()));
}

QFont uiFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(fontPixels(pixelSize));
    font.setWeight(weight);
    return font;
}

namespace {

constexpr const char* fontPixelsProperty = "uiFontPixels";
constexpr const char* fontWeightProperty = "uiFontWeight";

// Sets the fonts given by setUiFont again when the application font
// changes; Qt tells every widget of that change.
class FontFollower final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ApplicationFontChange && watched->isWidgetType()) {
            QVariant pixels = watched->property(fontPixelsProperty);
            if (pixels.isValid()) {
                auto weight = static_cast<QFont::Weight>(watched->property(fontWeightProperty).toInt());
                static_cast<QWidget*>(watched)->setFont(uiFont(pixels.toInt(), weight));
            }
        }
        return false;
    }
};

} // namespace

void setUiFont(QWidget* widget, int pixelSize, QFont::Weight weight)
{
    static QPointer<FontFollower> follower;
    if (!follower && QCoreApplication::instance()) {
        follower = new FontFollower(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(follower);
    }
    widget->setProperty(fontPixelsProperty, pixelSize);
    widget->setProperty(fontWeightProperty, int(weight));
    widget->setFont(uiFont(pixelSize, weight));
}

std::optional<QColor> parseHexColor(std::string_view text)
{
    std::string digits;
    for (char c : text)
        if (c != '#')
            digits.push_back(c);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    unsigned long value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 16 + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                                  : std::tolower(c) - 'a' + 10);
    }
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

bool isDarkScheme(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor themeColor(const NoteStyle& style, const QPalette& palette)
{
    bool dark = isDarkScheme(palette);
    switch (style.theme) {
    case NoteTheme::work: return palette.color(QPalette::Highlight);
    case NoteTheme::life: return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
    case NoteTheme::urgent: return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case NoteTheme::custom:
        if (auto parsed = parseHexColor(style.customHexColor.value_or("#FFB340")))
            return *parsed;
        // Unreadable text: black, as reading it as a number would give.
        return QColor(0, 0, 0);
    }
    return palette.color(QPalette::Highlight);
}

QString cssColor(const QColor& color, double alpha)
{
    double a = alpha < 0 ? color.alphaF() : alpha;
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(std::clamp(a, 0.0, 1.0), 0, 'f', 3);
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color)
{
    if (color.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    double r = std::min(radius, std::min(rect.width(), rect.height()) / 2);
    painter.drawRoundedRect(rect, r, r);
    painter.restore();
}

} // namespace brivet
