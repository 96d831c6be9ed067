#include "dashboard/DashboardActionCard.h"

#include "ui/FocusRing.h"

#include <QPainter>
#include <QTextLayout>

namespace brivet {

namespace {

constexpr int padding = 16;
constexpr int iconExtent = 30;

QFont titleFont() { return uiFont(14, QFont::DemiBold); }
QFont subtitleFont() { return uiFont(12); }
QFont trailingFont() { return uiFont(12, QFont::Medium); }

int subtitleHeight(const QString& text, int width)
{
    QRect bounds = QFontMetrics(subtitleFont()).boundingRect(QRect(0, 0, std::max(width, 40), 1000),
        Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    return bounds.height();
}

} // namespace

DashboardActionCard::DashboardActionCard(const QString& title, const QString& subtitle, Symbol symbol,
    Symbol trailingSymbol, const QString& trailingText, QWidget* parent)
    : QAbstractButton(parent)
    , m_subtitle(subtitle)
    , m_symbol(symbol)
    , m_trailingSymbol(trailingSymbol)
    , m_trailingText(trailingText)
{
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    FocusRing::setCornerRadius(this, cardRadius);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize DashboardActionCard::sizeHint() const
{
    return { 240, heightForWidth(240) };
}

QSize DashboardActionCard::minimumSizeHint() const
{
    return { 160, heightForWidth(160) };
}

int DashboardActionCard::heightForWidth(int width) const
{
    int textWidth = width - 2 * padding;
    int height = padding + iconExtent + 10 + QFontMetrics(titleFont()).height() + 4 + subtitleHeight(m_subtitle, textWidth);
    if (!m_trailingText.isEmpty())
        height += 8 + QFontMetrics(trailingFont()).height();
    return height + padding;
}

void DashboardActionCard::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void DashboardActionCard::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void DashboardActionCard::paintEvent(QPaintEvent*)
{
    Theme colors = Theme::from(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The keyboard's place is the dashboard's focus ring, outside the card.
    QColor border = m_hovered ? colors.accent : colors.separator;
    if (m_hovered)
        border.setAlphaF(0.55);
    QColor fill = isDown() ? (colors.dark ? colors.card.lighter(115) : colors.card.darker(104)) : colors.card;
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(area, 14, 14);

    QRect iconBox(padding, padding, iconExtent, iconExtent);
    QColor iconFill = colors.accent;
    iconFill.setAlphaF(colors.dark ? 0.25 : 0.12);
    painter.setPen(Qt::NoPen);
    painter.setBrush(iconFill);
    painter.drawRoundedRect(QRectF(iconBox), 8, 8);
    bundledIcon(m_symbol, colors.accent).paint(&painter, iconBox.adjusted(6, 6, -6, -6));
    QColor trailingColor = colors.secondaryText;
    bundledIcon(m_trailingSymbol, trailingColor).paint(&painter, QRect(width() - padding - 16, padding + 7, 16, 16));

    int textWidth = width() - 2 * padding;
    int y = padding + iconExtent + 10;
    painter.setFont(titleFont());
    painter.setPen(colors.text);
    QFontMetrics titleMetrics(titleFont());
    painter.drawText(QRect(padding, y, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(text(), Qt::ElideRight, textWidth));
    y += titleMetrics.height() + 4;
    painter.setFont(subtitleFont());
    painter.setPen(colors.secondaryText);
    int subtitleH = subtitleHeight(m_subtitle, textWidth);
    painter.drawText(QRect(padding, y, textWidth, subtitleH), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_subtitle);
    y += subtitleH;
    if (!m_trailingText.isEmpty()) {
        y += 8;
        painter.setFont(trailingFont());
        painter.setPen(colors.accent);
        painter.drawText(QRect(padding, y, textWidth, QFontMetrics(trailingFont()).height()), Qt::AlignLeft | Qt::AlignVCenter,
            m_trailingText);
    }
}

} // namespace brivet
