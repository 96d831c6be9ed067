#include "support/InMemoryEventStore.h"
#include "support/StateFixture.h"

#include "sync/ReminderSyncEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

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

    // Three notes marked for the reminders list "work", launched, with the
    // store answering saves on the fixture's scheduler.
    std::vector<StickyNote> launchWithThreeNotesToSync()
    {
        std::vector<StickyNote> notes;
        for (const char* title : { "一", "二", "三" }) {
            notes.push_back(StateFixture::makeNote(title));
            notes.back().syncToReminders = true;
        }
        fixture.launchWith(notes, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
        store->answerScheduler = &fixture.scheduler;
        return notes;
    }

    void editFirstNote()
    {
        StickyNote note = state().notes().front();
        note.title += "·";
        state().update(note, SyncAfterEdit::yes);
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

TEST_F(SyncOrchestrationTest, AHandStartedSyncBeginsAtOnceOrOnceTheClickIsHandled)
{
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });

    state().startSyncByHand(SyncStart::afterThisEvent);
    EXPECT_FALSE(state().lastSyncReport()) << "nothing starts inside the click";
    fixture.scheduler.runDue();
    ASSERT_TRUE(state().lastSyncReport());
    EXPECT_TRUE(state().preferences().hasActivatedSync) << "it counts as started by hand";

    state().startSyncByHand(SyncStart::now);
    EXPECT_EQ(store->accessRequests, 2);
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

// The store came up without its sources (its service is not there): the
// first hand-started sync fails and leaves notes, report and preferences as
// they were, the note imported from reminders included.
TEST_F(SyncOrchestrationTest, AStoreThatCannotListItsSourcesChangesNothing)
{
    StickyNote imported = StateFixture::makeNote("来自提醒");
    imported.source = NoteSource::reminders;
    imported.externalLink = ExternalLink { NoteSource::reminders, "r1", fixture.at(2026, 12, 1), std::nullopt };
    fixture.launchWith({ imported }, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    const std::vector<StickyNote> before = state().notes();
    store->listingError = StoreError { "Evolution Data Server is not reachable: no registry service", true };

    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus().rfind("同步失败：无法连接 Evolution Data Server（Evolution Data Server is not reachable: "
                                          "no registry service）",
                  0),
        0u)
        << state().syncStatus();
    EXPECT_EQ(state().notes(), before);
    EXPECT_FALSE(state().lastSyncReport().has_value());
    EXPECT_FALSE(state().preferences().hasActivatedSync);
    fixture.scheduler.advance(std::chrono::seconds(5));
    EXPECT_FALSE(fixture.preferencesStore.stored && fixture.preferencesStore.stored->hasActivatedSync);
    EXPECT_TRUE(fixture.repository.stored.empty() || fixture.repository.stored == before) << "nothing new is saved";
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
    EXPECT_FALSE(state().hasPendingSync()) << "our own writes start no sync";

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

// A change made elsewhere just after a sync started is taken for the
// sync's own writes at first; the store is looked at again once the window
// closes, and a follow-up that finds nothing ends the chain.
TEST_F(SyncOrchestrationTest, AChangeFromElsewhereDuringTheEchoWindowIsSyncedOnceTheWindowCloses)
{
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
        p.hasActivatedSync = true;
    });
    state().synchronizeSystemData(true);
    ASSERT_EQ(store->accessRequests, 1);

    fixture.scheduler.advance(std::chrono::seconds(1));
    store->addReminder("phone", "work", "在手机上加的", fixture.clock.now() + std::chrono::hours(6), fixture.clock.now());
    store->postChange(); // swallowed: the window is open
    fixture.scheduler.advance(std::chrono::milliseconds(1599)); // the window closed at +2 s, the sync waits 0.6 s
    EXPECT_EQ(store->accessRequests, 1);
    fixture.scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(store->accessRequests, 2) << "looked again once the window closed";
    const auto& notes = state().notes();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const StickyNote& n) { return n.title == "在手机上加的"; }));

    // That follow-up imported something, so its echoes are looked at once
    // more; the next finds nothing, and its echoes end there.
    store->postChange();
    fixture.scheduler.advance(std::chrono::milliseconds(2600));
    EXPECT_EQ(store->accessRequests, 3);
    store->postChange();
    fixture.scheduler.advance(std::chrono::seconds(30));
    EXPECT_EQ(store->accessRequests, 3) << "no loop";

    // A notice after the window is a change like any other.
    store->postChange();
    fixture.scheduler.advance(std::chrono::milliseconds(600));
    EXPECT_EQ(store->accessRequests, 4);
}

// Keeps the log in memory, as its file would across launches.
struct MemorySyncLogStore final : SyncLogStore {
    SyncLog kept;
    int saves = 0;
    SyncLog load() override { return kept; }
    Status save(const SyncLog& log) override
    {
        kept = log;
        ++saves;
        return Status::success();
    }
};

TEST_F(SyncOrchestrationTest, EverySyncIsLoggedNewestFirstWithItsTriggerDurationAndWhatItDid)
{
    MemorySyncLogStore kept;
    SyncLogEntry earlier;
    earlier.trigger = "手动";
    earlier.status = "上一次启动时的同步";
    kept.kept.add(earlier);
    fixture.syncLogStore = &kept;
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    fixture.launchWith({}, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
    });
    EXPECT_EQ(kept.saves, 0) << "the log is not touched at launch";

    store->answerSavesAfter = std::chrono::milliseconds(1500);
    store->answerScheduler = &fixture.scheduler;
    const Instant started = fixture.clock.now();
    state().synchronizeSystemData(true);
    const StickyNote* imported = nullptr;
    for (const StickyNote& note : state().notes())
        if (note.title == "交周报")
            imported = &note;
    ASSERT_NE(imported, nullptr);
    StickyNote edited = *imported;
    edited.title = "交周报（改）";
    state().update(edited, SyncAfterEdit::yes);
    fixture.scheduler.advance(std::chrono::seconds(5)); // its sync runs at +1.8 s and the store answers 1.5 s later

    const auto& entries = state().syncLog().entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].status, "上一次启动时的同步") << "the log read from its file stays, oldest last";
    const SyncLogEntry& byHand = entries[1];
    EXPECT_EQ(byHand.trigger, "手动");
    EXPECT_EQ(byHand.startedAt, started);
    EXPECT_TRUE(byHand.succeeded);
    EXPECT_EQ(byHand.report.remindersImported, 1);
    EXPECT_EQ(byHand.actions.list.at(0), (SyncAction { SyncActionKind::imported, "交周报", {}, {} }));
    const SyncLogEntry& afterEdit = entries[0];
    EXPECT_EQ(afterEdit.trigger, "便签更新");
    EXPECT_EQ(afterEdit.duration, std::chrono::milliseconds(1500));
    EXPECT_EQ(afterEdit.status, state().syncStatus());
    EXPECT_EQ(kept.kept, state().syncLog()) << "every entry is saved";

    // A failure is logged too, with what failed.
    store->reminderAccess = StoreError { "bus gone" };
    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().syncLog().entries().front().succeeded);
    EXPECT_EQ(state().syncLog().entries().front().status, state().syncStatus());

    // Twenty syncs at most.
    store->reminderAccess = true;
    for (int i = 0; i < 25; ++i)
        state().synchronizeSystemData(true);
    EXPECT_EQ(state().syncLog().entries().size(), SyncLog::capacity);
}

TEST_F(SyncOrchestrationTest, FailedSyncKeepsNotesAndReportButNotDuplicateReminders)
{
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    state().synchronizeSystemData(true);
    std::optional<SyncReport> report = state().lastSyncReport();
    ASSERT_TRUE(report.has_value());

    std::vector<Uuid> ids;
    for (const char* title : { "一", "二" }) {
        Uuid id = state().createNote(nullptr, NoteSizePreset::small, NewNoteWindow::hidden);
        StickyNote note = *state().note(id);
        note.title = title;
        note.syncToReminders = true;
        state().update(note);
        ids.push_back(id);
    }
    std::vector<StickyNote> before = state().notes();
    store->failFromSave = store->saveAttempts + 2;
    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus(), "同步失败：无法保存「二」到「工作」：系统存储报告了错误（The reminder could not be saved）");
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
    EXPECT_EQ(state().syncStatus(), "同步失败：无法访问提醒事项：系统存储报告了错误（bus gone）");
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

// --- What the user does while a sync runs -----------------------------------

struct EditDuringSync {
    const char* name;
    // Runs while the store has not answered yet.
    std::function<void(AppState&, const Uuid& synced, const Uuid& plain)> change;
    // Holds for the notes in memory and in the file afterwards.
    std::function<void(const std::vector<StickyNote>&, const Uuid& synced, const Uuid& plain)> check;
};

void PrintTo(const EditDuringSync& edit, std::ostream* out) { *out << edit.name; }

const StickyNote* byId(const std::vector<StickyNote>& notes, const Uuid& id)
{
    auto found = std::find_if(notes.begin(), notes.end(), [&](const StickyNote& n) { return n.id == id; });
    return found == notes.end() ? nullptr : &*found;
}

const StickyNote* byTitle(const std::vector<StickyNote>& notes, const std::string& title)
{
    auto found = std::find_if(notes.begin(), notes.end(), [&](const StickyNote& n) { return n.title == title; });
    return found == notes.end() ? nullptr : &*found;
}

class SyncWhileEditing : public SyncOrchestrationTest, public ::testing::WithParamInterface<EditDuringSync> { };

TEST_P(SyncWhileEditing, TheUsersChangeWinsOverTheResultAndNothingIsDuplicated)
{
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    StickyNote synced = StateFixture::makeNote("周报草稿");
    synced.syncToReminders = true;
    StickyNote plain = StateFixture::makeNote("买菜");
    plain.tasks = { NoteTask { Uuid::random(), "牛奶", false, std::nullopt, std::nullopt, std::nullopt } };
    fixture.launchWith({ synced, plain }, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });

    store->deferCompletions = true;
    state().synchronizeSystemData(true);
    ASSERT_TRUE(state().isSyncing());
    fixture.scheduler.advance(std::chrono::seconds(1));
    GetParam().change(state(), synced.id, plain.id);
    store->deliver();
    ASSERT_FALSE(state().isSyncing());
    EXPECT_EQ(state().lastSyncReport()->remindersImported, 1);

    GetParam().check(state().notes(), synced.id, plain.id);
    {
        SCOPED_TRACE("in the file");
        GetParam().check(fixture.repository.stored, synced.id, plain.id);
    }
    // The sync's own work is kept too: the import, and the new link of the
    // note it wrote, on which the user's edit lands at the next sync.
    ASSERT_NE(byTitle(state().notes(), "交周报"), nullptr);
    if (const StickyNote* written = byId(state().notes(), synced.id)) {
        ASSERT_TRUE(written->externalLink.has_value()) << "the link the sync wrote";
        EXPECT_EQ(written->externalLink->externalID, store->saves.at(0).uid);
    }

    store->deferCompletions = false;
    fixture.scheduler.advance(std::chrono::minutes(1));
    state().synchronizeSystemData(true);
    EXPECT_EQ(store->reminders.size(), 2u) << "one reminder for the written note, one imported";
    std::set<std::string> links;
    for (const StickyNote& note : state().notes()) {
        if (note.externalLink) {
            EXPECT_TRUE(links.insert(note.externalLink->externalID).second) << "two notes for " << note.externalLink->externalID;
        }
    }
    if (const StickyNote* written = byId(state().notes(), synced.id)) {
        EXPECT_EQ(store->reminder(written->externalLink->externalID)->title, written->title) << "the edit reached its reminder";
    }
    GetParam().check(state().notes(), synced.id, plain.id);
}

INSTANTIATE_TEST_SUITE_P(Changes, SyncWhileEditing,
    ::testing::Values(
        EditDuringSync { "title",
            [](AppState& s, const Uuid& synced, const Uuid&) { s.updateNoteTitle(synced, "周报（改）"); },
            [](const std::vector<StickyNote>& notes, const Uuid& synced, const Uuid&) {
                ASSERT_NE(byId(notes, synced), nullptr);
                EXPECT_EQ(byId(notes, synced)->title, "周报（改）");
            } },
        EditDuringSync { "tasks",
            [](AppState& s, const Uuid&, const Uuid& plain) { s.addTask(plain, "鸡蛋"); },
            [](const std::vector<StickyNote>& notes, const Uuid&, const Uuid& plain) {
                ASSERT_NE(byId(notes, plain), nullptr);
                ASSERT_EQ(byId(notes, plain)->tasks.size(), 2u);
                EXPECT_EQ(byId(notes, plain)->tasks[1].title, "鸡蛋");
            } },
        EditDuringSync { "completion",
            [](AppState& s, const Uuid&, const Uuid& plain) {
                s.setTaskCompletion(plain, s.findNote(plain)->tasks[0].id, true);
            },
            [](const std::vector<StickyNote>& notes, const Uuid&, const Uuid& plain) {
                ASSERT_NE(byId(notes, plain), nullptr);
                EXPECT_TRUE(byId(notes, plain)->tasks[0].isCompleted);
                EXPECT_TRUE(byId(notes, plain)->isCompleted);
            } },
        EditDuringSync { "frame",
            [](AppState& s, const Uuid& synced, const Uuid&) { s.updateWindowFrame(synced, Rect { 640, 400, 344, 248 }); },
            [](const std::vector<StickyNote>& notes, const Uuid& synced, const Uuid&) {
                ASSERT_NE(byId(notes, synced), nullptr);
                EXPECT_EQ(byId(notes, synced)->frame.x, 640);
                EXPECT_EQ(byId(notes, synced)->frame.y, 400);
            } },
        EditDuringSync { "deferral",
            [](AppState& s, const Uuid&, const Uuid& plain) { s.deferNote(plain, s.clock().now() + std::chrono::hours(20)); },
            [](const std::vector<StickyNote>& notes, const Uuid&, const Uuid& plain) {
                ASSERT_NE(byId(notes, plain), nullptr);
                EXPECT_TRUE(byId(notes, plain)->deferredUntil.has_value());
                EXPECT_EQ(byId(notes, plain)->dueDate, byId(notes, plain)->deferredUntil);
            } },
        EditDuringSync { "create",
            [](AppState& s, const Uuid&, const Uuid&) {
                Uuid id = s.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::hidden);
                s.updateNoteTitle(id, "新建的");
            },
            [](const std::vector<StickyNote>& notes, const Uuid&, const Uuid&) {
                EXPECT_NE(byTitle(notes, "新建的"), nullptr);
            } },
        EditDuringSync { "delete",
            [](AppState& s, const Uuid&, const Uuid& plain) { s.deleteNote(plain); },
            [](const std::vector<StickyNote>& notes, const Uuid&, const Uuid& plain) {
                EXPECT_EQ(byId(notes, plain), nullptr);
                EXPECT_EQ(byTitle(notes, "买菜"), nullptr);
            } }),
    [](const ::testing::TestParamInfo<EditDuringSync>& info) { return std::string(info.param.name); });

TEST_F(SyncOrchestrationTest, AFieldTheUserDidNotTouchTakesTheStoresChange)
{
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    state().synchronizeSystemData(true);
    Uuid id = byTitle(state().notes(), "交周报")->id;

    // Renamed in another app, while here the card is moved during the sync.
    fixture.scheduler.advance(std::chrono::minutes(1));
    store->reminder("r1")->title = "交周报（终版）";
    store->reminder("r1")->lastModifiedDate = fixture.clock.now();
    fixture.scheduler.advance(std::chrono::minutes(1));
    store->deferCompletions = true;
    state().synchronizeSystemData(true);
    state().updateWindowFrame(id, Rect { 700, 500, 344, 248 });
    store->deliver();

    const StickyNote* note = byId(state().notes(), id);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->title, "交周报（终版）");
    EXPECT_EQ(note->frame.x, 700);
    store->deferCompletions = false;
    fixture.scheduler.advance(std::chrono::minutes(1));
    state().synchronizeSystemData(true);
    EXPECT_EQ(store->reminder("r1")->title, "交周报（终版）");
    EXPECT_EQ(byId(state().notes(), id)->frame.x, 700);
}

TEST_F(SyncOrchestrationTest, AnAutomaticSyncThatCameDueDuringASyncRunsAfterIt)
{
    StickyNote synced = StateFixture::makeNote("周报");
    synced.syncToReminders = true;
    fixture.launchWith({ synced }, [](AppPreferences& p) {
        p.selectedReminderListIDs = { "work" };
        p.autoSyncEnabled = true;
        p.hasActivatedSync = true;
    });
    store->deferCompletions = true;
    state().synchronizeSystemData(true);
    state().updateNoteTitle(synced.id, "周报（改）");
    StickyNote edited = *state().findNote(synced.id);
    state().update(edited, SyncAfterEdit::yes);
    fixture.scheduler.advance(std::chrono::seconds(2));
    EXPECT_EQ(store->accessRequests, 1) << "still the first sync";
    store->deliver();
    store->deferCompletions = false;
    fixture.scheduler.runDue();
    EXPECT_EQ(store->accessRequests, 2) << "the edit's own sync, once the first was over";
    ASSERT_EQ(store->reminders.size(), 1u);
    EXPECT_EQ(store->reminders[0].title, "周报（改）");
}

// --- Quitting and a store that does not answer --------------------------------

TEST_F(SyncOrchestrationTest, QuittingWhileAReminderIsBeingSavedKeepsItsLink)
{
    StickyNote synced = StateFixture::makeNote("周报");
    synced.syncToReminders = true;
    fixture.launchWith({ synced }, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    store->answerScheduler = &fixture.scheduler;
    store->answerSavesAfter = std::chrono::milliseconds(800);
    state().synchronizeSystemData(true);
    ASSERT_TRUE(state().isSyncing());
    ASSERT_EQ(store->reminders.size(), 1u) << "saved, the answer held back";

    // Quit the way the shell does, then launch again from the file.
    Instant quitAt = fixture.clock.now();
    state().flushPendingSaves();
    EXPECT_LE(fixture.clock.now() - quitAt, AppState::syncWritesQuitWait);
    fixture.destroyState();
    store->answerSavesAfter.reset();
    fixture.launch();
    const StickyNote* reloaded = byId(state().notes(), synced.id);
    ASSERT_NE(reloaded, nullptr);
    ASSERT_TRUE(reloaded->externalLink.has_value()) << "linked in the file before quit completed";
    state().synchronizeSystemData(true);
    EXPECT_EQ(store->reminders.size(), 1u) << "no second reminder for the same note";
}

TEST_F(SyncOrchestrationTest, QuittingStopsTheSyncSoNoWriteOutlastsTheWait)
{
    // Three notes to write, each answer 0.8 s late: a sync going on through
    // the wait would send the third at 1.6 s and quit without its answer.
    std::vector<StickyNote> notes = launchWithThreeNotesToSync();
    store->answerSavesAfter = std::chrono::milliseconds(800);
    state().synchronizeSystemData(true);
    ASSERT_EQ(store->reminders.size(), 1u);

    state().flushPendingSaves();
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(store->reminders.size(), 1u) << "nothing new is sent while quitting";
    fixture.destroyState();
    store->answerSavesAfter.reset();
    fixture.launch();
    state().synchronizeSystemData(true);
    EXPECT_EQ(store->reminders.size(), 3u) << "one reminder per note";
    for (const StickyNote& note : notes) {
        ASSERT_NE(byId(state().notes(), note.id), nullptr);
        EXPECT_TRUE(byId(state().notes(), note.id)->externalLink.has_value()) << note.title;
    }
}

TEST_F(SyncOrchestrationTest, QuitWaitsForAStoreThatDoesNotAnswerOnlyABoundedTime)
{
    StickyNote synced = StateFixture::makeNote("周报");
    synced.syncToReminders = true;
    fixture.launchWith({ synced }, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    store->answerScheduler = &fixture.scheduler;
    store->answerSavesAfter = std::chrono::minutes(10);
    state().synchronizeSystemData(true);
    Instant quitAt = fixture.clock.now();
    state().flushPendingSaves();
    EXPECT_EQ(fixture.clock.now() - quitAt, AppState::syncWritesQuitWait);

    // Without a write in flight quitting does not wait at all.
    fixture.scheduler.advance(std::chrono::minutes(10));
    quitAt = fixture.clock.now();
    state().flushPendingSaves();
    EXPECT_EQ(fixture.clock.now(), quitAt);
}

TEST_F(SyncOrchestrationTest, ASyncWithoutAnAnswerFailsAfterItsDeadlineAndTheNextOneRuns)
{
    store->addReminder("r1", "work", "交周报", fixture.at(2026, 12, 6, 17), fixture.at(2026, 12, 4));
    fixture.launchWith({}, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
    std::vector<StickyNote> before = state().notes();
    store->deferCompletions = true;
    state().synchronizeSystemData(true);

    fixture.scheduler.advance(AppState::syncDeadline - std::chrono::milliseconds(1));
    EXPECT_TRUE(state().isSyncing());
    fixture.scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus(), "同步失败：系统存储在 60 秒内没有回应，便签没有任何改动");
    ASSERT_FALSE(fixture.logger->entries().empty());
    EXPECT_NE(fixture.logger->entries().back().find("Sync failed: The reminders store did not answer"), std::string::npos);
    EXPECT_EQ(state().notes(), before);
    EXPECT_FALSE(state().lastSyncReport().has_value());

    // The old sync's answers, arriving at last, change nothing; a new sync
    // runs and finishes.
    store->deliver();
    EXPECT_EQ(state().notes(), before);
    store->deferCompletions = false;
    state().synchronizeSystemData(true);
    EXPECT_FALSE(state().isSyncing());
    ASSERT_TRUE(state().lastSyncReport().has_value());
    EXPECT_EQ(state().lastSyncReport()->remindersImported, 1);
}

TEST_F(SyncOrchestrationTest, ASlowStoreThatKeepsAnsweringIsNoHungSync)
{
    launchWithThreeNotesToSync();
    store->answerSavesAfter = AppState::syncDeadline * 2 / 3;
    state().synchronizeSystemData(true);
    fixture.scheduler.advance(AppState::syncDeadline * 3);
    EXPECT_FALSE(state().isSyncing());
    EXPECT_EQ(state().syncStatus().rfind("同步完成：", 0), 0u) << state().syncStatus();
    EXPECT_EQ(store->reminders.size(), 3u);
}

} // namespace
