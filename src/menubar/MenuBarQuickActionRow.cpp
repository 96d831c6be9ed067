#include "menubar/MenuBarQuickActionRow.h"

#include "menubar/MenuBarPanelStyle.h"
#include "ui/CardColors.h"
#include "ui/Symbol.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace brivet {

namespace {

constexpr int rowHeight = 32;
constexpr int symbolSlot = 16;

QIcon rowIcon(QuickAction action, const QColor& color)
{
    switch (action) {
    case QuickAction::create: return bundledIcon(Symbol::plus, color);
    case QuickAction::board: return bundledIcon(Symbol::sparklesRectangleStack, color);
    case QuickAction::sync: return bundledIcon(Symbol::arrowClockwise, color);
    case QuickAction::dashboard: return bundledIcon(Symbol::rectangleGrid, color);
    case QuickAction::settings: return bundledIcon(Symbol::sliderHorizontal, color);
    case QuickAction::quit: return bundledIcon(Symbol::power, color);
    }
    return {};
}

} // namespace

MenuBarQuickActionRow::MenuBarQuickActionRow(QuickAction action, QWidget* parent)
    : QWidget(parent)
    , m_action(action)
{
    setObjectName(QStringLiteral("quickAction-") + QLatin1String(rowId(action).data()));
    setAccessibleName(qs(title(action)));
    setFixedHeight(rowHeight);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    // Tab reaches it; a click does not focus it, so the pointer leaves no
    // focus ring behind.
    setFocusPolicy(Qt::TabFocus);
}

void MenuBarQuickActionRow::activate()
{
    emit clicked(m_action);
}

QSize MenuBarQuickActionRow::sizeHint() const
{
    return QSize(200, rowHeight);
}

void MenuBarQuickActionRow::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void MenuBarQuickActionRow::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    emit entered(m_action);
}

void MenuBarQuickActionRow::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    emit left(m_action);
}

void MenuBarQuickActionRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(m_action);
}

void MenuBarQuickActionRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: activate(); return;
    case Qt::Key_Right:
        if (hasSizeSubmenu(m_action)) {
            activate();
            return;
        }
        break;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void MenuBarQuickActionRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        update();
}

void MenuBarQuickActionRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor text = palette().color(QPalette::WindowText);
    if (m_highlighted || hasFocus()) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlphaF(0.14);
        painter.setPen(Qt::NoPen);
        painter.setBrush(highlight);
        painter.drawRoundedRect(QRectF(rect()), 9, 9);
    }
    if (hasFocus()) {
        painter.setPen(QPen(MenuBarPanelStyle::focusRing(this), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
    }
    int x = 10;
    QRect slot(x, (height() - symbolSlot) / 2, symbolSlot, symbolSlot);
    rowIcon(m_action, text).paint(&painter, slot);
    x += symbolSlot + 10;

    QFont font = this->font();
    font.setPixelSize(fontPixels(13));
    painter.setFont(font);
    painter.setPen(text);
    painter.drawText(QRect(x, 0, width() - x - 30, height()), Qt::AlignVCenter | Qt::AlignLeft, qs(title(m_action)));

    if (hasSizeSubmenu(m_action)) {
        QColor secondary = text;
        secondary.setAlphaF(0.45);
        QRect chevron(width() - 10 - 12, (height() - 12) / 2, 12, 12);
        bundledIcon(Symbol::chevronRight, secondary).paint(&painter, chevron);
    }
}

} // namespace brivet
