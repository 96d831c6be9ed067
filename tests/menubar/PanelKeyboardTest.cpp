#include "menubar/MenuBarContentView.h"
#include "menubar/MenuBarQuickActionRow.h"
#include "menubar/SizeSubmenuView.h"
#include "state/AppState.h"
#include "support/Fakes.h"
#include "support/StateFixture.h"
#include "PanelFixture.h"
#include "support/qt/AccessibilityAudit.h"
#include "support/qt/MenuDriving.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <iostream>

using namespace brivet;
using namespace brivet::testing;

namespace panelkeys {

// Where the focus is, as "line/control": the card or row and the button.
QString focusName(QWidget* window)
{
    QWidget* focus = window->focusWidget();
    if (!focus)
        return QStringLiteral("(none)");
    if (qobject_cast<MenuBarQuickActionRow*>(focus))
        return focus->objectName();
    return focus->parentWidget()->objectName() + QLatin1Char('/') + focus->objectName();
}

class PanelKeyboardTest : public PanelTest {
protected:
    // Primary, one queued note, a custom board listed in the boards section.
    void launchWithWork()
    {
        launch({ StateFixture::makeNote("先做这个", today(11)), StateFixture::makeNote("再做这个", today(15)),
            board(NoteSurfaceRole::customBoard, "我的场景") });
    }

    AccessibilityAudit auditShown(const char* scene)
    {
        AccessibilityAudit audit = auditAccessibleTree(panel.get());
        if (panel->sizeSubmenu()->isVisible())
            audit += auditAccessibleTree(panel->sizeSubmenu());
        std::cout << scene << ": " << audit.interactive << " interactive, " << audit.unnamed << " unnamed, "
                  << audit.unactionable << " without an action, " << audit.unfocusable << " not focusable\n";
        return audit;
    }

    // Sends a key to whatever has the focus in the panel.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = panel->focusWidget() ? panel->focusWidget() : panel.get();
        QTest::keyClick(target, key, modifiers);
    }
    // The offscreen platform moves the activation away from the panel when
    // a menu that covered it closes, and the panel then closes as on any
    // focus loss (a menu under X takes no focus); it is opened again.
    void reopen()
    {
        if (!panel->isVisible())
            panel->popUp(QRect());
        settle();
    }
    void focusRow(QuickAction action) { panel->quickActionRow(action)->setFocus(Qt::TabFocusReason); }

    PendingSyncService& sync = pendingSync;
};

// --- The accessible tree ------------------------------------------------------

TEST_F(PanelKeyboardTest, EveryControlIsNamedAndOperableWithWorkAndWithASubmenuOpen)
{
    launchWithWork();
    AccessibilityAudit withWork = auditShown("with work");
    EXPECT_TRUE(withWork.passed()) << withWork.report().toStdString();

    QTest::mouseClick(panel->quickActionRow(QuickAction::create), Qt::LeftButton);
    ASSERT_TRUE(panel->sizeSubmenu()->isVisible());
    AccessibilityAudit submenu = auditShown("size submenu open");
    EXPECT_TRUE(submenu.passed()) << submenu.report().toStdString();
}

TEST_F(PanelKeyboardTest, WithoutWorkEveryControlIsNamedAndOperable)
{
    // The empty card and 生成今日桌面板, a menu button.
    StickyNote finished = StateFixture::makeNote("已经做完的事");
    finished.isCompleted = true;
    launch({ finished });
    ASSERT_NE(panel->findChild<QWidget*>("generateTodayBoard"), nullptr);
    AccessibilityAudit audit = auditShown("without work");
    EXPECT_TRUE(audit.passed()) << audit.report().toStdString();
}

TEST_F(PanelKeyboardTest, TheWindowCardsAndRowsAreNamedAndTheirActionsDoWhatAClickDoes)
{
    launchWithWork();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(panel.get());
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "悬笺面板");
    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(panel->findChild<QWidget*>("primaryCard"));
    EXPECT_EQ(card->role(), QAccessible::Grouping);
    EXPECT_EQ(card->text(QAccessible::Name), "先做这个");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(panel->findChild<QWidget*>("executionRow"))->text(QAccessible::Name),
        "再做这个");

    // "控制台" pressed through the action interface alone.
    QSignalSpy dashboard(panel.get(), &MenuBarContentView::dashboardRequested);
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(panel->quickActionRow(QuickAction::dashboard));
    EXPECT_EQ(row->role(), QAccessible::Button);
    row->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(dashboard.count(), 1);
    EXPECT_FALSE(panel->isVisible());

    // "新建悬笺" opens its sizes; pressing the large entry makes the note.
    panel->popUp(QRect());
    settle();
    QAccessibleInterface* create = QAccessible::queryAccessibleInterface(panel->quickActionRow(QuickAction::create));
    EXPECT_EQ(create->role(), QAccessible::ButtonMenu);
    EXPECT_TRUE(create->state().hasPopup);
    create->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(panel->sizeSubmenu()->isVisible());
    QAccessibleInterface* sizes = QAccessible::queryAccessibleInterface(panel->sizeSubmenu());
    EXPECT_EQ(sizes->role(), QAccessible::PopupMenu);
    EXPECT_EQ(sizes->text(QAccessible::Name), "新建悬笺 · 尺寸");
    ASSERT_EQ(sizes->childCount(), 3);
    QAccessibleInterface* large = sizes->child(2);
    EXPECT_EQ(large->parent()->object(), panel->sizeSubmenu());
    EXPECT_EQ(sizes->indexOfChild(large), 2);
    EXPECT_EQ(large->text(QAccessible::Name), "大号 · 600 × 378");
    std::size_t before = state().notes().size();
    large->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(state().notes().size(), before + 1);
    EXPECT_EQ(state().notes().back().frame.sizePreset, NoteSizePreset::large);
    EXPECT_FALSE(panel->sizeSubmenu()->isVisible());
}

// --- The keyboard -------------------------------------------------------------

TEST_F(PanelKeyboardTest, TabWalksEveryControlInReadingOrderAndShiftTabWalksBack)
{
    launchWithWork();
    const QStringList order { "primaryCard/complete", "primaryCard/defer", "primaryCard/open", "executionRow/tick",
        "executionRow/defer", "executionRow/open", "executionRow/attach", "sceneBoardRow/reveal", "sceneBoardRow/open",
        "quickAction-create",
        "quickAction-board", "quickAction-sync", "quickAction-dashboard", "quickAction-settings", "quickAction-quit" };
    QStringList walked;
    for (int i = 0; i <= order.size(); ++i) {
        key(Qt::Key_Tab);
        walked << focusName(panel.get());
    }
    EXPECT_EQ(joined(walked), joined(order + QStringList { order.front() })) << "and round to the first";

    QStringList back;
    for (int i = 0; i < order.size(); ++i) {
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        back.prepend(focusName(panel.get()));
    }
    EXPECT_EQ(joined(back), joined(order));

    // The focus is drawn: a focused control looks different from itself
    // unfocused, a row and a button alike.
    for (QWidget* control : { static_cast<QWidget*>(panel->quickActionRow(QuickAction::sync)),
             static_cast<QWidget*>(panel->findChild<QWidget*>("primaryCard")->findChild<QToolButton*>("open")) }) {
        panel->quickActionRow(QuickAction::quit)->setFocus();
        QImage plain = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        EXPECT_NE(control->grab().toImage(), plain) << control->objectName().toStdString();
    }
    // A click leaves no focus ring.
    QTest::mouseClick(panel->findChild<QWidget*>("executionRow")->findChild<QToolButton*>("open"), Qt::LeftButton);
}

TEST_F(PanelKeyboardTest, ArrowsMoveAlongAndAcrossTheLinesOfControls)
{
    launchWithWork();
    panel->findChild<QWidget*>("primaryCard")->findChild<QToolButton*>("defer")->setFocus(Qt::TabFocusReason);
    QStringList path;
    for (Qt::Key step : { Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down,
             Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Left }) {
        key(step);
        path << focusName(panel.get());
    }
    // The boards section lists the hidden custom board, then the today
    // board on the desktop.
    const QStringList expected { "executionRow/defer", "executionRow/open", "executionRow/attach", "executionRow/attach",
        "sceneBoardRow/reveal", "sceneBoardRow/open", "quickAction-create", "sceneBoardRow/open", "sceneBoardRow/reveal",
        "sceneBoardRow/reveal" };
    EXPECT_EQ(joined(path), joined(expected));
}

TEST_F(PanelKeyboardTest, ATickFromTheKeyboardLeavesTheFocusWhereTheNoteWas)
{
    StickyNote first = StateFixture::makeNote("写周报", today(11));
    StickyNote second = StateFixture::makeNote("回电话", today(12));
    launch({ first, second });
    ASSERT_TRUE(panel->isActiveWindow());
    key(Qt::Key_Tab);
    ASSERT_EQ(focusName(panel.get()).toStdString(), "primaryCard/complete");
    key(Qt::Key_Space);
    settle();
    EXPECT_TRUE(state().note(first.id)->isCompleted);
    // The sections were rebuilt under the focus: it stays on the card's
    // first button, now for the next note, so Space again goes on with it.
    EXPECT_EQ(focusName(panel.get()).toStdString(), "primaryCard/complete");
    key(Qt::Key_Space);
    settle();
    EXPECT_TRUE(state().note(second.id)->isCompleted);
}

TEST_F(PanelKeyboardTest, EnterActivatesEachQuickAction)
{
    fixture.syncService = &sync;
    fixture.preferencesStore.fallback.selectedReminderListIDs = { "list" };
    launch({ StateFixture::makeNote("今日", today(16)) });
    SizeSubmenuView* submenu = panel->sizeSubmenu();
    QSignalSpy dashboard(panel.get(), &MenuBarContentView::dashboardRequested);
    QSignalSpy quit(panel.get(), &MenuBarContentView::quitRequested);

    // 新建悬笺: Enter opens the sizes with the first current; Down, Enter.
    focusRow(QuickAction::create);
    key(Qt::Key_Return);
    ASSERT_TRUE(submenu->isVisible());
    EXPECT_EQ(submenu->hoveredPreset(), NoteSizePreset::small);
    std::size_t before = state().notes().size();
    key(Qt::Key_Down);
    key(Qt::Key_Enter);
    ASSERT_EQ(state().notes().size(), before + 1);
    EXPECT_EQ(state().notes().back().frame.sizePreset, NoteSizePreset::medium);
    EXPECT_FALSE(submenu->isVisible());

    // 今日板: Right opens, the entries stop at the ends, Space chooses.
    focusRow(QuickAction::board);
    key(Qt::Key_Right);
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Space);
    ASSERT_FALSE(state().sceneBoards().empty());
    EXPECT_EQ(state().sceneBoards().front().surfaceRole, NoteSurfaceRole::todayBoard);
    EXPECT_EQ(state().sceneBoards().front().frame.sizePreset, NoteSizePreset::large);

    focusRow(QuickAction::sync);
    key(Qt::Key_Return);
    EXPECT_EQ(sync.started, 1);
    EXPECT_TRUE(panel->isVisible());

    focusRow(QuickAction::settings);
    key(Qt::Key_Return);
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::settings);
    EXPECT_EQ(dashboard.count(), 1);
    EXPECT_FALSE(panel->isVisible());

    panel->popUp(QRect());
    focusRow(QuickAction::dashboard);
    key(Qt::Key_Space);
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::today);
    EXPECT_EQ(dashboard.count(), 2);

    panel->popUp(QRect());
    focusRow(QuickAction::quit);
    key(Qt::Key_Return);
    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(PanelKeyboardTest, EscapeAndLeftCloseTheSubmenuBeforeThePanel)
{
    launch({});
    std::size_t notes = state().notes().size();
    focusRow(QuickAction::create);
    key(Qt::Key_Right);
    ASSERT_TRUE(panel->sizeSubmenu()->isVisible());
    key(Qt::Key_Left);
    EXPECT_FALSE(panel->sizeSubmenu()->isVisible());
    EXPECT_TRUE(panel->isVisible());

    key(Qt::Key_Return);
    ASSERT_TRUE(panel->sizeSubmenu()->isVisible());
    key(Qt::Key_Escape);
    EXPECT_FALSE(panel->sizeSubmenu()->isVisible());
    EXPECT_TRUE(panel->isVisible()) << "the first Escape only closes the submenu";
    EXPECT_EQ(state().notes().size(), notes) << "nothing was chosen";
    key(Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(PanelKeyboardTest, MenuButtonsOpenFromTheKeyboardAndTheirShowMenuAction)
{
    StickyNote primary = StateFixture::makeNote("先做这个", today(11));
    StickyNote queued = StateFixture::makeNote("再做这个", today(15));
    StickyNote third = StateFixture::makeNote("第三件", today(17));
    StickyNote custom = board(NoteSurfaceRole::customBoard, "我的场景");
    launch({ primary, queued, third, custom });

    // 稍后 with keys only: Tab to it, Space opens, Down Down Enter picks the
    // second entry.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_EQ(focusName(panel.get()).toStdString(), "primaryCard/defer");
    Instant now = fixture.clock.now();
    QToolButton* defer = panel->findChild<QWidget*>("primaryCard")->findChild<QToolButton*>("defer");
    auto secondEntry = [](QMenu* menu) {
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    };
    bool opened = whileMenuOpen(
        defer->menu(), [&] { key(Qt::Key_Space); }, secondEntry);
    EXPECT_TRUE(opened);
    NoteDeferPreset second = allCases<NoteDeferPreset>()[1];
    EXPECT_EQ(state().note(primary.id)->deferredUntil, state().resolvedDate(second, now));
    reopen();

    // The row below still offers 加入: Enter opens it, Down and Return
    // attach the note to the first board.
    QToolButton* attach = panel->findChild<QWidget*>("executionRow")->findChild<QToolButton*>("attach");
    attach->setFocus(Qt::TabFocusReason);
    auto firstEntry = [](QMenu* menu) {
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    };
    opened = whileMenuOpen(
        attach->menu(), [&] { key(Qt::Key_Return); }, firstEntry);
    EXPECT_TRUE(opened);
    ASSERT_EQ(state().note(custom.id)->tasks.size(), 1u);
    EXPECT_EQ(state().note(custom.id)->tasks[0].linkedNoteID, third.id);

    // A screen reader's ShowMenu opens the same menu; Escape closes it.
    reopen();
    defer = panel->findChild<QWidget*>("primaryCard")->findChild<QToolButton*>("defer");
    QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(defer)->actionInterface();
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    opened = whileMenuOpen(
        defer->menu(),
        [&] {
            actions->doAction(QAccessibleActionInterface::showMenuAction());
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the call returns before the menu runs";
            settle();
        },
        [](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(state().note(queued.id)->deferredUntil, std::nullopt) << "Escape chose nothing";
}

} // namespace panelkeys
