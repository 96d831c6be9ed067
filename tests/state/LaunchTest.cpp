#include "support/StateFixture.h"

#include <gtest/gtest.h>

#include <thread>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

TEST(Launch, FirstStartWritesSamplesAtOnceAndHidesThemAfterLaunch)
{
    StateFixture f;
    AppState& state = f.build();
    ASSERT_EQ(f.repository.writes.size(), 1u) << "both files are written before the launch task runs";
    ASSERT_EQ(f.preferencesStore.writes.size(), 1u);
    ASSERT_EQ(f.repository.writes[0].size(), 2u);
    EXPECT_EQ(f.repository.writes[0][0].title, "会议纪要");
    EXPECT_EQ(f.repository.writes[0][1].title, "购物清单");
    EXPECT_FALSE(f.repository.writes[0][0].isHidden);

    f.scheduler.runDue();
    EXPECT_TRUE(state.hasFinishedLaunch());
    EXPECT_EQ(state.syncStatus(), "请先选择同步源并手动开始同步");
    for (const StickyNote& note : state.notes()) {
        if (!note.isSceneBoard()) {
            EXPECT_TRUE(note.isHidden) << note.title;
        }
    }
    // The samples are due within 12 hours; the first one today at 16:00, so
    // a today board is generated and, being new, shown.
    auto today = std::find_if(state.notes().begin(), state.notes().end(),
        [](const StickyNote& n) { return n.surfaceRole == NoteSurfaceRole::todayBoard; });
    ASSERT_NE(today, state.notes().end());
    EXPECT_FALSE(today->isHidden);
    // What the launch steps changed is written a moment later, off the way
    // to the first card.
    f.scheduler.advance(AppState::launchNotesSaveDelay - 1ms);
    EXPECT_EQ(f.repository.writes.size(), 1u);
    f.scheduler.advance(1ms);
    ASSERT_EQ(f.repository.writes.size(), 2u);
    EXPECT_EQ(f.repository.stored, state.notes());
    ASSERT_FALSE(f.windows.reconciles.empty());
    EXPECT_EQ(f.windows.reconciles.back().notes, state.notes());
    EXPECT_EQ(f.windows.reconciles.size(), 1u) << "the launch reconciles once";
}

// The launch save waits, but never behind a later save of either file, and
// a quit before it comes still writes it.
TEST(Launch, TheDeferredLaunchSaveGoesOutBeforeAnyLaterSaveAndOnQuit)
{
    {
        StateFixture f;
        f.store({ StateFixture::makeNote("a") });
        AppState& state = f.build();
        f.scheduler.runDue();
        ASSERT_TRUE(f.repository.writes.empty()) << "a clean file is not rewritten at launch";
        Uuid id = state.notes()[0].id;
        state.updateNoteTitle(id, "edited during the launch");
        ASSERT_EQ(f.repository.writes.size(), 1u) << "the debounced edit sends the launch save ahead of it";
        EXPECT_TRUE(f.repository.writes[0][0].isHidden) << "with what the launch steps changed";
        f.scheduler.advance(5s);
        ASSERT_EQ(f.repository.writes.size(), 2u);
        EXPECT_EQ(f.repository.stored[0].title, "edited during the launch");
    }
    {
        StateFixture f;
        f.store({ StateFixture::makeNote("a") });
        AppState& state = f.build();
        f.scheduler.runDue();
        auto preferencesWrites = f.preferencesStore.writes.size();
        state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
        f.scheduler.advance(AppState::preferencesSaveDelay);
        EXPECT_EQ(f.preferencesStore.writes.size(), preferencesWrites + 1);
        EXPECT_EQ(f.repository.writes.size(), 1u) << "the notes, asked for first, were handed over first";
    }
    {
        StateFixture f;
        f.store({ StateFixture::makeNote("a") });
        AppState& state = f.build();
        f.scheduler.runDue();
        state.flushPendingSaves();
        ASSERT_EQ(f.repository.writes.size(), 1u);
        EXPECT_TRUE(f.repository.stored[0].isHidden);
        f.scheduler.advance(5s);
        EXPECT_EQ(f.repository.writes.size(), 1u) << "written once";
    }
}

TEST(Launch, LoadedNotesAreCleanedUp)
{
    StateFixture f;
    StickyNote detail = StateFixture::makeNote("detail");
    detail.displayMode = NoteDisplayMode::detail;
    detail.frame = NoteFrame { 100, 100, 400, 300, NoteSizePreset::small };
    StickyNote board = StateFixture::makeNote("board");
    board.frame = NoteFrame { 5000, 5000, 123, 456, NoteSizePreset::large };
    f.store({ detail, board });
    AppState& state = f.build();

    ASSERT_EQ(state.notes().size(), 2u);
    EXPECT_EQ(state.notes()[0].displayMode, NoteDisplayMode::board);
    // Widened to the detail minimum, then kept within the board limits the
    // card now has (at most 378 high).
    EXPECT_EQ(state.notes()[0].frame.width, 560);
    EXPECT_EQ(state.notes()[0].frame.height, 378);
    EXPECT_EQ(state.notes()[1].frame.width, 600);
    EXPECT_EQ(state.notes()[1].frame.height, 378);
    EXPECT_EQ(state.notes()[1].frame.x, 1920 - 600) << "moved back onto the screen";
    EXPECT_EQ(state.notes()[1].frame.y, 1055 - 378);
    // The file still holds both notes: the clean-up goes out with the
    // launch steps, after the first card.
    EXPECT_TRUE(f.repository.writes.empty());
    f.scheduler.runDue();
    f.scheduler.advance(AppState::launchNotesSaveDelay);
    ASSERT_EQ(f.repository.writes.size(), 1u);
    EXPECT_EQ(f.repository.stored[1].frame.width, 600);
}

TEST(Launch, ExpiredDeferralIsClearedWithoutWakeUpAndStatusFollowsActivation)
{
    StateFixture f;
    StickyNote deferred = StateFixture::makeNote("put off");
    deferred.deferredUntil = f.clock.now() - 1min;
    f.store({ deferred });
    AppPreferences activated = f.preferencesStore.fallback;
    activated.hasActivatedSync = true;
    activated.autoGenerateFocusBoard = false;
    f.preferencesStore.stored = activated;

    AppState& state = f.launch();
    EXPECT_FALSE(state.notes()[0].deferredUntil);
    EXPECT_EQ(f.scheduler.pendingCount(), 0u) << "no wake-up for a deferral that already ended";
    EXPECT_EQ(state.syncStatus(), "同步已就绪");

    auto writes = f.repository.writes.size();
    state.finishLaunch();
    EXPECT_EQ(f.repository.writes.size(), writes) << "a second finishLaunch changes nothing";
}

TEST(Launch, BurstOfChangesIsWrittenOnceWithTheLastState)
{
    StateFixture f;
    f.store({ StateFixture::makeNote("a") });
    AppState& state = f.launch();
    Uuid id = state.notes()[0].id;
    auto before = f.repository.writes.size();

    for (int i = 0; i < 10; ++i) {
        state.updateNoteTitle(id, "title " + std::to_string(i));
        f.scheduler.advance(30ms);
    }
    // The last change happened 30 ms ago; the write is due 450 ms after it.
    f.scheduler.advance(419ms);
    EXPECT_EQ(f.repository.writes.size(), before);
    f.scheduler.advance(1ms);
    ASSERT_EQ(f.repository.writes.size(), before + 1);
    EXPECT_EQ(f.repository.writes.back()[0].title, "title 9");
    f.scheduler.advance(5s);
    EXPECT_EQ(f.repository.writes.size(), before + 1);
}

TEST(Launch, ImmediateSaveCancelsPendingDebouncedSave)
{
    StateFixture f;
    f.store({ StateFixture::makeNote("a") });
    AppState& state = f.launch();
    Uuid id = state.notes()[0].id;
    auto before = f.repository.writes.size();

    state.updateNoteTitle(id, "edited");
    f.scheduler.advance(100ms);
    state.hideAllNotes();
    EXPECT_EQ(f.repository.writes.size(), before + 1);
    f.scheduler.advance(2s);
    ASSERT_EQ(f.repository.writes.size(), before + 1) << "the older snapshot never overwrites the newer file";
    EXPECT_EQ(f.repository.stored[0].title, "edited");
}

TEST(Launch, PendingSavesAreWrittenOnFlushAndFailuresAreLogged)
{
    StateFixture f;
    f.store({ StateFixture::makeNote("a") });
    AppState& state = f.launch();
    Uuid id = state.notes()[0].id;

    state.updateNoteTitle(id, "just before quitting");
    state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
    state.flushPendingSaves();
    EXPECT_EQ(f.repository.stored[0].title, "just before quitting");
    ASSERT_TRUE(f.preferencesStore.stored);
    EXPECT_EQ(f.preferencesStore.stored->menuBarTitleMode, MenuBarTitleMode::currentTask);
    EXPECT_EQ(f.scheduler.pendingCount(), 0u);

    f.repository.failFromWrite = f.repository.attempts + 1;
    state.hideAllNotes();
    ASSERT_FALSE(f.logger->entries().empty());
    EXPECT_NE(f.logger->entries().back().find("Save notes failed: disk full"), std::string::npos);
}

TEST(Launch, PendingTasksDieWithTheState)
{
    StateFixture f;
    f.store({ StateFixture::makeNote("a") });
    AppState& state = f.launch();
    state.updateNoteTitle(state.notes()[0].id, "x");
    auto before = f.repository.writes.size();
    f.destroyState();
    f.scheduler.advance(5s);
    EXPECT_EQ(f.repository.writes.size(), before);
}

TEST(Launch, SavesLeaveTheCallingThreadAndQuitStillWritesEverything)
{
    StateFixture f;
    f.saveThread = SaveThread::writer;
    f.store({ StateFixture::makeNote("a"), StateFixture::makeNote("b") });
    AppState& state = f.launch();
    Uuid id = state.notes()[0].id;
    state.hideAllNotes();                  // an immediate save
    state.updateNoteTitle(id, "last edit"); // a debounced one, pending at quit
    state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
    state.flushPendingSaves();

    ASSERT_FALSE(f.repository.savingThreads.empty());
    for (std::thread::id thread : f.repository.savingThreads)
        EXPECT_NE(thread, std::this_thread::get_id()) << "notes written on the calling thread";
    ASSERT_FALSE(f.preferencesStore.savingThreads.empty());
    for (std::thread::id thread : f.preferencesStore.savingThreads)
        EXPECT_NE(thread, std::this_thread::get_id()) << "preferences written on the calling thread";
    EXPECT_EQ(f.repository.stored.at(0).title, "last edit");
    ASSERT_TRUE(f.preferencesStore.stored);
    EXPECT_EQ(f.preferencesStore.stored->menuBarTitleMode, MenuBarTitleMode::currentTask);

    // A failure on the writer is logged on the state's thread.
    f.repository.failFromWrite = f.repository.attempts + 1;
    state.hideAllNotes();
    state.updateNoteTitle(id, "fails");
    EXPECT_FALSE(state.flushPendingSaves());
    const auto& entries = f.logger->entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_NE(entries[entries.size() - 2].find("Save notes failed: disk full"), std::string::npos);
    EXPECT_NE(entries.back().find("Quitting with the notes unsaved: disk full"), std::string::npos);
}

} // namespace
