#include "dashboard/DashboardFocusRing.h"

#include "ui/Theme.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>

namespace brivet {

namespace {

const char* const ownRingProperty = "brivetDrawsOwnFocusRing";
const char* const radiusProperty = "brivetFocusRingRadius";
// Between the control's edge and the ring's outer edge: a 2px gap, so the
// ring stands apart from an accent-filled button, then the 2px ring.
constexpr int outset = 4;

} // namespace

DashboardFocusRing::DashboardFocusRing(QWidget* scope)
    : QWidget(scope)
    , m_scope(scope)
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void DashboardFocusRing::drawsOwnRing(QWidget* control)
{
    control->setProperty(ownRingProperty, true);
}

void DashboardFocusRing::setCornerRadius(QWidget* control, int radius)
{
    control->setProperty(radiusProperty, radius);
}

bool DashboardFocusRing::isRinged(const QWidget* widget)
{
    if (widget->property(ownRingProperty).toBool())
        return false;
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QAbstractSlider*>(widget)
        || qobject_cast<const QComboBox*>(widget);
}

void DashboardFocusRing::follow(QWidget* focused)
{
    QWidget* target = focused && m_scope->isAncestorOf(focused) && isRinged(focused) ? focused : nullptr;
    if (target == m_target && target) {
        place();
        return;
    }
    for (const QPointer<QWidget>& watched : m_watched)
        if (watched)
            watched->removeEventFilter(this);
    m_watched.clear();
    m_target = target;
    if (target)
        for (QWidget* widget = target; widget && widget != m_scope; widget = widget->parentWidget()) {
            widget->installEventFilter(this);
            m_watched.emplace_back(widget);
        }
    place();
}

void DashboardFocusRing::place()
{
    if (!m_target || !m_target->isVisible() || !m_target->hasFocus()) {
        hide();
        return;
    }
    QRect ring = QRect(m_target->mapTo(m_scope, QPoint()), m_target->size()).adjusted(-outset, -outset, outset, outset);
    // A control scrolled partly out of view shows only the ring's part
    // that is inside the scroll area.
    QRect visible = m_scope->rect();
    for (QWidget* widget = m_target->parentWidget(); widget && widget != m_scope; widget = widget->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget()); area && area->viewport() == widget)
            visible &= QRect(widget->mapTo(m_scope, QPoint()), widget->size());
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

bool DashboardFocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        place();
        break;
    case QEvent::ParentChange:
        // Its ancestors are others now.
        follow(m_target);
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void DashboardFocusRing::paintEvent(QPaintEvent*)
{
    if (!m_target)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(m_clip);
    QColor accent = Theme::from(m_target->palette()).accent;
    accent.setAlphaF(1.0);
    painter.setPen(QPen(accent, 2));
    painter.setBrush(Qt::NoBrush);
    QVariant radius = m_target->property(radiusProperty);
    qreal corner = (radius.isValid() ? radius.toInt() : controlRadius) + outset - 1;
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), corner, corner);
}

} // namespace brivet
