#include "menubar/SizeSubmenuView.h"

#include "menubar/PanelAccessibility.h"
#include "model/StickyNote.h"
#include "ui/CardColors.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace brivet {

namespace {

constexpr int padding = 6;
constexpr int entryHeight = 30;
constexpr int gap = 4;
constexpr double cornerRadius = 10;

} // namespace

SizeSubmenuView::SizeSubmenuView(bool composited, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    // Before the first accessibility event below: the interface made for
    // a widget is kept for its lifetime.
    installPanelAccessibility();
    setObjectName(QStringLiteral("sizeSubmenu"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("尺寸"));
    int count = static_cast<int>(allCases<NoteSizePreset>().size());
    setFixedSize(width, 2 * padding + count * entryHeight);
    // Rounded by translucent corners under a compositor, by a mask otherwise.
    if (composited) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    }
}

void SizeSubmenuView::presentBeside(const QRect& row, const QRect& panel)
{
    QScreen* screen = QGuiApplication::screenAt(row.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    int x = panel.right() + 1 + gap;
    if (x + width - 1 > available.right())
        x = panel.left() - gap - width;
    int y = std::clamp(row.top() - padding, available.top(), std::max(available.top(), available.bottom() - height() + 1));
    move(x, y);
    setHoveredPreset(std::nullopt);
    show();
    raise();
}

QRect SizeSubmenuView::entryRect(int index) const
{
    return QRect(padding, padding + index * entryHeight, width - 2 * padding, entryHeight);
}

QRect SizeSubmenuView::entryGeometry(NoteSizePreset preset) const
{
    const auto& presets = allCases<NoteSizePreset>();
    for (std::size_t i = 0; i < presets.size(); ++i)
        if (presets[i] == preset)
            return entryRect(static_cast<int>(i));
    return {};
}

std::optional<NoteSizePreset> SizeSubmenuView::presetAt(const QPoint& position) const
{
    const auto& presets = allCases<NoteSizePreset>();
    for (std::size_t i = 0; i < presets.size(); ++i)
        if (entryRect(static_cast<int>(i)).contains(position))
            return presets[i];
    return std::nullopt;
}

void SizeSubmenuView::setHoveredPreset(std::optional<NoteSizePreset> preset)
{
    if (preset == m_hoveredPreset)
        return;
    m_hoveredPreset = preset;
    update();
    if (preset && isVisible()) {
        // The window never has the focus: a screen reader learns of the
        // highlighted entry from this event.
        QRect entry = entryGeometry(*preset);
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(entry.isValid() ? (entry.top() - padding) / entryHeight : -1);
        QAccessible::updateAccessibility(&event);
    }
}

void SizeSubmenuView::moveCurrent(int step)
{
    const auto& presets = allCases<NoteSizePreset>();
    int count = static_cast<int>(presets.size());
    int index = step >= 0 ? 0 : count - 1;
    if (m_hoveredPreset) {
        auto found = std::find(presets.begin(), presets.end(), *m_hoveredPreset);
        index = std::clamp(static_cast<int>(found - presets.begin()) + step, 0, count - 1);
    }
    setHoveredPreset(presets[static_cast<std::size_t>(index)]);
}

bool SizeSubmenuView::chooseCurrent()
{
    if (!m_hoveredPreset)
        return false;
    choose(*m_hoveredPreset);
    return true;
}

void SizeSubmenuView::choose(NoteSizePreset preset)
{
    emit presetChosen(preset);
}

void SizeSubmenuView::setOwnerTitle(const QString& title)
{
    setAccessibleName(title + QStringLiteral(" · 尺寸"));
}

void SizeSubmenuView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setHoveredPreset(presetAt(event->position().toPoint()));
    emit pointerEntered();
}

void SizeSubmenuView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHoveredPreset(std::nullopt);
    emit pointerLeft();
}

void SizeSubmenuView::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredPreset(presetAt(event->position().toPoint()));
}

void SizeSubmenuView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (std::optional<NoteSizePreset> preset = presetAt(event->position().toPoint()))
        choose(*preset);
}

void SizeSubmenuView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = palette().color(QPalette::Window);
    QColor text = palette().color(QPalette::WindowText);
    QColor border = text;
    border.setAlphaF(0.14);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);

    QFont font = this->font();
    font.setPixelSize(fontPixels(12));
    painter.setFont(font);
    const auto& presets = allCases<NoteSizePreset>();
    for (std::size_t i = 0; i < presets.size(); ++i) {
        QRect entry = entryRect(static_cast<int>(i));
        if (m_hoveredPreset == presets[i]) {
            QColor highlight = palette().color(QPalette::Highlight);
            highlight.setAlphaF(0.16);
            painter.setPen(Qt::NoPen);
            painter.setBrush(highlight);
            painter.drawRoundedRect(QRectF(entry), 7, 7);
        }
        painter.setPen(text);
        painter.drawText(entry.adjusted(10, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, qs(menuLabel(presets[i])));
    }
}

} // namespace brivet
