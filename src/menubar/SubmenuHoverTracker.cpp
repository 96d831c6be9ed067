#include "menubar/SubmenuHoverTracker.h"

namespace brivet {

SubmenuHoverTracker::SubmenuHoverTracker(Scheduler& scheduler)
    : m_scheduler(scheduler)
{
}

void SubmenuHoverTracker::rowEntered(QuickAction action)
{
    m_hoveredRow = action;
    if (hasSizeSubmenu(action))
        openSubmenu(action);
    changed();
}

void SubmenuHoverTracker::rowLeft(QuickAction action)
{
    if (m_hoveredRow == action)
        m_hoveredRow.reset();
    // Only a submenu row starts a dismiss: a plain row doing so would
    // replace, and so cancel, the pending close of an open submenu.
    if (hasSizeSubmenu(action))
        scheduleDismiss(action);
    changed();
}

void SubmenuHoverTracker::rowClicked(QuickAction action)
{
    if (!hasSizeSubmenu(action))
        return;
    m_hoveredRow = action;
    openSubmenu(action);
    changed();
}

void SubmenuHoverTracker::submenuEntered(QuickAction action)
{
    m_hoveredSubmenu = action;
    openSubmenu(action);
    changed();
}

void SubmenuHoverTracker::submenuLeft(QuickAction action)
{
    if (m_hoveredSubmenu == action)
        m_hoveredSubmenu.reset();
    scheduleDismiss(action);
    changed();
}

void SubmenuHoverTracker::sizeChosen()
{
    m_dismissTask.cancel();
    m_activeSubmenu.reset();
    m_hoveredSubmenu.reset();
    changed();
}

void SubmenuHoverTracker::closeSubmenu()
{
    sizeChosen();
}

void SubmenuHoverTracker::reset()
{
    m_dismissTask.cancel();
    m_hoveredRow.reset();
    m_activeSubmenu.reset();
    m_hoveredSubmenu.reset();
    changed();
}

void SubmenuHoverTracker::openSubmenu(QuickAction action)
{
    m_dismissTask.cancel();
    m_activeSubmenu = action;
}

void SubmenuHoverTracker::scheduleDismiss(QuickAction action)
{
    m_dismissTask = TaskHandle(m_scheduler, m_scheduler.schedule(dismissDelay, [this, action] {
        m_dismissTask.release();
        if (m_hoveredRow == action || m_hoveredSubmenu == action)
            return;
        if (m_activeSubmenu == action) {
            m_activeSubmenu.reset();
            changed();
        }
    }));
}

void SubmenuHoverTracker::changed()
{
    if (onChange)
        onChange();
}

} // namespace brivet
