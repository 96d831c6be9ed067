#include "ui/ElidingLabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace brivet {

ElidingLabel::ElidingLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

QSize ElidingLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect area = contentsRect();
    QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}

void ElidingLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (receivers(SIGNAL(doubleClicked())) > 0) {
        event->accept();
        emit doubleClicked();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace brivet
