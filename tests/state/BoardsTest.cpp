#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

const StickyNote* firstOfRole(const AppState& state, NoteSurfaceRole role)
{
    for (const StickyNote& note : state.notes())
        if (note.surfaceRole == role)
            return &note;
    return nullptr;
}

int countOfRole(const AppState& state, NoteSurfaceRole role)
{
    return static_cast<int>(std::count_if(state.notes().begin(), state.notes().end(),
        [role](const StickyNote& n) { return n.surfaceRole == role; }));
}

class Boards : public ::testing::Test {
protected:
    static void todayBoardOn(AppPreferences& p) { p.autoGenerateFocusBoard = true; }
    StateFixture f;
};

TEST_F(Boards, TodayBoardTakesTheFirstSixInExecutionOrder)
{
    std::vector<StickyNote> notes;
    for (int i = 0; i < 8; ++i)
        notes.push_back(StateFixture::makeNote("due " + std::to_string(i), f.at(2026, 12, 5, 20 - i, 0)));
    AppState& state = f.launchWith(notes, todayBoardOn);
    const StickyNote* board = firstOfRole(state, NoteSurfaceRole::todayBoard);
    ASSERT_TRUE(board);
    ASSERT_EQ(board->tasks.size(), 6u);
    EXPECT_EQ(board->tasks[0].linkedNoteID, notes[7].id) << "earliest due first";
    EXPECT_EQ(board->tasks[0].title, "本地 · 12月5日 下午1:00 · due 7");
    EXPECT_EQ(board->dueDate, f.at(2026, 12, 5, 13, 0));
    EXPECT_EQ(board->title, "今日聚焦");
    EXPECT_EQ(board->category, "桌面执行层");
    EXPECT_EQ(board->style.theme, NoteTheme::work);
    EXPECT_FALSE(board->isHidden) << "a board made for the first time starts visible";
    EXPECT_EQ(board->frame.width, 500);
}

TEST_F(Boards, RebuildKeepsPlaceDeferralAndHiddenState)
{
    auto due = StateFixture::makeNote("due", f.at(2026, 12, 5, 18, 0));
    StickyNote board = StateFixture::makeNote("old board");
    board.surfaceRole = NoteSurfaceRole::todayBoard;
    board.frame = NoteFrame { 700, 500, 600, 378, NoteSizePreset::large };
    board.isHidden = true;
    board.deferredUntil = f.at(2026, 12, 9, 9, 0);
    Uuid boardId = board.id;
    AppState& state = f.launchWith({ due, board }, todayBoardOn);

    const StickyNote* rebuilt = firstOfRole(state, NoteSurfaceRole::todayBoard);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->id, boardId);
    EXPECT_EQ(rebuilt->title, "今日聚焦");
    EXPECT_EQ(rebuilt->frame, (NoteFrame { 700, 500, 600, 378, NoteSizePreset::large }));
    EXPECT_TRUE(rebuilt->isHidden);
    EXPECT_EQ(rebuilt->deferredUntil, f.at(2026, 12, 9, 9, 0));
    EXPECT_EQ(countOfRole(state, NoteSurfaceRole::todayBoard), 1);

    Uuid firstTaskId = rebuilt->tasks[0].id;
    ASSERT_TRUE(state.generateTodayFocusBoard(RevealBoard::no, NoteSizePreset::small));
    EXPECT_EQ(countOfRole(state, NoteSurfaceRole::todayBoard), 1);
    EXPECT_NE(firstOfRole(state, NoteSurfaceRole::todayBoard)->tasks[0].id, firstTaskId);
    EXPECT_EQ(firstOfRole(state, NoteSurfaceRole::todayBoard)->frame.sizePreset, NoteSizePreset::small);
}

TEST_F(Boards, EmptyListGivesTemplateBoardOnlyWhenAskedToReveal)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("undated") }, todayBoardOn);
    EXPECT_FALSE(firstOfRole(state, NoteSurfaceRole::todayBoard)) << "refresh never creates a board for an empty list";
    EXPECT_FALSE(state.generateTodayFocusBoard(RevealBoard::no, NoteSizePreset::medium));

    auto id = state.createSceneBoard(NoteSurfaceRole::todayBoard, NoteSizePreset::medium);
    ASSERT_TRUE(id);
    const StickyNote& board = *state.findNote(*id);
    EXPECT_EQ(state.syncStatus(), "今天还没有待推进事项，先给你一张空白今日板");
    ASSERT_EQ(board.tasks.size(), 3u);
    EXPECT_EQ(board.tasks[0].title, "今天最重要的事");
    EXPECT_EQ(board.dueDate, f.at(2026, 12, 5, 23, 59));
    EXPECT_FALSE(board.isHidden);
    EXPECT_EQ(f.windows.focused.back(), *id);

    state.createSceneBoard(NoteSurfaceRole::todayBoard, NoteSizePreset::medium);
    EXPECT_EQ(countOfRole(state, NoteSurfaceRole::todayBoard), 2) << "each empty request makes a template board";
}

TEST_F(Boards, EmptiedBoardIsHiddenWithItsTasksAndUpcomingOffHidesIt)
{
    auto due = StateFixture::makeNote("only one", f.at(2026, 12, 5, 18, 0));
    StickyNote upcoming = StateFixture::makeNote("stale upcoming");
    upcoming.surfaceRole = NoteSurfaceRole::upcomingBoard;
    upcoming.isHidden = false;
    AppState& state = f.launchWith({ due, upcoming }, todayBoardOn);
    Uuid dueId = state.notes()[0].id;
    EXPECT_TRUE(firstOfRole(state, NoteSurfaceRole::upcomingBoard)->isHidden);

    state.toggleExecutionNoteCompletion(dueId);
    const StickyNote* board = firstOfRole(state, NoteSurfaceRole::todayBoard);
    EXPECT_TRUE(board->isHidden);
    EXPECT_EQ(board->tasks.size(), 1u) << "old tasks stay in place";
}

TEST_F(Boards, TickingALinkedTaskWritesOnceAndReconcilesOnce)
{
    auto a = StateFixture::makeNote("a", f.at(2026, 12, 5, 18, 0));
    auto b = StateFixture::makeNote("b", f.at(2026, 12, 5, 19, 0));
    AppState& state = f.launchWith({ a, b }, todayBoardOn);
    auto writes = f.repository.writes.size();
    auto reconciles = f.windows.reconciles.size();

    state.toggleExecutionNoteCompletion(a.id);
    EXPECT_EQ(f.repository.writes.size(), writes + 1);
    EXPECT_EQ(f.windows.reconciles.size(), reconciles + 1);
    f.scheduler.advance(2s);
    EXPECT_EQ(f.repository.writes.size(), writes + 1) << "no debounced write follows";
    const StickyNote* board = firstOfRole(state, NoteSurfaceRole::todayBoard);
    ASSERT_EQ(board->tasks.size(), 1u);
    EXPECT_EQ(board->tasks[0].linkedNoteID, b.id);
}

TEST_F(Boards, MeetingBoardFromTemplate)
{
    AppState& state = f.launchWith({});
    auto id = state.createSceneBoard(NoteSurfaceRole::meetingBoard, NoteSizePreset::small);
    ASSERT_TRUE(id);
    const StickyNote& board = *state.findNote(*id);
    EXPECT_EQ(board.title, "会议准备");
    EXPECT_EQ(board.frame.width, 344);
    EXPECT_EQ(board.frame.height, 248);
    ASSERT_EQ(board.tasks.size(), 3u);
    EXPECT_EQ(board.tasks[2].title, "记录会后跟进事项");
    EXPECT_TRUE(std::none_of(board.tasks.begin(), board.tasks.end(), [](const NoteTask& t) { return t.isCompleted; }));
    EXPECT_EQ(board.style.theme, NoteTheme::life);
    EXPECT_FALSE(board.dueDate);
    EXPECT_FALSE(board.isHidden);
    EXPECT_EQ(f.windows.focused.back(), *id);
}

TEST_F(Boards, CustomBoardCollectsNotesOnce)
{
    auto seed = StateFixture::makeNote("seed", f.at(2026, 12, 7, 9, 0));
    auto done = StateFixture::makeNote("done");
    done.isCompleted = true;
    AppState& state = f.launchWith({ seed, done });

    auto id = state.createCustomSceneBoard(seed.id, NoteSizePreset::medium);
    ASSERT_TRUE(id);
    EXPECT_EQ(state.syncStatus(), "已加入自定义场景板");
    const StickyNote* board = state.findNote(*id);
    ASSERT_EQ(board->tasks.size(), 3u);
    EXPECT_EQ(board->tasks[0].title, "第一项关键任务");
    EXPECT_EQ(board->tasks[2].linkedNoteID, seed.id);
    EXPECT_EQ(board->tasks[2].linkedDueDate, seed.dueDate);

    state.addExecutionNote(seed.id, *id);
    EXPECT_EQ(state.syncStatus(), "该任务已在场景板中");
    EXPECT_EQ(state.findNote(*id)->tasks.size(), 3u);
    state.addExecutionNote(done.id, *id);
    EXPECT_TRUE(state.findNote(*id)->tasks.back().isCompleted);
    state.addExecutionNote(*id, *id);
    EXPECT_EQ(state.findNote(*id)->tasks.size(), 4u) << "boards cannot be added to boards";
}

TEST_F(Boards, DeferringACustomBoardDefersItsOpenLinkedNotes)
{
    Instant due = f.at(2026, 12, 5, 18, 0);
    auto local = StateFixture::makeNote("local", due);
    auto event = StateFixture::makeNote("event", due);
    event.source = NoteSource::calendar;
    auto ticked = StateFixture::makeNote("ticked", due);
    AppState& state = f.launchWith({ local, event, ticked });
    auto board = state.createCustomSceneBoard(local.id, NoteSizePreset::medium);
    state.addExecutionNote(event.id, *board);
    state.addExecutionNote(ticked.id, *board);
    StickyNote copy = *state.findNote(*board);
    copy.tasks.back().isCompleted = true;
    state.update(copy);

    Instant until = f.at(2026, 12, 6, 9, 0);
    state.deferNote(*board, until);
    EXPECT_EQ(state.syncStatus(), "已延后 2 项任务，刷新场景板 0 张");
    const StickyNote& deferredLocal = *state.findNote(local.id);
    EXPECT_EQ(deferredLocal.deferredUntil, until);
    EXPECT_EQ(deferredLocal.dueDate, until);
    EXPECT_TRUE(deferredLocal.isHidden);
    EXPECT_EQ(state.findNote(event.id)->dueDate, due) << "calendar events keep their date";
    EXPECT_FALSE(state.findNote(ticked.id)->deferredUntil);
    const StickyNote& updated = *state.findNote(*board);
    EXPECT_EQ(updated.tasks[2].linkedDueDate, until);
    EXPECT_EQ(updated.tasks[2].title, "本地 · 12月6日 上午9:00 · local");
    EXPECT_FALSE(updated.deferredUntil) << "the board itself is not put off";
}

TEST_F(Boards, LinesWhoseNoteWasDeletedAreSafe)
{
    auto gone = StateFixture::makeNote("gone", f.at(2026, 12, 7, 9, 0));
    auto other = StateFixture::makeNote("other");
    AppState& state = f.launchWith({ gone, other });
    auto board = state.createCustomSceneBoard(gone.id, NoteSizePreset::medium);
    state.deleteNote(gone.id);
    std::vector<StickyNote> before = state.notes();
    std::string status = state.syncStatus();

    state.toggleExecutionNoteCompletion(gone.id);
    state.openNoteDetails(gone.id);
    state.deferNote(*board, f.at(2026, 12, 6, 9, 0));
    EXPECT_EQ(state.notes(), before) << "nothing changes for a line that stands for nothing";
    EXPECT_EQ(state.syncStatus(), status);
    EXPECT_EQ(state.findNote(*board)->tasks.size(), 3u) << "the line stays on the board";
}

TEST_F(Boards, ToggleCompletesEveryTaskAndBack)
{
    auto note = StateFixture::makeNote("three");
    for (const char* title : { "a", "b", "c" })
        note.tasks.push_back(NoteTask { Uuid::random(), title, false, std::nullopt, std::nullopt, std::nullopt });
    auto event = StateFixture::makeNote("event");
    event.source = NoteSource::calendar;
    AppState& state = f.launchWith({ note, event });

    state.toggleExecutionNoteCompletion(note.id);
    EXPECT_TRUE(state.findNote(note.id)->isCompleted);
    EXPECT_EQ(state.findNote(note.id)->completedTaskCount(), 3);
    state.toggleExecutionNoteCompletion(note.id);
    EXPECT_FALSE(state.findNote(note.id)->isCompleted);
    EXPECT_EQ(state.findNote(note.id)->completedTaskCount(), 0);
    state.toggleExecutionNoteCompletion(event.id);
    EXPECT_FALSE(state.findNote(event.id)->isCompleted) << "calendar events cannot be completed";
}

TEST_F(Boards, SceneTaskTitles)
{
    AppState& state = f.launchWith({});
    StickyNote untitled = StateFixture::makeNote("");
    EXPECT_EQ(state.formattedSceneTaskTitle(untitled), "本地 · 未命名任务");
    StickyNote blank = StateFixture::makeNote(" ");
    blank.source = NoteSource::reminders;
    EXPECT_EQ(state.formattedSceneTaskTitle(blank), "提醒 ·  ");
    StickyNote event = StateFixture::makeNote("站会", f.at(2026, 12, 5, 15, 0));
    event.source = NoteSource::calendar;
    EXPECT_EQ(state.formattedSceneTaskTitle(event), "日历 · 12月5日 下午3:00 · 站会");
}

} // namespace
