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
    QColor wash = colors.theme;
    wash.setAlphaF(colors.dark ? 0.105 : 0.075);
    colors.surface = composed(wash, colors.dark ? theme.window : theme.window.lighter(104));
    colors.green = theme.green;
    colors.red = theme.red;
    colors.orange = theme.orange;
    return colors;
}

QLabel* makeTag(const QString& text, const QColor& tint, const CardColors& colors, QWidget* parent)
{
    auto* label = new TagLabel(text, tagBackground(tint, colors.dark), parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, tagText(tint, colors.surface, colors.dark));
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(fontPixels(11));
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setContentsMargins(11, 1, 12, 1);
    // Room for the text at a larger desktop font.
    label->setFixedHeight(std::max(20, QFontMetrics(font).height() + 2));
    return label;
}

} // namespace brivet
