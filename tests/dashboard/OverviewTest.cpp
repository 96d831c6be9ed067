#include "DashboardFixture.h"

#include "dashboard/DashboardActionCard.h"
#include "dashboard/DashboardLists.h"
#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/FilterChip.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListRow.h"
#include "dashboard/NoteListView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QTest>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class OverviewTest : public DashboardTest {
protected:
    // Titles of a list, in order.
    std::vector<std::string> titles(const NotePositions& positions)
    {
        std::vector<std::string> result;
        for (std::uint32_t position : positions)
            result.push_back(state().notes()[position].title);
        return result;
    }
    std::vector<std::string> shownTitles(NoteListView* list)
    {
        return titles(list->noteModel()->positions());
    }
    // Launches the mixed set below, at 2026-12-05 10:00.
    void launchMixedSet()
    {
        StickyNote todayLocal = makeNote("today local", at(2026, 12, 5, 15));
        StickyNote todayReminder = makeNote("today reminder", at(2026, 12, 5, 12));
        todayReminder.source = NoteSource::reminders;
        todayReminder.isHidden = false;
        StickyNote todayEvent = makeNote("today event", at(2026, 12, 5, 18));
        todayEvent.source = NoteSource::calendar;
        StickyNote tomorrow = makeNote("tomorrow", at(2026, 12, 6, 9));
        StickyNote undatedOld = makeNote("undated old");
        undatedOld.updatedAt = at(2026, 11, 1);
        StickyNote undatedNew = makeNote("undated new");
        undatedNew.updatedAt = at(2026, 12, 1);
        undatedNew.source = NoteSource::reminders;
        StickyNote deferred = makeNote("deferred", at(2026, 12, 5, 11));
        deferred.deferredUntil = at(2026, 12, 6, 9);
        StickyNote done = makeNote("done", at(2026, 12, 5, 13));
        done.isCompleted = true;
        done.isHidden = false;
        StickyNote meeting = makeBoard("meeting", NoteSurfaceRole::meetingBoard);
        meeting.isHidden = false;
        meeting.isCompleted = true;
        StickyNote custom = makeBoard("custom", NoteSurfaceRole::customBoard);
        launch({ todayLocal, todayReminder, todayEvent, tomorrow, undatedOld, undatedNew, deferred, done, meeting, custom });
    }
};

TEST_F(OverviewTest, EveryFilterListsItsNotesInOrderWithItsCount)
{
    launchMixedSet();
    DashboardLists lists = computeDashboardLists(state());

    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::today, DashboardSourceFilter::all)),
        (std::vector<std::string> { "today reminder", "today local", "today event" }));
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::sceneBoards, DashboardSourceFilter::all)),
        (std::vector<std::string> { "custom", "meeting" }))
        << "board order: role raw value ascending";
    // Dated first by due date, then undated most recently updated first;
    // boards and the deferred note stay out.
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::sources, DashboardSourceFilter::all)),
        (std::vector<std::string> { "today reminder", "done", "today local", "today event", "tomorrow", "undated new",
            "undated old" }));
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::sources, DashboardSourceFilter::local)),
        (std::vector<std::string> { "done", "today local", "tomorrow", "undated old" }));
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::sources, DashboardSourceFilter::reminders)),
        (std::vector<std::string> { "today reminder", "undated new" }));
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::sources, DashboardSourceFilter::calendar)),
        (std::vector<std::string> { "today event" }));
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::deferred, DashboardSourceFilter::all)),
        (std::vector<std::string> { "deferred" }));
    // The completed regular note is on the desktop but not listed; the
    // completed board stays.
    EXPECT_EQ(titles(lists.list(DashboardOverviewFilter::surfaced, DashboardSourceFilter::all)),
        (std::vector<std::string> { "today reminder", "meeting" }));

    open();
    DashboardOverviewView* overview = view().overview();
    const std::pair<DashboardOverviewFilter, const char*> expected[] = {
        { DashboardOverviewFilter::today, "3" },
        { DashboardOverviewFilter::sceneBoards, "2" },
        { DashboardOverviewFilter::sources, "7" },
        { DashboardOverviewFilter::deferred, "1" },
        { DashboardOverviewFilter::surfaced, "2" },
    };
    for (const auto& [filter, count] : expected)
        EXPECT_EQ(overview->chip(filter)->countText(), QString::fromLatin1(count)) << int(filter);
    EXPECT_EQ(overview->sourceChip(DashboardSourceFilter::local)->countText(), QStringLiteral("4"));
    EXPECT_EQ(overview->metricValueLabel(0)->text(), QStringLiteral("3"));
    EXPECT_EQ(overview->metricValueLabel(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(overview->metricValueLabel(2)->text(), QStringLiteral("1"));
}

TEST_F(OverviewTest, WithoutNotesEveryChipShowsZeroAndEachFilterItsOwnEmptyState)
{
    launch({});
    // A first launch seeds sample notes.
    while (!state().notes().empty())
        state().deleteNote(state().notes().front().id);
    open();
    DashboardOverviewView* overview = view().overview();
    settle();
    for (DashboardOverviewFilter filter : allOverviewFilters) {
        overview->selectFilter(filter);
        EXPECT_EQ(overview->chip(filter)->countText(), QStringLiteral("0"));
        EXPECT_TRUE(overview->emptyState()->isVisible());
        EXPECT_FALSE(overview->taskList()->isVisible());
        EXPECT_EQ(overview->emptyTitleLabel()->text().toStdString(), std::string(filterTexts(filter).emptyTitle));
        EXPECT_EQ(overview->emptyTextLabel()->text().toStdString(), std::string(filterTexts(filter).emptyText));
    }
    overview->selectFilter(DashboardOverviewFilter::sources);
    EXPECT_TRUE(overview->sourceChipRow()->isVisible());
    overview->selectSourceFilter(DashboardSourceFilter::calendar);
    EXPECT_EQ(overview->sectionTitleLabel()->text(), QStringLiteral("日历来源"));
}

TEST_F(OverviewTest, ADeferredNoteReturnsToSourcesWhenItsDeferralHasPassed)
{
    StickyNote note = makeNote("later");
    note.deferredUntil = at(2026, 12, 5, 11);
    launch({ note });
    open();
    DashboardOverviewView* overview = view().overview();
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::deferred)->countText(), QStringLiteral("1"));
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::sources)->countText(), QStringLiteral("0"));

    fixture.scheduler.advance(1h + 1s);
    DashboardLists lists = computeDashboardLists(state());
    EXPECT_EQ(lists.count(DashboardOverviewFilter::deferred), 0);
    EXPECT_EQ(lists.count(DashboardOverviewFilter::sources), 1);
    settle();
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::deferred)->countText(), QStringLiteral("0"));
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::sources)->countText(), QStringLiteral("1"));
}

TEST_F(OverviewTest, ListsFollowChangesMadeElsewhereWhileOpen)
{
    StickyNote a = makeNote("a", at(2026, 12, 5, 15));
    launch({ a });
    open();
    DashboardOverviewView* overview = view().overview();
    EXPECT_EQ(shownTitles(overview->taskList()), (std::vector<std::string> { "a" }));

    // As a desktop card or the tray panel would.
    state().setTaskCompletion(a.id, state().addTask(a.id, "only"), true);
    settle();
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::today)->countText(), QStringLiteral("0"));
    EXPECT_TRUE(overview->emptyState()->isVisible());

    Uuid created = state().createNote(nullptr, NoteSizePreset::small, NewNoteWindow::shown);
    StickyNote fresh = stored(created);
    fresh.dueDate = at(2026, 12, 5, 20);
    fresh.title = "fresh";
    state().update(fresh);
    settle();
    EXPECT_EQ(shownTitles(overview->taskList()), (std::vector<std::string> { "fresh" }));
    EXPECT_EQ(overview->metricValueLabel(1)->text(), QStringLiteral("1"));
}

TEST_F(OverviewTest, RowsOfferTheActionsTheirNoteAllows)
{
    StickyNote open_ = makeNote("open");
    StickyNote done = makeNote("done");
    done.isCompleted = true;
    StickyNote board = makeBoard("board", NoteSurfaceRole::weeklyBoard);
    launch({ open_, done, board });
    const AppState& s = state();
    Instant now = fixture.clock.now();

    NoteListRow openRow = NoteListRow::make(stored(open_.id), s, false, now);
    ASSERT_NE(openRow.button(NoteListRow::Action::createBoardWithNote), nullptr);
    EXPECT_EQ(openRow.button(NoteListRow::Action::addToBoard), nullptr);
    EXPECT_EQ(NoteListRow::make(stored(open_.id), s, true, now).button(NoteListRow::Action::addToBoard)->title, "加入");
    for (bool customBoards : { false, true }) {
        for (const Uuid& id : { done.id, board.id }) {
            NoteListRow row = NoteListRow::make(stored(id), s, customBoards, now);
            EXPECT_EQ(row.button(NoteListRow::Action::addToBoard), nullptr) << row.title;
            EXPECT_EQ(row.button(NoteListRow::Action::createBoardWithNote), nullptr) << row.title;
        }
    }

    // The default mode keeps regular notes off the desktop; boards may go.
    ASSERT_EQ(s.preferences().desktopSurfaceMode, DesktopSurfaceMode::sceneBoardsOnly);
    EXPECT_FALSE(openRow.button(NoteListRow::Action::reveal)->enabled);
    EXPECT_TRUE(NoteListRow::make(stored(board.id), s, false, now).button(NoteListRow::Action::reveal)->enabled);
    state().updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsAndPinned; });
    EXPECT_TRUE(NoteListRow::make(stored(open_.id), s, false, now).button(NoteListRow::Action::reveal)->enabled);

    NoteListRow boardRow = NoteListRow::make(stored(board.id), s, false, now);
    EXPECT_EQ(boardRow.tags.front().text, "本周推进");
    EXPECT_EQ(boardRow.tags.at(1).text, "已收起");
    EXPECT_EQ(boardRow.subtitle, "本地 · 桌面执行层");
}

TEST_F(OverviewTest, RowSubtitleTagsAndUntitledNotes)
{
    StickyNote note = makeNote("", at(2026, 12, 5, 15, 30));
    note.source = NoteSource::reminders;
    note.category = "工作";
    note.tasks = { NoteTask { Uuid::random(), "a", true }, NoteTask { Uuid::random(), "b" } };
    note.deferredUntil = at(2026, 12, 6, 9);
    launch({ note });
    NoteListRow row = NoteListRow::make(stored(note.id), state(), false, fixture.clock.now());
    EXPECT_EQ(row.title, "未命名悬笺");
    EXPECT_EQ(row.subtitle, "提醒事项 · 工作 · 12月5日 下午3:30 · 任务 1/2");
    ASSERT_EQ(row.tags.size(), 2u);
    EXPECT_EQ(row.tags[0].text, "已收起");
    EXPECT_EQ(row.tags[1].text, "已延期");
}

TEST_F(OverviewTest, ClickingRowButtonsActsOnTheNote)
{
    StickyNote keep = makeNote("keep", at(2026, 12, 5, 15));
    StickyNote drop = makeNote("drop", at(2026, 12, 5, 16));
    StickyNote board = makeBoard("board", NoteSurfaceRole::customBoard);
    launch({ keep, drop, board });
    open();
    DashboardOverviewView* overview = view().overview();
    NoteListView* list = overview->taskList();
    ASSERT_EQ(shownTitles(list), (std::vector<std::string> { "keep", "drop" }));

    // "上桌面" is drawn disabled under the default mode: a click does nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->buttonRect(0, NoteListRow::Action::reveal).center());
    EXPECT_TRUE(stored(keep.id).isHidden);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->buttonRect(1, NoteListRow::Action::remove).center());
    settle();
    EXPECT_FALSE(state().note(drop.id));
    EXPECT_EQ(shownTitles(list), (std::vector<std::string> { "keep" }));

    // With a custom board the row offers "加入" with that board.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->buttonRect(0, NoteListRow::Action::addToBoard).center());
    ASSERT_NE(list->boardMenu(), nullptr);
    QList<QAction*> entries = list->boardMenu()->actions();
    entries.removeIf([](QAction* action) { return action->isSeparator(); });
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("board"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("新建自定义场景板并加入"));
    entries[0]->trigger();
    const auto& tasks = stored(board.id).tasks;
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].linkedNoteID, keep.id);
}

TEST_F(OverviewTest, RowButtonsActOnTheNoteTheRowShowsWhenTheNotesChangedUnderneath)
{
    StickyNote first = makeNote("first", at(2026, 12, 5, 14));
    StickyNote second = makeNote("second", at(2026, 12, 5, 15));
    StickyNote third = makeNote("third", at(2026, 12, 5, 16));
    StickyNote fourth = makeNote("fourth", at(2026, 12, 5, 17));
    launch({ first, second, third, fourth });
    open();
    NoteListView* list = view().overview()->taskList();
    ASSERT_EQ(shownTitles(list), (std::vector<std::string> { "first", "second", "third", "fourth" }));

    // A delete from a card lands in the same turn as the click, before the
    // list is refreshed: the row still shows "second", and "second" goes.
    state().deleteNote(first.id);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->buttonRect(1, NoteListRow::Action::remove).center());
    EXPECT_FALSE(state().note(second.id));
    EXPECT_TRUE(state().note(third.id));
    settle();
    ASSERT_EQ(shownTitles(list), (std::vector<std::string> { "third", "fourth" }));

    // The pressed note goes between press and release: nothing is deleted.
    QPoint remove = list->buttonRect(0, NoteListRow::Action::remove).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, remove);
    state().deleteNote(third.id);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, remove);
    EXPECT_TRUE(state().note(fourth.id));
}

TEST_F(OverviewTest, EditingAVisibleNoteHidesItAndSavingShowsAndFocusesItAgain)
{
    StickyNote shown = makeNote("shown");
    shown.isHidden = false;
    StickyNote hidden = makeNote("hidden");
    launch({ shown, hidden });
    open();
    DashboardOverviewView* overview = view().overview();

    overview->edit(shown.id);
    ASSERT_TRUE(overview->editorSession());
    EXPECT_EQ(*overview->editorSession(), (DashboardEditorSession { shown.id, true, false }));
    EXPECT_TRUE(stored(shown.id).isHidden);
    fixture.windows.focused.clear();
    ASSERT_NE(overview->editor(), nullptr);
    overview->editor()->doneButton()->click();
    EXPECT_FALSE(overview->editorSession());
    EXPECT_FALSE(stored(shown.id).isHidden);
    EXPECT_EQ(fixture.windows.focused, std::vector<Uuid> { shown.id });

    overview->edit(hidden.id);
    EXPECT_EQ(*overview->editorSession(), (DashboardEditorSession { hidden.id, false, false }));
    overview->editor()->doneButton()->click();
    EXPECT_TRUE(stored(hidden.id).isHidden);
}

TEST_F(OverviewTest, LeavingTheOverviewDiscardsItsFiltersAndEditor)
{
    StickyNote shown = makeNote("shown");
    shown.isHidden = false;
    launch({ shown });
    open();
    DashboardOverviewView* overview = view().overview();
    overview->selectFilter(DashboardOverviewFilter::sources);
    overview->selectSourceFilter(DashboardSourceFilter::reminders);
    overview->setSearchText(QStringLiteral("x"));
    overview->edit(shown.id);

    state().setDashboardDestination(DashboardDestination::settings);
    EXPECT_EQ(view().shownDestination(), DashboardDestination::settings);
    EXPECT_EQ(view().sidebar()->currentRow(), 3);
    EXPECT_FALSE(overview->editorSession());
    EXPECT_FALSE(stored(shown.id).isHidden) << "a note taken off the desktop for editing goes back";
    EXPECT_EQ(overview->selectedFilter(), DashboardOverviewFilter::today);
    EXPECT_EQ(overview->selectedSourceFilter(), DashboardSourceFilter::all);
    EXPECT_TRUE(overview->searchField()->text().isEmpty());

    view().sidebar()->setCurrentRow(1);
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::sync);
}

TEST_F(OverviewTest, QuickActionTilesCreateAtTheChosenSize)
{
    launch({});
    open();
    DashboardOverviewView* overview = view().overview();
    const auto& tiles = overview->actionTiles();
    EXPECT_EQ(tiles[0]->trailingText(), QStringLiteral("新建并选择尺寸"));
    std::size_t before = state().notes().size();
    tiles[0]->click();
    auto* menu = tiles[0]->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[2]->trigger();
    ASSERT_EQ(state().notes().size(), before + 1);
    const StickyNote& created = state().notes().back();
    EXPECT_EQ(created.frame.sizePreset, NoteSizePreset::large);
    EXPECT_FALSE(created.isHidden);

    // A custom board goes on the desktop despite the mode, and is focused.
    fixture.windows.focused.clear();
    tiles[3]->click();
    tiles[3]->findChild<QMenu*>()->actions()[0]->trigger();
    std::vector<StickyNote> custom = state().customSceneBoards();
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_FALSE(custom[0].isHidden);
    EXPECT_EQ(custom[0].frame.sizePreset, NoteSizePreset::small);
    EXPECT_EQ(fixture.windows.focused, std::vector<Uuid> { custom[0].id });

    tiles[5]->click();
    EXPECT_EQ(state().visibleNoteCount(), 0);
}

} // namespace
