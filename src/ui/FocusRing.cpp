#include "ui/FocusRing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace brivet {

FocusRing::FocusRing(QWidget* host, std::function<QColor()> color)
    : QWidget(host)
    , m_host(host)
    , m_color(std::move(color))
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    host->installEventFilter(this);
    setGeometry(host->rect());
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
    hide();
}

void FocusRing::focusMoved(QWidget* now)
{
    bool inside = now && now != m_host && m_host->isAncestorOf(now);
    follow(inside ? now : nullptr);
}

void FocusRing::follow(QWidget* target)
{
    for (const QPointer<QWidget>& watched : std::as_const(m_watched))
        if (watched)
            watched->removeEventFilter(this);
    m_watched.clear();
    m_target = target;
    if (!target) {
        hide();
        return;
    }
    // The control and everything between it and the host: a move of any of
    // them (a scroll moves the scrolled content) moves the ring.
    for (QWidget* at = target; at && at != m_host; at = at->parentWidget()) {
        at->installEventFilter(this);
        m_watched << at;
    }
    setGeometry(m_host->rect());
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ChildAdded:
        if (watched == m_host) {
            setGeometry(m_host->rect());
            // Faces rebuilt under the ring would otherwise cover it.
            if (event->type() == QEvent::ChildAdded)
                QMetaObject::invokeMethod(
                    this, [this] { raise(); }, Qt::QueuedConnection);
        }
        update();
        break;
    case QEvent::Destroy:
        follow(nullptr);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QRect FocusRing::visibleArea() const
{
    QRect area = m_host->rect();
    for (QWidget* at = m_target ? m_target->parentWidget() : nullptr; at && at != m_host; at = at->parentWidget()) {
        if (auto* scroll = qobject_cast<QAbstractScrollArea*>(at)) {
            QWidget* viewport = scroll->viewport();
            area &= QRect(viewport->mapTo(m_host, QPoint(0, 0)), viewport->size()).adjusted(-width, -width, width, width);
        }
    }
    return area;
}

QRect FocusRing::ringRect() const
{
    if (!m_target || !m_target->isVisible() || !m_target->hasFocus())
        return {};
    QRect control(m_target->mapTo(m_host, QPoint(0, 0)), m_target->size());
    return control.adjusted(-width, -width, width, width) & visibleArea();
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QRect ring = ringRect();
    if (ring.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(visibleArea());
    QRectF outline = QRectF(m_target->mapTo(m_host, QPoint(0, 0)), m_target->size())
                         .adjusted(-width / 2.0, -width / 2.0, width / 2.0, width / 2.0);
    double radius = std::min(9.0, outline.height() / 2);
    painter.setPen(QPen(m_color(), width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, radius, radius);
}

} // namespace brivet
