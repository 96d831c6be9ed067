#pragma once

#include "model/Scheduler.h"
#include "state/AppState.h"

#include <QWidget>

#include <array>
#include <memory>

class QListWidget;
class QStackedWidget;

namespace brivet {

class DashboardOverviewView;
class DashboardSyncCenterView;
class DashboardTemplatesView;
class DashboardTrashView;
class DashboardUndoBar;
class FocusRing;
class SettingsView;
class StateBridge;

// The dashboard's content: a sidebar of the four destinations, bound to
// the state's dashboard destination, and the page of the chosen one.
// Pages are built the first time they are shown. The trash is a page
// outside the sidebar, reached from Settings and the undo bar; Ctrl+Z
// takes back the last delete (a text field's own undo comes first).
class DashboardView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarMinimumWidth = 190;
    static constexpr int sidebarIdealWidth = 210;

    explicit DashboardView(AppState& state, Scheduler& scheduler, QWidget* parent = nullptr);
    ~DashboardView() override;

    // Drops an open editor's draft without writing it (the window closes);
    // the note goes back to the desktop if it was there before editing.
    void discardDraft();

    QListWidget* sidebar() const { return m_sidebar; }
    DashboardDestination shownDestination() const { return m_shown; }
    DashboardOverviewView* overview();
    DashboardTemplatesView* boardGallery();
    DashboardSyncCenterView* syncCenter();
    SettingsView* settings();
    // Shows the trash page; the sidebar then has no selection, and any
    // destination leaves it.
    void showTrash();
    DashboardTrashView* trash() const { return m_trash; }
    bool isShowingTrash() const;
    DashboardUndoBar* undoBar() const { return m_undoBar; }
    FocusRing* focusRing() const { return m_focusRing; }
    StateBridge& bridge() const { return *m_bridge; }

private:
    void showDestination(DashboardDestination destination);
    QWidget* page(DashboardDestination destination);

    AppState& m_state;
    Scheduler& m_scheduler;
    std::unique_ptr<StateBridge> m_bridge;
    QListWidget* m_sidebar = nullptr;
    QStackedWidget* m_pages = nullptr;
    std::array<QWidget*, 4> m_built {};
    DashboardTrashView* m_trash = nullptr;
    DashboardUndoBar* m_undoBar = nullptr;
    FocusRing* m_focusRing = nullptr;
    DashboardDestination m_shown = DashboardDestination::today;
};

} // namespace brivet
