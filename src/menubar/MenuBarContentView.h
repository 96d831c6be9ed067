#pragma once

#include "menubar/QuickAction.h"
#include "menubar/SubmenuHoverTracker.h"
#include "model/Enums.h"
#include "model/Instant.h"
#include "model/StickyNote.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace brivet {

class AppState;
class CompositorWatch;
class MenuBarQuickActionRow;
class Scheduler;
class SizeSubmenuView;
class StateBridge;

// The tray item's panel: what to do now (the primary execution note or an
// empty card), the next few notes, the scene boards and the quick actions.
// A frameless window 360 wide whose height follows its content up to a
// share of the screen, scrolling beyond. Every control calls one state
// operation; the panel keeps only hover state. It follows the state while
// open, closes on Escape and when it loses the focus.
//
// From the keyboard: Tab and Shift+Tab walk every control in reading order
// (the cards' and rows' buttons, then the quick actions); Up and Down move
// to the same control of the line above or below, Left and Right within a
// line; Enter or Space activates, opening a button's menu or a row's size
// submenu (Right too), whose entries Up and Down walk and Enter chooses.
// Escape closes a size submenu driven from its focused row first and the
// panel last.
class MenuBarContentView final : public QWidget {
    Q_OBJECT
public:
    MenuBarContentView(AppState& state, Scheduler& scheduler, QWidget* parent = nullptr);
    ~MenuBarContentView() override;

    // Shows the panel beside `anchor` (the tray icon's global rectangle;
    // an empty one: near the pointer) and gives it the focus.
    void popUp(const QRect& anchor);
    // Closes the panel and its submenu; the hover state is forgotten.
    void dismiss();
    // True for a moment after the panel closed on a focus loss: the click
    // on the tray icon that took the focus away must not reopen it.
    bool wasJustDismissed() const;

    // Rebuilds the sections from the state now (changes are otherwise
    // picked up on the next turn of the event loop).
    void refresh();
    // The largest height for the screen the panel is on.
    double panelMaximumHeight() const;

    const SubmenuHoverTracker& hover() const { return m_hover; }
    SizeSubmenuView* sizeSubmenu() const { return m_submenu.get(); }
    MenuBarQuickActionRow* quickActionRow(QuickAction action) const;

signals:
    // "控制台" or "设置" (after setting the destination): the dashboard
    // should come forward.
    void dashboardRequested();
    // "退出".
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void updateFocusOrder(int refocus);
    bool handleControlKey(QWidget* control, QKeyEvent* event);
    void moveFocusAcrossLines(QWidget* control, int step);
    void moveFocusWithinLine(QWidget* control, int step);
    QWidget* lineOf(QWidget* control) const;
    // What the sections show; an unchanged snapshot needs no rebuild.
    struct Snapshot {
        std::string summary;
        std::optional<StickyNote> primary;
        std::vector<StickyNote> queue;
        std::vector<StickyNote> boards;
        std::vector<StickyNote> customBoards;
        Instant dayStart {};
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot takeSnapshot() const;
    void buildChrome();
    QWidget* buildSections(const Snapshot& snapshot);
    QWidget* buildQueueSection(const Snapshot& snapshot, QWidget* parent);
    QWidget* buildBoardsSection(const Snapshot& snapshot, QWidget* parent);
    void scheduleRefresh();
    bool ownsPopup(const QWidget* popup) const;
    void applyHeight();
    QScreen* panelScreen() const;

    void perform(QuickAction action);
    void chooseSize(NoteSizePreset preset);
    void hoverChanged();
    void openNote(const Uuid& noteId);

    AppState& m_state;
    std::unique_ptr<StateBridge> m_bridge;
    SubmenuHoverTracker m_hover;
    // Asked once; translucency is chosen when the panel's window is made.
    std::unique_ptr<CompositorWatch> m_compositor;
    std::unique_ptr<SizeSubmenuView> m_submenu;
    std::optional<QuickAction> m_submenuShownFor;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QVBoxLayout* m_contentLayout = nullptr;
    QLabel* m_summary = nullptr;
    QPointer<QWidget> m_sections;
    std::map<QuickAction, MenuBarQuickActionRow*> m_rows;
    // The controls Tab walks, in reading order.
    std::vector<QPointer<QWidget>> m_focusOrder;

    std::optional<Snapshot> m_shown;
    bool m_refreshQueued = false;
    bool m_composited = false;
    bool m_dismissing = false;
    QRect m_anchor;
    QElapsedTimer m_dismissedByFocusLoss;
};

} // namespace brivet
