#include "ui/FocusRing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace brivet {

namespace {

const char* const ownRingProperty = "brivetDrawsOwnFocusRing";
const char* const radiusProperty = "brivetFocusRingRadius";

} // namespace

FocusRing::FocusRing(QWidget* host, std::function<QColor(const QWidget*)> color, FocusRingOptions options)
    : QWidget(host)
    , m_host(host)
    , m_color(std::move(color))
    , m_options(std::move(options))
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    host->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusRing::drawsOwnRing(QWidget* control)
{
    control->setProperty(ownRingProperty, true);
}

void FocusRing::setCornerRadius(QWidget* control, int radius)
{
    control->setProperty(radiusProperty, radius);
}

bool FocusRing::rings(const QWidget* control) const
{
    if (control->property(ownRingProperty).toBool())
        return false;
    return !m_options.rings || m_options.rings(control);
}

void FocusRing::follow(QWidget* focused)
{
    bool inside = focused && focused != m_host && m_host->isAncestorOf(focused);
    QWidget* target = inside && rings(focused) ? focused : nullptr;
    if (target == m_target && target) {
        place();
        return;
    }
    for (const QPointer<QWidget>& watched : m_watched)
        if (watched)
            watched->removeEventFilter(this);
    m_watched.clear();
    m_target = target;
    for (QWidget* at = target; at && at != m_host; at = at->parentWidget()) {
        at->installEventFilter(this);
        m_watched.emplace_back(at);
    }
    place();
}

QRect FocusRing::visibleArea() const
{
    QRect area = m_host->rect();
    int overhang = m_options.overhang;
    for (QWidget* at = m_target->parentWidget(); at && at != m_host; at = at->parentWidget())
        if (auto* scroll = qobject_cast<QAbstractScrollArea*>(at)) {
            QWidget* viewport = scroll->viewport();
            area &= QRect(viewport->mapTo(m_host, QPoint()), viewport->size()).adjusted(-overhang, -overhang, overhang, overhang);
        }
    return area;
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible() || !m_target->hasFocus()) {
        hide();
        return;
    }
    int outset = m_options.gap + width;
    QRect ring = QRect(m_target->mapTo(m_host, QPoint()), m_target->size()).adjusted(-outset, -outset, outset, outset);
    QRect visible = visibleArea();
    if (!visible.intersects(ring)) {
        hide();
        return;
    }
    m_clip = visible.intersected(ring).translated(-ring.topLeft());
    setGeometry(ring);
    raise();
    show();
    update();
}

QRect FocusRing::ringRect() const
{
    return isVisible() ? m_clip.translated(pos()) : QRect();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched != m_host || event->type() == QEvent::Resize)
            place();
        break;
    case QEvent::ParentChange:
        // Its ancestors are others now.
        if (watched != m_host)
            follow(m_target);
        break;
    case QEvent::ChildAdded:
        // Faces rebuilt under the ring would otherwise cover it.
        if (watched == m_host && isVisible())
            QMetaObject::invokeMethod(
                this, [this] { raise(); }, Qt::QueuedConnection);
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*)
{
    if (!m_target)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(m_clip);
    painter.setPen(QPen(m_color(m_target), width));
    painter.setBrush(Qt::NoBrush);
    QRectF outline = QRectF(rect()).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0);
    // The ring keeps the control's corners at its distance; a control lower
    // than its corners are round is ringed with round ends.
    QVariant own = m_target->property(radiusProperty);
    qreal corner = (own.isValid() ? own.toInt() : m_options.cornerRadius) + m_options.gap + width / 2.0;
    corner = std::min(corner, outline.height() / 2);
    painter.drawRoundedRect(outline, corner, corner);
}

} // namespace brivet
