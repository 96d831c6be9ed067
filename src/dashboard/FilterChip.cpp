#include "dashboard/FilterChip.h"

#include "dashboard/DashboardAccessibility.h"
#include "ui/FocusRing.h"

#include <QPainter>

namespace brivet {

namespace {

QFont chipFont() { return uiFont(13, QFont::Medium); }
QFont countFont() { return uiFont(12, QFont::DemiBold); }

} // namespace

FilterChip::FilterChip(const QString& title, std::optional<Symbol> symbol, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    FocusRing::drawsOwnRing(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(accessibleTitle());
}

QString FilterChip::accessibleTitle() const
{
    return QStringLiteral("%1，%2 项").arg(text()).arg(m_count);
}

void FilterChip::setCount(int count)
{
    if (count == m_count)
        return;
    m_count = count;
    // A screen reader hears the new count (a name change is announced).
    announceName(this, accessibleTitle());
    updateGeometry();
    update();
}

QSize FilterChip::sizeHint() const
{
    int width = 14 + QFontMetrics(chipFont()).horizontalAdvance(text()) + 8
        + QFontMetrics(countFont()).horizontalAdvance(countText()) + 14 + 14;
    if (m_symbol)
        width += 16 + 6;
    return { width, 32 };
}

void FilterChip::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void FilterChip::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void FilterChip::paintEvent(QPaintEvent*)
{
    Theme colors = Theme::from(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    bool selected = isChecked();
    QColor fill = selected ? colors.accent : colors.card;
    if (!selected && m_hovered)
        fill = colors.dark ? colors.card.lighter(120) : colors.card.darker(104);
    painter.setPen(selected ? QPen(Qt::NoPen) : QPen(colors.separator, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(area, area.height() / 2, area.height() / 2);

    QColor foreground = selected ? QColor(Qt::white) : colors.text;
    int x = 14;
    if (m_symbol) {
        bundledIcon(*m_symbol, foreground).paint(&painter, QRect(x, (height() - 16) / 2, 16, 16));
        x += 16 + 6;
    }
    painter.setFont(chipFont());
    painter.setPen(foreground);
    int titleWidth = QFontMetrics(chipFont()).horizontalAdvance(text());
    painter.drawText(QRect(x, 0, titleWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    x += titleWidth + 8;

    QString count = countText();
    int countWidth = QFontMetrics(countFont()).horizontalAdvance(count) + 14;
    QRectF badge(x, (height() - 20) / 2.0, countWidth, 20);
    QColor badgeFill = selected ? QColor(255, 255, 255, 60) : colors.separator;
    painter.setPen(Qt::NoPen);
    painter.setBrush(badgeFill);
    painter.drawRoundedRect(badge, 10, 10);
    painter.setFont(countFont());
    painter.setPen(foreground);
    painter.drawText(badge, Qt::AlignCenter, count);

    if (hasFocus()) {
        // Solid, and white on the accent-filled selected chip, so the ring
        // shows on either fill in light and dark.
        QColor ring = selected ? QColor(Qt::white) : colors.accent;
        ring.setAlphaF(1.0);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), area.height() / 2 - 1, area.height() / 2 - 1);
    }
}

} // namespace brivet
