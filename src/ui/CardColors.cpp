#include "ui/CardColors.h"

#include <QLabel>
#include <QPainter>

namespace brivet {

namespace {

// A capsule behind the text.
class TagLabel final : public QLabel {
public:
    TagLabel(const QString& text, const QColor& background, QWidget* parent)
        : QLabel(text, parent)
        , m_background(background)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(this);
            fillRounded(painter, QRectF(rect()), tagRadius, m_background);
        }
        QLabel::paintEvent(event);
    }

private:
    QColor m_background;
};

} // namespace

CardColors cardColors(const NoteStyle& style, const QPalette& palette)
{
    CardColors colors;
    Theme theme = Theme::from(palette);
    colors.dark = theme.dark;
    colors.theme = themeColor(style, palette);
    colors.text = theme.text;
    colors.secondaryText = theme.secondaryText;
    colors.windowBackground = theme.window;
    colors.green = theme.green;
    colors.red = theme.red;
    colors.orange = theme.orange;
    return colors;
}

QLabel* makeTag(const QString& text, const QColor& tint, const CardColors& colors, QWidget* parent)
{
    QColor background = tint;
    background.setAlphaF(colors.dark ? 0.24 : 0.16);
    auto* label = new TagLabel(text, background, parent);
    QColor foreground = tint;
    if (!colors.dark)
        foreground = tint.darker(135);
    foreground.setAlphaF(1.0);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, foreground);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setContentsMargins(11, 1, 12, 1);
    label->setFixedHeight(20);
    return label;
}

} // namespace brivet
