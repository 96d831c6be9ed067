#include "dashboard/ToggleSwitch.h"

#include "ui/FocusRing.h"

#include <QPainter>
#include <QSignalBlocker>

namespace brivet {

ToggleSwitch::ToggleSwitch(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    FocusRing::drawsOwnRing(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ToggleSwitch::setOn(bool on)
{
    if (isChecked() == on)
        return;
    QSignalBlocker block(this);
    setChecked(on);
}

QSize ToggleSwitch::sizeHint() const
{
    return { 40, 24 };
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF track = QRectF(rect()).adjusted(1, 2, -1, -2);
    QColor on = palette().color(QPalette::Highlight);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.18);
    QColor fill = isChecked() ? on : off;
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    qreal knob = track.height() - 4;
    qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(isEnabled() ? QColor(Qt::white) : QColor(245, 245, 245));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        QColor ring = on;
        ring.setAlphaF(0.5);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), track.height() / 2 + 1, track.height() / 2 + 1);
    }
}

} // namespace brivet
