#include "desktop/NotePanel.h"

#include "ui/X11WindowHints.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QVBoxLayout>
#include <QWindow>

namespace brivet {

NotePanel::NotePanel(NoteWindowLayerMode mode, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_layerMode(mode)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    setAttribute(Qt::WA_QuitOnClose, false);
    // A click gives the panel the focus (its controls take it only from
    // Tab), so the card's keys work; Tab itself passes over the panel.
    setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

NotePanel::~NotePanel() = default;

void NotePanel::setContent(QWidget* content)
{
    if (m_content)
        m_content->deleteLater();
    m_content = content;
    if (content->parentWidget() != this)
        content->setParent(this);
    layout()->addWidget(content);
}

void NotePanel::setLayerMode(NoteWindowLayerMode mode)
{
    m_layerMode = mode;
    if (windowHandle() && isVisible())
        X11WindowHints::applyLayer(windowHandle(), mode);
    if (mode == NoteWindowLayerMode::desktop)
        lower();
    else
        raise();
}

void NotePanel::applyShape(double cornerRadius, bool composited)
{
    m_cornerRadius = cornerRadius;
    m_composited = composited;
    updateMask();
}

void NotePanel::activate()
{
    show();
    raise();
    activateWindow();
}

void NotePanel::updateMask()
{
    if (m_composited) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void NotePanel::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    emit moved();
}

void NotePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateMask();
    emit resized();
}

void NotePanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        emit deactivated();
}

bool NotePanel::event(QEvent* event)
{
    // Activated with nothing focused (opened with focus, or a window
    // manager's activation): the keys go to the card, none of its controls
    // singled out until Tab picks one. Left to itself the toolkit would
    // focus the first button, where a stray Space completes the note.
    if (event->type() == QEvent::WindowActivate && !focusWidget())
        setFocus(Qt::ActiveWindowFocusReason);
    return QWidget::event(event);
}

void NotePanel::closeEvent(QCloseEvent* event)
{
    emit closing();
    event->accept();
}

void NotePanel::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && windowHandle()) {
        // Shown but not yet mapped: the window manager reads these at map time.
        X11WindowHints::prepareUnmapped(windowHandle(), m_layerMode);
        if (!m_filterInstalled) {
            windowHandle()->installEventFilter(this);
            m_filterInstalled = true;
        }
    }
    QWidget::showEvent(event);
}

bool NotePanel::eventFilter(QObject* watched, QEvent* event)
{
    // The first expose follows the map; a window manager that reparents has
    // placed the window by then.
    if (watched == windowHandle() && event->type() == QEvent::Expose && !m_mapped && windowHandle()->isExposed()) {
        m_mapped = true;
        emit mapped();
    }
    // The first click on an inactive card activates it and still reaches
    // the control under the pointer.
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !isActiveWindow()) {
        raise();
        activateWindow();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace brivet
