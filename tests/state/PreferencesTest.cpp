#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class Preferences : public ::testing::Test {
protected:
    static std::function<void(AppPreferences&)> surfaceMode(DesktopSurfaceMode mode)
    {
        return [mode](AppPreferences& p) { p.desktopSurfaceMode = mode; };
    }
    StateFixture f;
};

TEST_F(Preferences, DesktopModeSwitchesTouchOnlyImportedRegularNotes)
{
    auto local = StateFixture::makeNote("local");
    auto reminder = StateFixture::makeNote("reminder");
    reminder.source = NoteSource::reminders;
    auto event = StateFixture::makeNote("event");
    event.source = NoteSource::calendar;
    auto deferred = StateFixture::makeNote("deferred");
    deferred.source = NoteSource::reminders;
    deferred.deferredUntil = f.at(2026, 12, 6, 9, 0);
    auto board = StateFixture::makeNote("board");
    board.surfaceRole = NoteSurfaceRole::weeklyBoard;
    AppState& state = f.launchWith({ local, reminder, event, deferred, board }, surfaceMode(DesktopSurfaceMode::sceneBoardsAndPinned));
    state.reveal(local.id, SurfacePolicy::respect, WindowFocus::keep);
    state.openNoteDetails(event.id);
    auto hidden = [&](const StickyNote& n) { return state.findNote(n.id)->isHidden; };

    auto writes = f.repository.writes.size();
    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::allImportedNotes; });
    EXPECT_FALSE(hidden(reminder));
    EXPECT_FALSE(hidden(event));
    EXPECT_EQ(state.findNote(event.id)->displayMode, NoteDisplayMode::board);
    EXPECT_TRUE(hidden(deferred)) << "still put off";
    EXPECT_TRUE(hidden(board)) << "boards are never switched by the mode";
    EXPECT_EQ(f.repository.writes.size(), writes + 1);

    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsOnly; });
    EXPECT_TRUE(hidden(reminder));
    EXPECT_TRUE(hidden(event));
    EXPECT_FALSE(hidden(local)) << "a local note the user put up stays";
    EXPECT_EQ(f.windows.reconciles.back().notes, state.notes());

    writes = f.repository.writes.size();
    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsAndPinned; });
    EXPECT_TRUE(hidden(reminder));
    EXPECT_EQ(f.repository.writes.size(), writes) << "nothing changed, nothing written";
    EXPECT_TRUE(state.canRevealOnDesktop(*state.findNote(reminder.id)));
    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsOnly; });
    EXPECT_FALSE(state.canRevealOnDesktop(*state.findNote(local.id)));
    EXPECT_TRUE(state.canRevealOnDesktop(*state.findNote(board.id)));
}

TEST_F(Preferences, OpacityBurstSavesOnceAfterTheLastMove)
{
    auto note = StateFixture::makeNote("n");
    auto board = StateFixture::makeNote("b");
    board.surfaceRole = NoteSurfaceRole::customBoard;
    AppState& state = f.launchWith({ note, board });
    auto writes = f.repository.writes.size();
    auto reconciles = f.windows.reconciles.size();
    for (double value : { 0.8, 0.7, 0.6, 0.5 }) {
        state.updatePreferences([value](AppPreferences& p) { p.defaultOpacity = value; });
        f.scheduler.advance(100ms);
    }
    EXPECT_EQ(f.windows.reconciles.size(), reconciles + 4) << "open windows follow every move";
    f.scheduler.advance(349ms);
    EXPECT_EQ(f.repository.writes.size(), writes);
    f.scheduler.advance(1ms);
    ASSERT_EQ(f.repository.writes.size(), writes + 1);
    for (const StickyNote& n : f.repository.writes.back())
        EXPECT_EQ(n.style.opacity, 0.5);
    ASSERT_TRUE(f.preferencesStore.stored);
    EXPECT_EQ(f.preferencesStore.stored->defaultOpacity, 0.5);
}

TEST_F(Preferences, RangeLimitAndStatus)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("due", f.at(2026, 12, 5, 18, 0)) });
    std::string status = state.syncStatus();
    state.updatePreferences([&](AppPreferences& p) {
        p.syncStartDate = f.at(2026, 12, 10, 15, 30);
        p.syncEndDate = f.at(2026, 12, 8, 9, 0);
    });
    EXPECT_EQ(state.preferences().syncStartDate, f.at(2026, 12, 10));
    EXPECT_EQ(state.preferences().syncEndDate, f.at(2026, 12, 10));
    EXPECT_EQ(state.syncStatus(), status) << "only the activation flag sets the status";

    state.updatePreferences([](AppPreferences& p) {
        p.autoGenerateFocusBoard = true;
        p.focusBoardTaskLimit = 12;
    });
    EXPECT_EQ(state.preferences().focusBoardTaskLimit, 9);
    ASSERT_EQ(std::count_if(state.notes().begin(), state.notes().end(),
                  [](const StickyNote& n) { return n.surfaceRole == NoteSurfaceRole::todayBoard; }),
        1);
    auto writes = f.repository.writes.size();
    state.updatePreferences([](AppPreferences& p) { p.focusBoardTaskLimit = 9; });
    EXPECT_EQ(f.repository.writes.size(), writes) << "an unchanged limit refreshes nothing";

    state.updatePreferences([](AppPreferences& p) { p.hasActivatedSync = true; });
    EXPECT_EQ(state.syncStatus(), "同步已启用");
    state.updatePreferences([](AppPreferences& p) { p.hasActivatedSync = false; });
    EXPECT_EQ(state.syncStatus(), "同步未激活");
}

TEST_F(Preferences, LayerModeChangeReconciles)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("n") });
    auto reconciles = f.windows.reconciles.size();
    state.updatePreferences([](AppPreferences& p) { p.noteWindowLayerMode = NoteWindowLayerMode::desktop; });
    ASSERT_EQ(f.windows.reconciles.size(), reconciles + 1);
    EXPECT_EQ(f.windows.reconciles.back().preferences.noteWindowLayerMode, NoteWindowLayerMode::desktop);
}

} // namespace
