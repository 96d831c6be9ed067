#include "support/InMemoryEventStore.h"
#include "support/StateFixture.h"

#include "sync/ReminderSyncEngine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace brivet;
using namespace brivet::testing;

namespace {

// The state driving the real engine over an in-memory store, with time
// under the test's control.
class SyncOrchestrationTest : public ::testing::Test {
protected:
    SyncOrchestrationTest()
    {
        auto owned = std::make_unique<InMemoryEventStore>(fixture.clock);
        store = owned.get();
        engine = std::make_unique<ReminderSyncEngine>(std::move(owned), fixture.clock, fixture.calendar);
        fixture.syncService = engine.get();
        store->addList("work", "工作");
        store->addCalendar("cal", "日程");
        AppPreferences& preferences = fixture.preferencesStore.fallback;
        preferences.includeCalendarEvents = false;
        preferences.autoGenerateFocusBoard = false;
    }

    // The state lets go of the engine before the engine goes.
    ~SyncOrchestrationTest() override { fixture.destroyState(); }

    AppState& state() { return fixture.state(); }

    void editFirstNote()
    {
        StickyNote note = state().notes().front();
        note.title += "·";
        state().update(note, true);
    }

    StateFixture fixture;
    InMemoryEventStore* store = nullptr;
    std::unique_ptr<ReminderSyncEngine> engine;
};

TEST_F(SyncOrchestrationTest, NothingSelectedIsRefusedWithoutTouchingTheStore)
{
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedCalendarIDs = { "cal" }; });
    EXPECT_FALSE(state().canSynchronizeSelection()) << "calendars selected but calendar import off";
    state().synchronizeSystemData(true);
    EXPECT_EQ(state().syncStatus(), "请先选择至少一个同步源");
    EXPECT_EQ(store->accessRequests, 0);
    EXPECT_FALSE(state().isSyncing());
}

TEST_F(SyncOrchestrationTest, HandStartedSyncInstallsTheResultAndActivatesSync)
{
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    std::size_t before = state().notes().size();
    fixture.clock.set(fixture.at(2026, 12, 5, 14, 3, 27));

    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_TRUE(state().preferences().hasActivatedSync);
    ASSERT_TRUE(fixture.preferencesStore.stored.has_value());
    EXPECT_TRUE(fixture.preferencesStore.stored->hasActivatedSync) << "saved at once";
    ASSERT_TRUE(state().lastSyncReport().has_value());
    EXPECT_EQ(state().lastSyncReport()->remindersImported, 1);
    EXPECT_EQ(state().lastSyncReport()->totalNotes, static_cast<int>(state().notes().size()));
    EXPECT_EQ(state().notes().size(), before + 1);
    EXPECT_EQ(fixture.repository.stored.size(), state().notes().size()) << "notes saved at once";
    EXPECT_EQ(state().syncStatus(), state().lastSyncReport()->statusText() + " · 14:03:27");
    EXPECT_EQ(state().lastSyncReport()->statusText().rfind("同步完成：新增提醒 1 条，回写提醒 ", 0), 0u);
}

TEST_F(SyncOrchestrationTest, AutomaticSyncWaitsForTheFirstHandStartedOne)
{
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
    });
    editFirstNote();
    store->postChange();
    fixture.scheduler.advance(std::chrono::seconds(5));
    EXPECT_EQ(store->accessRequests, 0);
    EXPECT_FALSE(state().lastSyncReport().has_value());
}

TEST_F(SyncOrchestrationTest, StoreIsListenedToOnlyWhileAutomaticSyncIsOn)
{
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
    });
    EXPECT_FALSE(store->hasChangeHandler()) << "not before the first hand-started sync";
    state().synchronizeSystemData(true);
    EXPECT_TRUE(store->hasChangeHandler());

    fixture.scheduler.advance(std::chrono::seconds(3));
    store->postChange();
    fixture.scheduler.advance(std::chrono::milliseconds(600));
    EXPECT_EQ(store->accessRequests, 2) << "an outside change synced 0.6 s later";

    state().updatePreferences([](AppPreferences& p) { p.autoSyncEnabled = false; });
    EXPECT_FALSE(store->hasChangeHandler());
    state().updatePreferences([](AppPreferences& p) { p.autoSyncEnabled = true; });
    EXPECT_TRUE(store->hasChangeHandler());
}

TEST_F(SyncOrchestrationTest, BurstOfEditsGivesOneSyncAfterTheLast)
{
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
        p.hasActivatedSync = true;
    });
    for (int i = 0; i < 3; ++i) {
        editFirstNote();
        fixture.scheduler.advance(std::chrono::seconds(1));
    }
    EXPECT_EQ(store->accessRequests, 0);
    // The third edit was at +2 s; its sync is due at +3.8 s.
    fixture.scheduler.advance(std::chrono::milliseconds(799));
    EXPECT_EQ(store->accessRequests, 0);
    fixture.scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(store->accessRequests, 1);
    fixture.scheduler.advance(std::chrono::seconds(10));
    EXPECT_EQ(store->accessRequests, 1);
}

TEST_F(SyncOrchestrationTest, StoreChangesDuringTheFirstTwoSecondsOfASyncAreIgnored)
{
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
        p.hasActivatedSync = true;
    });
    store->deferCompletions = true; // the sync stays running until delivered
    state().synchronizeSystemData(true);
    ASSERT_TRUE(state().isSyncing());

    fixture.scheduler.advance(std::chrono::seconds(1));
    store->postChange();
    EXPECT_EQ(fixture.scheduler.pendingCount(), 0u) << "our own writes start no sync";

    fixture.scheduler.advance(std::chrono::seconds(2));
    store->postChange();
    fixture.scheduler.advance(std::chrono::milliseconds(599));
    EXPECT_EQ(state().syncStatus(), "正在同步系统数据…");
    fixture.scheduler.advance(std::chrono::milliseconds(1));
    // Due now, but the first sync still runs: it only shows its status.
    EXPECT_EQ(state().syncStatus(), "等待同步：系统数据变更");
    EXPECT_EQ(store->accessRequests, 1);

    store->deliver();
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus().rfind("同步完成：", 0), 0u);
}

TEST_F(SyncOrchestrationTest, FailedSyncKeepsNotesAndReportButNotDuplicateReminders)
{
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    state().synchronizeSystemData(true);
    std::optional<SyncReport> report = state().lastSyncReport();
    ASSERT_TRUE(report.has_value());

    std::vector<Uuid> ids;
    for (const char* title : { "一", "二" }) {
        Uuid id = state().createNote(nullptr, NoteSizePreset::small, false, true);
        StickyNote note = *state().note(id);
        note.title = title;
        note.syncToReminders = true;
        state().update(note, false);
        ids.push_back(id);
    }
    std::vector<StickyNote> before = state().notes();
    store->failFromSave = store->saveAttempts + 2;
    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus(), "同步失败：The reminder could not be saved");
    EXPECT_EQ(state().lastSyncReport(), report);
    ASSERT_EQ(store->reminders.size(), 1u);

    // Only the link of the reminder that was created is kept.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (state().notes()[i] == before[i])
            continue;
        ++differing;
        EXPECT_EQ(state().notes()[i].externalLink->externalID, store->reminders[0].uid);
        StickyNote expected = before[i];
        expected.externalLink = state().notes()[i].externalLink;
        EXPECT_EQ(state().notes()[i], expected);
    }
    EXPECT_EQ(differing, 1u);

    store->failFromSave.reset();
    state().synchronizeSystemData(true);
    EXPECT_EQ(store->reminders.size(), 2u) << "the next sync does not create the first reminder again";

    // An access error clears the running flag as well.
    store->reminderAccess = StoreError { "bus gone" };
    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus(), "同步失败：bus gone");
}

TEST_F(SyncOrchestrationTest, SelectingASourceChangesNothingElseUntilTheNextSync)
{
    fixture.launchWith({}, [](AppPreferences&) { });
    std::vector<StickyNote> notes = state().notes();
    SyncSourceOption list { "work", "工作", "本地", SyncSourceKind::reminderList, std::nullopt };
    EXPECT_FALSE(state().isSourceSelected(list));
    state().setSource(list, true);
    EXPECT_TRUE(state().isSourceSelected(list));
    EXPECT_FALSE(state().isSourceSelected({ "work", "", "", SyncSourceKind::calendar, std::nullopt }));
    fixture.scheduler.advance(std::chrono::seconds(5));
    EXPECT_EQ(store->accessRequests, 0);
    EXPECT_EQ(state().notes(), notes);
    ASSERT_TRUE(fixture.preferencesStore.stored.has_value());
    EXPECT_EQ(fixture.preferencesStore.stored->selectedReminderListIDs, std::set<std::string> { "work" });

    state().refreshSyncSources();
    EXPECT_TRUE(state().syncSources().remindersAuthorized);
    ASSERT_EQ(state().syncSources().reminderLists.size(), 1u);
    EXPECT_EQ(state().syncSources().reminderLists[0].id, "work");
}

} // namespace
