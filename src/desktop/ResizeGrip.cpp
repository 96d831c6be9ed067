#include "desktop/ResizeGrip.h"

#include <QMouseEvent>
#include <QPainter>

namespace brivet {

ResizeGrip::ResizeGrip(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("resizeGrip"));
    setFixedSize(extent, extent);
    setCursor(Qt::SizeFDiagCursor);
    setToolTip(QStringLiteral("拖动调整大小"));
}

QWidget* ResizeGrip::makeSlot(QWidget* parent)
{
    auto* slot = new QWidget(parent);
    slot->setObjectName(QLatin1String(slotName));
    slot->setFixedSize(extent, extent);
    slot->setAttribute(Qt::WA_TransparentForMouseEvents);
    return slot;
}

void ResizeGrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = palette().color(QPalette::WindowText);
    color.setAlphaF(0.28);
    painter.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(width() - 2, 5), QPointF(5, height() - 2));
    painter.drawLine(QPointF(width() - 2, 10), QPointF(10, height() - 2));
}

void ResizeGrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_resizing = true;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressSize = window()->size();
    event->accept();
}

void ResizeGrip::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_resizing)
        return;
    QWidget* target = window();
    QPoint delta = event->globalPosition().toPoint() - m_pressGlobal;
    QSize size = (m_pressSize + QSize(delta.x(), delta.y())).expandedTo(target->minimumSize()).boundedTo(target->maximumSize());
    target->resize(size);
    event->accept();
}

void ResizeGrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_resizing)
        return;
    m_resizing = false;
    event->accept();
    emit finished();
}

} // namespace brivet
