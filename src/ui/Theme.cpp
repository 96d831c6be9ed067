#include "ui/Theme.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cctype>
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
    return dark ? 0.62 : 0.58;
}

QFont uiFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
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
