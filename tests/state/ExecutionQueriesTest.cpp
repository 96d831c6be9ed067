#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> titles(const std::vector<StickyNote>& notes)
{
    std::vector<std::string> out;
    for (const StickyNote& note : notes)
        out.push_back(note.title);
    return out;
}

class ExecutionQueries : public ::testing::TestWithParam<const char*> {
protected:
    ExecutionQueries() : f(GetParam(), "zh_CN") { }

    StateFixture f;
};

TEST_P(ExecutionQueries, TodayFollowsTheCalendarDay)
{
    auto early = StateFixture::makeNote("00:00", f.at(2026, 12, 5, 0, 0));
    auto late = StateFixture::makeNote("23:59", f.at(2026, 12, 5, 23, 59));
    auto tomorrow = StateFixture::makeNote("tomorrow", f.at(2026, 12, 6, 0, 0));
    auto overdue = StateFixture::makeNote("overdue", f.at(2026, 12, 4, 18, 0));
    auto done = StateFixture::makeNote("done", f.at(2026, 12, 5, 12, 0));
    done.isCompleted = true;
    auto board = StateFixture::makeNote("board", f.at(2026, 12, 5, 12, 0));
    board.surfaceRole = NoteSurfaceRole::weeklyBoard;
    auto deferred = StateFixture::makeNote("deferred", f.at(2026, 12, 5, 12, 0));
    deferred.deferredUntil = f.clock.now() + 1min;
    auto hidden = StateFixture::makeNote("hidden", f.at(2026, 12, 5, 13, 0));
    hidden.isHidden = true;
    AppState& state = f.launchWith({ early, late, tomorrow, overdue, done, board, deferred, hidden });

    EXPECT_EQ(titles(state.todayExecutionNotes()), (std::vector<std::string> { "00:00", "hidden", "23:59" }));
    EXPECT_EQ(titles(state.upcomingExecutionNotes()), (std::vector<std::string> { "overdue", "tomorrow" }));

    f.scheduler.advance(1min);
    auto today = titles(state.todayExecutionNotes());
    EXPECT_NE(std::find(today.begin(), today.end(), "deferred"), today.end()) << "back once its time has come";
}

TEST_P(ExecutionQueries, LookaheadFollowsTheScope)
{
    auto in6 = StateFixture::makeNote("in 6 days", f.at(2026, 12, 11, 10, 0));
    auto in8 = StateFixture::makeNote("in 8 days", f.at(2026, 12, 13, 10, 0));
    auto in3 = StateFixture::makeNote("in 3 days", f.at(2026, 12, 8, 10, 0));
    auto in4 = StateFixture::makeNote("in 4 days", f.at(2026, 12, 9, 10, 0));
    AppState& state = f.launchWith({ in6, in8, in3, in4 });
    EXPECT_EQ(titles(state.upcomingExecutionNotes()), (std::vector<std::string> { "in 3 days", "in 4 days", "in 6 days" }));
    state.updatePreferences([](AppPreferences& p) { p.syncDateScope = SyncDateScope::custom; });
    EXPECT_EQ(titles(state.upcomingExecutionNotes()), (std::vector<std::string> { "in 3 days" }));
    state.updatePreferences([](AppPreferences& p) { p.syncDateScope = SyncDateScope::next30Days; });
    EXPECT_EQ(state.upcomingExecutionNotes().size(), 4u);
}

TEST_P(ExecutionQueries, ExecutionAndBoardOrder)
{
    Instant due = f.at(2026, 12, 5, 15, 0);
    auto low = StateFixture::makeNote("low", due);
    low.priority = NotePriority::low;
    auto high = StateFixture::makeNote("high", due);
    high.priority = NotePriority::high;
    auto older = StateFixture::makeNote("older", due);
    auto newer = StateFixture::makeNote("newer", due);
    auto undatedHigh = StateFixture::makeNote("undated high");
    undatedHigh.priority = NotePriority::high;
    AppState& state = f.build();
    std::vector<StickyNote> notes { undatedHigh, low, older, high, newer };
    notes[2].updatedAt = f.clock.now() - 1h;
    notes[4].updatedAt = f.clock.now();
    EXPECT_EQ(titles(state.prioritizedExecutionNotes(notes)),
        (std::vector<std::string> { "high", "newer", "older", "low", "undated high" }));

    auto board = [&](const char* title, NoteSurfaceRole role, Instant updated) {
        StickyNote n = StateFixture::makeNote(title);
        n.surfaceRole = role;
        n.updatedAt = updated;
        return n;
    };
    f.store({ board("today", NoteSurfaceRole::todayBoard, due), board("meeting", NoteSurfaceRole::meetingBoard, due),
        board("custom old", NoteSurfaceRole::customBoard, due - 1h), board("custom new", NoteSurfaceRole::customBoard, due) });
    AppPreferences prefs = f.preferencesStore.fallback;
    prefs.autoGenerateFocusBoard = false;
    f.preferencesStore.stored = prefs;
    AppState& boards = f.launch();
    EXPECT_EQ(titles(boards.sceneBoards()), (std::vector<std::string> { "custom new", "custom old", "meeting", "today" }));
    EXPECT_EQ(titles(boards.customSceneBoards()), (std::vector<std::string> { "custom new", "custom old" }));
}

TEST_P(ExecutionQueries, PrimaryFallsBackToLocalDrafts)
{
    auto imported = StateFixture::makeNote("undated reminder");
    imported.source = NoteSource::reminders;
    auto draft = StateFixture::makeNote("");
    AppState& state = f.launchWith({ imported, draft });
    EXPECT_TRUE(state.todayExecutionNotes().empty());
    ASSERT_EQ(state.localDraftNotes().size(), 1u);
    ASSERT_TRUE(state.primaryExecutionNote());
    EXPECT_EQ(state.primaryExecutionNote()->id, draft.id);
}

TEST_P(ExecutionQueries, TheFirstNoteAndTheCountsAgreeWithTheLists)
{
    // Two notes that tie on every key: the one earlier in the list leads,
    // as in the sorted list.
    Instant due = f.at(2026, 12, 5, 15, 0);
    auto first = StateFixture::makeNote("first", due);
    auto second = StateFixture::makeNote("second", due);
    second.updatedAt = first.updatedAt;
    auto later = StateFixture::makeNote("later today", f.at(2026, 12, 5, 18, 0));
    auto tomorrow = StateFixture::makeNote("tomorrow", f.at(2026, 12, 6, 9, 0));
    auto draft = StateFixture::makeNote("draft");
    AppState& state = f.launchWith({ later, first, second, tomorrow, draft }, [](AppPreferences& p) { p.autoGenerateFocusBoard = true; });

    ASSERT_TRUE(state.primaryExecutionNote());
    EXPECT_EQ(state.primaryExecutionNote()->id, state.todayExecutionNotes().front().id);
    EXPECT_EQ(state.primaryExecutionNote()->title, "first");
    EXPECT_EQ(state.todayExecutionNoteCount(), state.todayExecutionNotes().size());
    EXPECT_EQ(state.upcomingExecutionNoteCount(), state.upcomingExecutionNotes().size());
    EXPECT_EQ(state.todayExecutionNoteCount(), 3u);
    EXPECT_EQ(state.upcomingExecutionNoteCount(), 1u);

    // The today board lists the same notes in the same order, ties included.
    std::vector<Uuid> expected, listed;
    for (const StickyNote& note : state.todayExecutionNotes())
        expected.push_back(note.id);
    for (const StickyNote& note : state.notes())
        if (note.surfaceRole == NoteSurfaceRole::todayBoard)
            for (const NoteTask& task : note.tasks)
                listed.push_back(task.linkedNoteID.value_or(Uuid {}));
    EXPECT_EQ(listed, expected);

    // Done with today: the upcoming note leads, then the draft.
    for (const Uuid& id : { first.id, second.id, later.id })
        state.toggleExecutionNoteCompletion(id);
    EXPECT_EQ(state.todayExecutionNoteCount(), 0u);
    ASSERT_TRUE(state.primaryExecutionNote());
    EXPECT_EQ(state.primaryExecutionNote()->title, "tomorrow");
}

TEST_P(ExecutionQueries, DefaultTodayBoardDueDateIsLastMinuteOfTheDay)
{
    AppState& state = f.build();
    EXPECT_EQ(state.defaultTodayBoardDueDate(f.at(2026, 12, 5, 8, 15)), f.at(2026, 12, 5, 23, 59));
    // Europe/Berlin leaves summer time on 25 October 2026; the day is 25 hours long.
    EXPECT_EQ(state.defaultTodayBoardDueDate(f.at(2026, 10, 25, 1, 0)), f.at(2026, 10, 25, 23, 59));
}

INSTANTIATE_TEST_SUITE_P(Zones, ExecutionQueries, ::testing::Values("Asia/Shanghai", "Europe/Berlin"));

} // namespace
