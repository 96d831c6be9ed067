#pragma once

#include "menubar/QuickAction.h"
#include "model/Scheduler.h"

#include <functional>
#include <optional>

namespace brivet {

// Which quick-action row is under the pointer and which size submenu is
// open. A submenu stays open while the pointer is on its row or inside it;
// leaving both closes it after a short grace period, so the pointer can
// travel from the row into the submenu.
class SubmenuHoverTracker {
public:
    static constexpr Duration dismissDelay { 120 };

    explicit SubmenuHoverTracker(Scheduler& scheduler);

    void rowEntered(QuickAction action);
    void rowLeft(QuickAction action);
    // Opens the row's submenu, as entering it does.
    void rowClicked(QuickAction action);
    void submenuEntered(QuickAction action);
    void submenuLeft(QuickAction action);
    // A size was chosen in the open submenu: it closes.
    void sizeChosen();
    // The keyboard closed the submenu (Escape, Left); the hovered row stays.
    void closeSubmenu();
    // Forgets all hover state and closes the submenu (the panel closed).
    void reset();

    std::optional<QuickAction> hoveredRow() const { return m_hoveredRow; }
    std::optional<QuickAction> activeSubmenu() const { return m_activeSubmenu; }
    std::optional<QuickAction> hoveredSubmenu() const { return m_hoveredSubmenu; }
    bool isDismissPending() const { return m_dismissTask.isPending(); }

    // Called after every change of the three values above.
    std::function<void()> onChange;

private:
    void openSubmenu(QuickAction action);
    void scheduleDismiss(QuickAction action);
    void changed();

    Scheduler& m_scheduler;
    std::optional<QuickAction> m_hoveredRow;
    std::optional<QuickAction> m_activeSubmenu;
    std::optional<QuickAction> m_hoveredSubmenu;
    TaskHandle m_dismissTask;
};

} // namespace brivet
