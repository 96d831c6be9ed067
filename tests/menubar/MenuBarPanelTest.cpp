#include "menubar/MenuBarContentView.h"
#include "menubar/MenuBarQuickActionRow.h"
#include "menubar/MenuBarTexts.h"
#include "menubar/SizeSubmenuView.h"
#include "state/AppState.h"
#include "support/Fakes.h"
#include "support/StateFixture.h"
#include "PanelFixture.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

void enter(QWidget* widget)
{
    QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent event(inside, widget->mapTo(widget->window(), inside), widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget* widget, QPoint at = QPoint(-1, -1))
{
    if (at.x() < 0)
        at = widget->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

QStringList labelTexts(const QWidget* root, const QString& name)
{
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>(name))
        texts << label->text();
    return texts;
}

class MenuBarPanelTest : public PanelTest {
protected:
    StickyNote done(std::string title)
    {
        StickyNote note = StateFixture::makeNote(std::move(title));
        note.isCompleted = true;
        return note;
    }
    QWidget* primaryCard() const { return panel->findChild<QWidget*>("primaryCard"); }
    QList<QWidget*> rows(const char* name) const { return panel->findChildren<QWidget*>(QString::fromLatin1(name)); }
    QStringList rowTitles(const char* name) const
    {
        QStringList titles;
        for (QWidget* row : rows(name))
            titles << row->findChild<QLabel*>("title")->text();
        return titles;
    }
    QToolButton* button(QWidget* root, const char* name) const { return root->findChild<QToolButton*>(QString::fromLatin1(name)); }
};

// --- Sections ---------------------------------------------------------------

TEST_F(MenuBarPanelTest, WithoutWorkOrBoardsShowsTheEmptyCardPlaceholdersAndTheBoardSizeMenu)
{
    launch({ done("已经做完的事") });

    EXPECT_EQ(primaryCard(), nullptr);
    QWidget* empty = panel->findChild<QWidget*>("emptyCard");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(labelTexts(empty, "title"), QStringList { "今天已经清空" });
    EXPECT_EQ(labelTexts(empty, "hint"), QStringList { "当前没有需要立刻推进的事项。你可以新建悬笺，或先生成一张今日桌面板。" });

    QWidget* queue = panel->findChild<QWidget*>("queueSection");
    EXPECT_EQ(labelTexts(queue, "sectionTitle"), QStringList { "接下来" });
    EXPECT_EQ(labelTexts(queue, "sectionSubtitle"), QStringList { "当前没有待推进事项" });
    EXPECT_EQ(labelTexts(queue, "queuePlaceholder"), QStringList { "你可以直接新建悬笺，或者先生成一张今日桌面板。" });
    EXPECT_TRUE(rows("executionRow").isEmpty());

    QWidget* boards = panel->findChild<QWidget*>("boardsSection");
    EXPECT_EQ(labelTexts(boards, "sectionSubtitle"), QStringList { "还没有固定到桌面的场景板" });
    QToolButton* generate = button(boards, "generateTodayBoard");
    ASSERT_NE(generate, nullptr);
    EXPECT_EQ(generate->text(), "生成今日桌面板");
    ASSERT_NE(generate->menu(), nullptr);
    QStringList sizes;
    for (QAction* action : generate->menu()->actions())
        sizes << action->text();
    EXPECT_EQ(sizes, (QStringList { "小号 · 344 × 248", "中号 · 500 × 318", "大号 · 600 × 378" }));

    generate->menu()->actions()[2]->trigger();
    settle();
    std::vector<StickyNote> made = state().sceneBoards();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].surfaceRole, NoteSurfaceRole::todayBoard);
    EXPECT_EQ(made[0].frame.sizePreset, NoteSizePreset::large);
    EXPECT_FALSE(made[0].isHidden);
    // The panel follows: the board is listed instead of the menu.
    EXPECT_EQ(rowTitles("sceneBoardRow").size(), 1);
    EXPECT_EQ(panel->findChild<QToolButton*>("generateTodayBoard"), nullptr);

    QStringList actions;
    for (QuickAction action : allQuickActions)
        actions << panel->quickActionRow(action)->accessibleName();
    EXPECT_EQ(actions, (QStringList { "新建悬笺", "今日板", "同步", "控制台", "设置", "退出" }));
}

TEST_F(MenuBarPanelTest, FiveNotesDueTodayGiveThePrimaryCardAndTheNextThree)
{
    std::vector<StickyNote> notes;
    for (int i = 0; i < 5; ++i)
        notes.push_back(StateFixture::makeNote("今日事项 " + std::to_string(i + 1), today(11 + i)));
    // Stored out of order: the execution order (earlier due first) decides.
    std::swap(notes[0], notes[4]);
    launch(notes);

    ASSERT_NE(primaryCard(), nullptr);
    EXPECT_EQ(labelTexts(primaryCard(), "title"), QStringList { "今日事项 1" });
    QLabel* due = primaryCard()->findChild<QLabel*>("dueTag");
    ASSERT_NE(due, nullptr);
    EXPECT_TRUE(due->text().startsWith("今天 ")) << due->text().toStdString();
    EXPECT_EQ(primaryCard()->findChild<QLabel*>("sourceTag")->text(), "本地");
    EXPECT_EQ(button(primaryCard(), "complete")->text(), "完成");

    EXPECT_EQ(rowTitles("executionRow"), (QStringList { "今日事项 2", "今日事项 3", "今日事项 4" }));
    QWidget* queue = panel->findChild<QWidget*>("queueSection");
    EXPECT_EQ(labelTexts(queue, "sectionSubtitle"), QStringList { "从这里继续推进今天最重要的任务" });
    EXPECT_EQ(panel->findChild<QLabel*>("summary")->text(), QString::fromStdString(state().menuBarSummaryText()));
    EXPECT_TRUE(panel->findChild<QLabel*>("summary")->text().startsWith("今 5"));
}

TEST_F(MenuBarPanelTest, ThreeBoardsListTheFirstTwoInBoardOrder)
{
    StickyNote meeting = board(NoteSurfaceRole::meetingBoard, "周会", true);
    StickyNote weekly = board(NoteSurfaceRole::weeklyBoard, "本周", false);
    StickyNote custom = board(NoteSurfaceRole::customBoard, "", false);
    launch({ done("做完"), weekly, meeting, custom });

    // Role raw values in ascending order: customBoard, meetingBoard, weeklyBoard.
    EXPECT_EQ(rowTitles("sceneBoardRow"), (QStringList { "未命名场景板", "周会" }));
    QList<QWidget*> listed = rows("sceneBoardRow");
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(labelTexts(listed[1], "meta"), QStringList { QString::fromStdString(std::string(roleTitle(NoteSurfaceRole::meetingBoard)) + " · 任务 0/0") });
    QWidget* boards = panel->findChild<QWidget*>("boardsSection");
    EXPECT_EQ(labelTexts(boards, "sectionSubtitle"), QStringList { "这些卡片会持续待在桌面上" });

    // Every note is hidden at launch, so both rows offer "上桌面".
    QToolButton* reveal = button(listed[1], "reveal");
    ASSERT_NE(reveal, nullptr);
    EXPECT_EQ(reveal->text(), "上桌面");
    reveal->click();
    settle();
    EXPECT_FALSE(state().note(meeting.id)->isHidden);
    EXPECT_EQ(fixture.windows.focused.back(), meeting.id);
    // Now on the desktop, the row offers "打开" instead.
    QWidget* row = rows("sceneBoardRow")[1];
    ASSERT_NE(button(row, "open"), nullptr);
    button(row, "open")->click();
    EXPECT_EQ(state().note(meeting.id)->displayMode, NoteDisplayMode::detail);
    EXPECT_FALSE(panel->isVisible()) << "opening a note hands over to its window";
}

TEST_F(MenuBarPanelTest, ATickCompletesTheNoteAndTheTodayBoardFollows)
{
    StickyNote first = StateFixture::makeNote("写周报", today(11));
    StickyNote second = StateFixture::makeNote("回电话", today(12));
    StickyNote third = StateFixture::makeNote("订会议室", today(13));
    launch({ first, second, third });
    auto todayBoard = [&] {
        for (const StickyNote& note : state().sceneBoards())
            if (note.surfaceRole == NoteSurfaceRole::todayBoard)
                return note;
        return StickyNote {};
    };
    ASSERT_EQ(todayBoard().tasks.size(), 3u);

    button(primaryCard(), "complete")->click();
    settle();
    EXPECT_TRUE(state().note(first.id)->isCompleted);
    EXPECT_EQ(todayBoard().tasks.size(), 2u) << "the today board is rebuilt without the completed note";
    EXPECT_EQ(labelTexts(primaryCard(), "title"), QStringList { "回电话" });
    EXPECT_EQ(rowTitles("executionRow"), QStringList { "订会议室" });

    // The round tick of a queue row does the same.
    button(rows("executionRow")[0], "tick")->click();
    settle();
    EXPECT_TRUE(state().note(third.id)->isCompleted);
    EXPECT_EQ(todayBoard().tasks.size(), 1u);
    EXPECT_TRUE(rows("executionRow").isEmpty());

    // A change made elsewhere (a tick on a desktop card) shows at once.
    state().toggleExecutionNoteCompletion(second.id);
    settle();
    EXPECT_EQ(primaryCard(), nullptr);
    EXPECT_NE(panel->findChild<QWidget*>("emptyCard"), nullptr);
}

TEST_F(MenuBarPanelTest, RowControlsDeferOpenAndAttach)
{
    StickyNote primary = StateFixture::makeNote("先做这个", today(11));
    StickyNote queued = StateFixture::makeNote("再做这个", today(15));
    StickyNote custom = board(NoteSurfaceRole::customBoard, "我的场景", true);
    launch({ primary, queued, custom });

    QWidget* row = rows("executionRow")[0];
    QToolButton* attach = button(row, "attach");
    QStringList entries;
    for (QAction* action : attach->menu()->actions())
        entries << (action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(entries, (QStringList { "我的场景", "—", "新建自定义场景板并加入" }));
    attach->menu()->actions()[0]->trigger();
    settle();
    const StickyNote* attached = state().findNote(custom.id);
    ASSERT_EQ(attached->tasks.size(), 1u);
    EXPECT_EQ(attached->tasks[0].linkedNoteID, queued.id);

    Instant now = fixture.clock.now();
    button(primaryCard(), "defer")->menu()->actions()[0]->trigger();
    settle();
    EXPECT_EQ(state().note(primary.id)->deferredUntil, state().resolvedDate(NoteDeferPreset::oneHour, now));
    // Deferred notes leave the execution lists: the queued one moves up.
    EXPECT_EQ(labelTexts(primaryCard(), "title"), QStringList { "再做这个" });

    button(primaryCard(), "open")->click();
    EXPECT_EQ(state().note(queued.id)->displayMode, NoteDisplayMode::detail);
    EXPECT_FALSE(state().note(queued.id)->isHidden);
    EXPECT_EQ(fixture.windows.focused.back(), queued.id);
}

TEST_F(MenuBarPanelTest, AChangeWhileARowMenuIsOpenWaitsUntilItCloses)
{
    StickyNote primary = StateFixture::makeNote("先做这个", today(11));
    StickyNote other = StateFixture::makeNote("别处完成", today(12));
    launch({ primary, other });
    QPointer<QMenu> menu = button(primaryCard(), "defer")->menu();
    menu->popup(QPoint(100, 100));
    settle();
    ASSERT_TRUE(menu->isVisible());

    // A change from elsewhere (a sync, a desktop card) while it is open.
    state().toggleExecutionNoteCompletion(other.id);
    settle();
    ASSERT_FALSE(menu.isNull()) << "the menu was pulled away under the pointer";
    EXPECT_TRUE(menu->isVisible());

    menu->hide();
    settle();
    EXPECT_TRUE(rows("executionRow").isEmpty()) << "the panel catches up once the menu closes";
}

// --- Quick actions and the size submenu --------------------------------------

TEST_F(MenuBarPanelTest, TheSubmenuSurvivesTheWayIntoItAndClosesOnAnotherRow)
{
    launch({ done("做完") });
    MenuBarQuickActionRow* create = panel->quickActionRow(QuickAction::create);
    SizeSubmenuView* submenu = panel->sizeSubmenu();

    enter(create);
    EXPECT_EQ(panel->hover().activeSubmenu(), QuickAction::create);
    EXPECT_TRUE(submenu->isVisible());
    EXPECT_TRUE(create->isHighlighted());

    // Across the gap and into the submenu within the grace period.
    leave(create);
    fixture.scheduler.advance(Duration(100));
    enter(submenu);
    fixture.scheduler.advance(Duration(500));
    EXPECT_EQ(panel->hover().activeSubmenu(), QuickAction::create);
    EXPECT_TRUE(submenu->isVisible());

    // Out of the submenu onto "同步": closed 0.12 s later, not before.
    leave(submenu);
    enter(panel->quickActionRow(QuickAction::sync));
    fixture.scheduler.advance(Duration(119));
    EXPECT_TRUE(submenu->isVisible());
    fixture.scheduler.advance(Duration(1));
    EXPECT_FALSE(submenu->isVisible());
    EXPECT_EQ(panel->hover().activeSubmenu(), std::nullopt);
    EXPECT_TRUE(panel->quickActionRow(QuickAction::sync)->isHighlighted());
    EXPECT_FALSE(create->isHighlighted());
}

TEST_F(MenuBarPanelTest, PassingOverAPlainRowDoesNotKeepTheSubmenuOpen)
{
    launch({ done("做完") });
    MenuBarQuickActionRow* board = panel->quickActionRow(QuickAction::board);
    MenuBarQuickActionRow* sync = panel->quickActionRow(QuickAction::sync);
    enter(board);
    leave(board);
    // Through "同步" and out of the panel before the submenu closes.
    enter(sync);
    fixture.scheduler.advance(Duration(50));
    leave(sync);
    fixture.scheduler.advance(Duration(200));
    EXPECT_EQ(panel->hover().activeSubmenu(), std::nullopt);
    EXPECT_FALSE(panel->sizeSubmenu()->isVisible());
}

TEST_F(MenuBarPanelTest, ChoosingASizeCreatesTheNoteOrBoardAndClosesTheSubmenu)
{
    launch({ StateFixture::makeNote("今日", today(16)) });
    SizeSubmenuView* submenu = panel->sizeSubmenu();

    click(panel->quickActionRow(QuickAction::create));
    ASSERT_TRUE(submenu->isVisible());
    std::size_t before = state().notes().size();
    click(submenu, submenu->entryGeometry(NoteSizePreset::small).center());
    ASSERT_EQ(state().notes().size(), before + 1);
    const StickyNote& created = state().notes().back();
    EXPECT_EQ(created.frame.sizePreset, NoteSizePreset::small);
    EXPECT_FALSE(created.isHidden);
    EXPECT_EQ(fixture.windows.focused.back(), created.id);
    EXPECT_FALSE(submenu->isVisible());
    EXPECT_EQ(panel->hover().activeSubmenu(), std::nullopt);

    click(panel->quickActionRow(QuickAction::board));
    click(submenu, submenu->entryGeometry(NoteSizePreset::large).center());
    StickyNote todayBoard = state().sceneBoards().front();
    EXPECT_EQ(todayBoard.surfaceRole, NoteSurfaceRole::todayBoard);
    EXPECT_EQ(todayBoard.frame.sizePreset, NoteSizePreset::large);
    EXPECT_FALSE(todayBoard.isHidden);
    EXPECT_FALSE(submenu->isVisible());
}

TEST_F(MenuBarPanelTest, SyncRunsInTheBackgroundAndTheOtherActionsStillWork)
{
    PendingSyncService& sync = pendingSync;
    fixture.syncService = &sync;
    fixture.preferencesStore.fallback.selectedReminderListIDs = { "list" };
    launch({ done("做完") });
    QSignalSpy dashboard(panel.get(), &MenuBarContentView::dashboardRequested);
    QSignalSpy quit(panel.get(), &MenuBarContentView::quitRequested);

    click(panel->quickActionRow(QuickAction::sync));
    EXPECT_TRUE(state().isSyncing());
    EXPECT_EQ(sync.started, 1);
    // A second click while it runs starts nothing more.
    click(panel->quickActionRow(QuickAction::sync));
    EXPECT_EQ(sync.started, 1);

    click(panel->quickActionRow(QuickAction::settings));
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::settings);
    EXPECT_EQ(dashboard.count(), 1);
    EXPECT_FALSE(panel->isVisible());

    panel->popUp(QRect());
    click(panel->quickActionRow(QuickAction::dashboard));
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::today);
    EXPECT_EQ(dashboard.count(), 2);

    panel->popUp(QRect());
    click(panel->quickActionRow(QuickAction::quit));
    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(panel->isVisible());
}

// --- Closing and size --------------------------------------------------------

TEST_F(MenuBarPanelTest, EscapeAndFocusLossCloseThePanelAndForgetTheHover)
{
    launch({ done("做完") });
    enter(panel->quickActionRow(QuickAction::create));
    ASSERT_TRUE(panel->sizeSubmenu()->isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(panel.get(), &escape);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->sizeSubmenu()->isVisible());
    EXPECT_EQ(panel->hover().activeSubmenu(), std::nullopt);
    EXPECT_EQ(panel->hover().hoveredRow(), std::nullopt);
    EXPECT_FALSE(panel->wasJustDismissed()) << "Escape is no focus loss";

    // Another window takes the focus while the panel is open.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    panel->popUp(QRect());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == panel.get(); }));
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }));
    EXPECT_TRUE(panel->wasJustDismissed());
}

TEST(MenuBarPanelHeight, MaximumIsThreeQuartersOfTheScreenWithinBounds)
{
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelMaximumHeight(500), 440);
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelMaximumHeight(1000), 640);
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelMaximumHeight(700), 518);
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelMaximumHeight(std::nullopt), 606.8);
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelHeight(120, 640), 240);
    EXPECT_DOUBLE_EQ(MenuBarTexts::panelHeight(900, 440), 440);
}

TEST_F(MenuBarPanelTest, PanelHeightFollowsTheContentUpToTheMaximum)
{
    launch({ done("做完") });
    EXPECT_EQ(panel->width(), 360);
    int sparse = panel->height();
    EXPECT_GE(sparse, 240);
    EXPECT_LE(sparse, panel->panelMaximumHeight());

    for (int i = 0; i < 4; ++i) {
        Uuid id = state().createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::hidden);
        StickyNote note = *state().note(id);
        note.title = "很长的一条待办事项，用来撑高面板 " + std::to_string(i);
        note.details = "说明";
        note.dueDate = today(11 + i);
        state().update(note);
    }
    settle();
    EXPECT_GT(panel->height(), sparse);
    EXPECT_LE(panel->height(), std::lround(panel->panelMaximumHeight()));
}

} // namespace
