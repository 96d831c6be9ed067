#include "support/InMemoryEventStore.h"
#include "support/ManualClock.h"

#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace brivet;
using namespace brivet::testing;

namespace {

class SyncEngineTest : public ::testing::Test {
protected:
    SyncEngineTest()
        : calendar("Asia/Shanghai", "zh_CN")
    {
        clock.set(at(2026, 3, 5, 9, 0));
        auto owned = std::make_unique<InMemoryEventStore>(clock);
        store = owned.get();
        service = std::make_unique<ReminderSyncEngine>(std::move(owned), clock, calendar);
        store->addList("work", "工作");
        store->addList("home", "家庭");
        store->addCalendar("cal", "日程");
        preferences = AppPreferences::defaultValue(calendar, clock.now());
        preferences.includeCalendarEvents = false;
        preferences.selectedReminderListIDs = { "work" };
    }

    Instant at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const
    {
        return *calendar.instant({ year, month, day, hour, minute, second });
    }

    SyncService::SyncResult run(std::vector<StickyNote> notes)
    {
        std::optional<SyncService::SyncResult> result;
        service->synchronize(std::move(notes), preferences, [&](SyncService::SyncResult r) { result = std::move(r); });
        store->deliver();
        EXPECT_TRUE(result.has_value()) << "the sync never completed";
        return result ? std::move(*result) : SyncService::SyncResult(SyncFailure { "no result" });
    }

    SyncExecution sync(std::vector<StickyNote> notes)
    {
        auto result = run(std::move(notes));
        if (auto* failure = std::get_if<SyncFailure>(&result)) {
            ADD_FAILURE() << failure->description;
            return {};
        }
        return std::get<SyncExecution>(std::move(result));
    }

    static StickyNote localNote(std::string title, Instant updatedAt, bool syncToReminders = true)
    {
        StickyNote note = StickyNote::placeholder(Uuid::random(), updatedAt);
        note.title = std::move(title);
        note.syncToReminders = syncToReminders;
        return note;
    }

    static StickyNote linkedNote(std::string title, NoteSource source, std::string externalId, Instant updatedAt,
        std::optional<Instant> lastSyncedAt)
    {
        StickyNote note = localNote(std::move(title), updatedAt, source == NoteSource::reminders);
        note.source = source;
        note.externalLink = ExternalLink { source, std::move(externalId), lastSyncedAt, std::nullopt };
        return note;
    }

    static const StickyNote* find(const std::vector<StickyNote>& notes, const std::string& title)
    {
        auto found = std::find_if(notes.begin(), notes.end(), [&](const StickyNote& note) { return note.title == title; });
        return found == notes.end() ? nullptr : &*found;
    }

    ManualClock clock;
    UserCalendar calendar;
    InMemoryEventStore* store = nullptr;
    std::unique_ptr<ReminderSyncEngine> service;
    AppPreferences preferences;
};

TEST_F(SyncEngineTest, ListSelectionDecidesWhetherReminderNotesSurvive)
{
    std::vector<StickyNote> notes { linkedNote("旧提醒", NoteSource::reminders, "gone", at(2026, 3, 1), at(2026, 3, 1)),
        localNote("本地", at(2026, 3, 1), false) };

    // Nothing selected: no store access at all, reminder notes dropped.
    preferences.selectedReminderListIDs.clear();
    SyncExecution none = sync(notes);
    EXPECT_EQ(store->accessRequests, 0);
    ASSERT_EQ(none.notes.size(), 1u);
    EXPECT_EQ(none.notes[0].title, "本地");
    EXPECT_EQ(none.report, (SyncReport { 0, 0, 0, 0, 1 }));

    // A selected list the store does not have is no deselection: the sync
    // fails naming it, so that its notes are not dropped unseen.
    preferences.selectedReminderListIDs = { "deleted-list", "work" };
    auto vanished = run(notes);
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(vanished));
    EXPECT_EQ(std::get<SyncFailure>(vanished).kind, SyncFailureKind::missingSources);
    EXPECT_EQ(std::get<SyncFailure>(vanished).sources, (std::vector<std::string> { "deleted-list" }));
    EXPECT_TRUE(store->saves.empty());

    // Access refused drops them too; an access error ends the sync.
    preferences.selectedReminderListIDs = { "work" };
    store->reminderAccess = false;
    EXPECT_EQ(sync(notes).notes.size(), 1u);
    store->reminderAccess = StoreError { "permission service crashed" };
    auto failed = run(notes);
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(failed));
    EXPECT_EQ(std::get<SyncFailure>(failed).description, "permission service crashed");
}

TEST_F(SyncEngineTest, FiltersTakePriorityDueDateAndInclusiveWindowEnds)
{
    // next7Days from 5 March: 5 March 00:00:00 to 12 March 23:59:59.
    Instant lower = at(2026, 3, 5);
    Instant upper = at(2026, 3, 12, 23, 59, 59);
    store->addReminder("at-lower", "work", "下界", lower, at(2026, 3, 1)).priority = 1;
    store->addReminder("at-upper", "work", "上界", upper, at(2026, 3, 1)).priority = 1;
    store->addReminder("after", "work", "超出", upper + std::chrono::seconds(1), at(2026, 3, 1)).priority = 1;
    store->addReminder("before", "work", "之前", lower - std::chrono::seconds(1), at(2026, 3, 1)).priority = 1;
    store->addReminder("undated", "work", "无日期", std::nullopt, at(2026, 3, 1)).priority = 1;
    store->addReminder("normal", "work", "普通", at(2026, 3, 6), at(2026, 3, 1)).priority = 5;
    store->addReminder("none", "work", "无优先级", at(2026, 3, 6), at(2026, 3, 1)).priority = 0;
    store->addReminder("other-list", "home", "家里", at(2026, 3, 6), at(2026, 3, 1));

    SyncExecution required = sync({});
    std::vector<std::string> titles;
    for (const StickyNote& note : required.notes)
        titles.push_back(note.title);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string> { "上界", "下界", "无优先级", "普通" }));
    EXPECT_EQ(required.report.remindersImported, 4);

    preferences.reminderSyncRequiresDueDate = false;
    preferences.onlyImportHighPriorityReminders = true;
    SyncExecution high = sync({});
    ASSERT_EQ(high.notes.size(), 3u);
    const StickyNote* undated = find(high.notes, "无日期");
    ASSERT_NE(undated, nullptr);
    EXPECT_FALSE(undated->dueDate.has_value());
    EXPECT_EQ(undated->priority, NotePriority::high);
    EXPECT_EQ(find(high.notes, "普通"), nullptr);
}

TEST_F(SyncEngineTest, ImportedReminderBecomesAHiddenNoteOfItsList)
{
    StoreReminder& reminder = store->addReminder("r1", "work", "交周报", at(2026, 3, 6, 17), at(2026, 3, 4, 8));
    reminder.notes = "附上数据";
    reminder.priority = 9;
    reminder.isCompleted = true;

    SyncExecution result = sync({});
    ASSERT_EQ(result.notes.size(), 1u);
    const StickyNote& note = result.notes[0];
    EXPECT_EQ(note.title, "交周报");
    EXPECT_EQ(note.details, "附上数据");
    EXPECT_TRUE(note.isCompleted);
    EXPECT_EQ(note.priority, NotePriority::low);
    EXPECT_EQ(note.dueDate, at(2026, 3, 6, 17));
    EXPECT_EQ(note.category, "工作");
    EXPECT_EQ(note.group, "提醒事项");
    EXPECT_EQ(note.source, NoteSource::reminders);
    EXPECT_TRUE(note.syncToReminders);
    EXPECT_TRUE(note.isHidden);
    EXPECT_EQ(note.updatedAt, at(2026, 3, 4, 8));
    EXPECT_EQ(note.externalLink, (ExternalLink { NoteSource::reminders, "r1", clock.now(), at(2026, 3, 4, 8) }));
    EXPECT_TRUE(store->saves.empty()) << "importing writes nothing back";

    preferences.desktopSurfaceMode = DesktopSurfaceMode::allImportedNotes;
    EXPECT_FALSE(sync({}).notes[0].isHidden);
}

TEST_F(SyncEngineTest, LinkedNoteAndReminderResolveToOneWinner)
{
    store->addReminder("r1", "work", "远端标题", at(2026, 3, 6, 17), at(2026, 3, 4, 9));

    // Not edited since the last sync: the reminder wins and the note keeps
    // its identity and placement.
    StickyNote stale = linkedNote("本地标题", NoteSource::reminders, "r1", at(2026, 3, 4, 8), at(2026, 3, 4, 10));
    stale.frame.x = 777;
    SyncExecution remote = sync({ stale });
    ASSERT_EQ(remote.notes.size(), 1u);
    EXPECT_EQ(remote.notes[0].id, stale.id);
    EXPECT_EQ(remote.notes[0].title, "远端标题");
    EXPECT_EQ(remote.notes[0].frame.x, 777);
    EXPECT_EQ(remote.report.remindersWritten, 0);
    EXPECT_EQ(remote.report.remindersImported, 0);

    // Edited at exactly the later of the last sync and the reminder's
    // change: the tie goes to the note, which is written over the reminder.
    StickyNote edited = linkedNote("本地标题", NoteSource::reminders, "r1", at(2026, 3, 4, 10), at(2026, 3, 4, 10));
    edited.priority = NotePriority::high;
    edited.isCompleted = true;
    edited.dueDate = at(2026, 3, 7, 8, 30, 45);
    edited.details = "";
    clock.set(at(2026, 3, 5, 9, 30));
    SyncExecution local = sync({ edited });
    EXPECT_EQ(local.report.remindersWritten, 1);
    const StoreReminder* written = store->reminder("r1");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->title, "本地标题");
    EXPECT_EQ(written->notes, std::optional<std::string>(""));
    EXPECT_EQ(written->priority, 1);
    EXPECT_TRUE(written->isCompleted);
    EXPECT_EQ(written->completionDate, clock.now());
    EXPECT_EQ(written->dueDate, at(2026, 3, 7, 8, 30)) << "due dates are written to the minute";
    ASSERT_EQ(local.notes.size(), 1u);
    EXPECT_EQ(local.notes[0].title, "本地标题");
    EXPECT_EQ(local.notes[0].externalLink->lastSyncedAt, clock.now());
    EXPECT_EQ(local.notes[0].externalLink->lastExternalModifiedAt, written->lastModifiedDate);
    EXPECT_EQ(local.notes[0].updatedAt, edited.updatedAt) << "nothing else of the note changes";

    // The next sync without an edit: the reminder (changed by our own
    // write) wins and the note is rebuilt from it, unchanged in content.
    clock.advance(std::chrono::minutes(5));
    SyncExecution again = sync(local.notes);
    EXPECT_EQ(again.report.remindersWritten, 0);
    EXPECT_EQ(again.notes[0].title, "本地标题");
}

TEST_F(SyncEngineTest, LocalNotesAreWrittenBackAndKeepTheirLinks)
{
    // Store order decides the first selected list, not the order of the set.
    preferences.selectedReminderListIDs = { "work", "home" };
    std::vector<StickyNote> notes { localNote("新任务", at(2026, 3, 5, 8)), localNote("不同步", at(2026, 3, 5, 8), false) };
    notes[0].dueDate = at(2026, 3, 6, 10);

    SyncExecution first = sync(notes);
    EXPECT_EQ(first.report.remindersWritten, 1);
    ASSERT_EQ(store->saves.size(), 1u);
    EXPECT_EQ(store->saves[0].sourceUid, "work");
    const StickyNote* written = find(first.notes, "新任务");
    ASSERT_NE(written, nullptr);
    ASSERT_TRUE(written->externalLink.has_value());
    EXPECT_EQ(written->externalLink->externalID, store->saves[0].uid);
    EXPECT_EQ(written->source, NoteSource::local) << "the source stays what it was";
    EXPECT_EQ(first.report.remindersImported, 0) << "its own reminder is not imported a second time";

    // The next sync matches the note by its link: no second reminder.
    clock.advance(std::chrono::minutes(1));
    SyncExecution second = sync(first.notes);
    EXPECT_EQ(store->reminders.size(), 1u);
    EXPECT_EQ(second.notes.size(), 2u);

    // A reminder deleted in the store is written back under the UID it had.
    store->reminders.clear();
    StickyNote edited = *find(second.notes, "新任务");
    edited.updatedAt = clock.now();
    clock.advance(std::chrono::minutes(1));
    SyncExecution third = sync({ edited });
    ASSERT_EQ(store->reminders.size(), 1u);
    EXPECT_EQ(third.notes[0].externalLink->externalID, store->reminders[0].uid);
    EXPECT_EQ(third.notes[0].externalLink->externalID, written->externalLink->externalID);
}

// Two machines hold a note linked to one reminder, which a third deletes:
// each writes it back, and they end up with one reminder between them,
// whichever syncs first and whether or not one sees the other's copy.
TEST_F(SyncEngineTest, AReminderDeletedElsewhereIsWrittenBackOnceByEveryMachineThatHeldIt)
{
    store->addReminder("shared", "work", "买牛奶", std::nullopt, at(2026, 3, 1));
    StickyNote here = linkedNote("买牛奶", NoteSource::reminders, "shared", at(2026, 3, 1), at(2026, 3, 1));
    StickyNote there = here;
    there.id = Uuid::random(); // imported on the other machine as a note of its own
    store->reminders.clear();

    clock.advance(std::chrono::minutes(1));
    SyncExecution first = sync({ here });
    ASSERT_EQ(store->reminders.size(), 1u);
    EXPECT_EQ(store->reminders[0].uid, "shared");

    // The other machine had not seen it come back when it synced.
    clock.advance(std::chrono::minutes(1));
    store->reminders.clear();
    SyncExecution mine = sync({ here });
    SyncExecution theirs = sync({ there });
    EXPECT_EQ(store->reminders.size(), 1u) << "one reminder, not one per machine";
    EXPECT_EQ(mine.notes.at(0).externalLink->externalID, "shared");
    EXPECT_EQ(theirs.notes.at(0).externalLink->externalID, "shared");
    EXPECT_EQ(theirs.notes.size(), 1u);
}

TEST_F(SyncEngineTest, LinkedNoteOutsideTheFiltersKeepsItsReminder)
{
    // Undated (while due dates are required) and due after the window: the
    // filters keep these reminders from being imported, but the notes that
    // own them are still matched instead of being written as new reminders
    // at every sync.
    StickyNote undated = localNote("无日期", at(2026, 3, 5, 8));
    StickyNote later = localNote("下个月", at(2026, 3, 5, 8));
    later.dueDate = at(2026, 4, 20, 9);
    SyncExecution first = sync({ undated, later });
    EXPECT_EQ(first.report.remindersWritten, 2);
    ASSERT_EQ(store->reminders.size(), 2u);

    for (int round = 0; round < 3; ++round) {
        clock.advance(std::chrono::minutes(1));
        first = sync(first.notes);
    }
    EXPECT_EQ(store->reminders.size(), 2u);
    EXPECT_EQ(first.notes.size(), 2u);
    EXPECT_EQ(first.report.remindersImported, 0);

    // An edit still reaches its own reminder.
    StickyNote edited = *find(first.notes, "下个月");
    edited.title = "下个月（改）";
    edited.updatedAt = clock.now();
    clock.advance(std::chrono::minutes(1));
    sync({ edited });
    EXPECT_EQ(store->reminder(edited.externalLink->externalID)->title, "下个月（改）");
    EXPECT_EQ(store->reminders.size(), 2u);
}

TEST_F(SyncEngineTest, StoreDatesBeyondTheStorableYearsEnterNotesAtTheNearestEnd)
{
    const Instant pastTheEnd = latestStorableInstant + std::chrono::hours(4);
    store->addReminder("far", "work", "很久以后", pastTheEnd, at(2026, 3, 5, 8));
    StickyNote linked = linkedNote("很久以后", NoteSource::reminders, "far", at(2026, 3, 1), at(2026, 3, 1));
    SyncExecution result = sync({ linked });
    const StickyNote* note = find(result.notes, "很久以后");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->dueDate, latestStorableInstant);

    store->reminder("far")->lastModifiedDate = pastTheEnd;
    result = sync(result.notes);
    note = find(result.notes, "很久以后");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->updatedAt, latestStorableInstant);
    EXPECT_EQ(note->externalLink->lastExternalModifiedAt, latestStorableInstant);
}

TEST_F(SyncEngineTest, TwoNotesLinkedToOneReminderSplitIntoTwoReminders)
{
    store->addReminder("r1", "work", "原始", at(2026, 3, 6), at(2026, 3, 1));
    StickyNote first = linkedNote("第一", NoteSource::reminders, "r1", at(2026, 3, 4), std::nullopt);
    StickyNote second = linkedNote("第二", NoteSource::reminders, "r1", at(2026, 3, 3), std::nullopt);

    SyncExecution result = sync({ first, second });
    EXPECT_EQ(result.report.remindersWritten, 2);
    ASSERT_EQ(store->reminders.size(), 2u);
    EXPECT_EQ(store->reminder("r1")->title, "第一") << "the first note in list order keeps the reminder";
    const StickyNote* relinked = find(result.notes, "第二");
    ASSERT_NE(relinked, nullptr);
    EXPECT_NE(relinked->externalLink->externalID, "r1");
    EXPECT_EQ(result.notes.size(), 2u);
}

TEST_F(SyncEngineTest, FailedSaveEndsTheSyncButReportsWhatWasWritten)
{
    std::vector<StickyNote> notes { localNote("一", at(2026, 3, 5)), localNote("二", at(2026, 3, 5)),
        localNote("三", at(2026, 3, 5)) };
    std::vector<std::pair<Uuid, ExternalLink>> links;
    service->setLinkHandler([&](const Uuid& id, const ExternalLink& link) { links.emplace_back(id, link); });
    store->failFromSave = 2;
    store->saveError = StoreError { "Cannot save the reminder in '工作': Connection refused", false,
        StoreErrorCause::serverUnreachable, "Connection refused" };
    auto result = run(notes);
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(result));
    const SyncFailure& failure = std::get<SyncFailure>(result);
    EXPECT_EQ(failure.description, "Cannot save the reminder in '工作': Connection refused") << "the log keeps the store's words";
    EXPECT_EQ(failure.statusText(), "同步失败：无法保存「二」到「工作」：无法连接服务器（Connection refused）");
    EXPECT_EQ(failure.actions.list, (std::vector<SyncAction> { { SyncActionKind::writtenToStore, "一", {}, {} },
                                        { SyncActionKind::failed, "二", "无法连接服务器（Connection refused）", {} } }));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].first, notes[0].id);
    EXPECT_EQ(links[0].second.externalID, store->reminders.at(0).uid);
    EXPECT_EQ(store->reminders.size(), 1u) << "the reminder saved before the failure stays";
}

TEST_F(SyncEngineTest, AReminderWhoseSaveWasNeverAnsweredIsFoundAgainNotCreatedTwice)
{
    std::vector<StickyNote> notes { localNote("一", at(2026, 3, 5)), localNote("二", at(2026, 3, 5)),
        localNote("三", at(2026, 3, 5)) };
    std::map<Uuid, ExternalLink> links;
    service->setLinkHandler([&](const Uuid& id, const ExternalLink& link) { links[id] = link; });
    // The store keeps the second reminder but dies before it answers.
    store->loseAnswerOfSave = 2;
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(run(notes)));
    ASSERT_EQ(store->reminders.size(), 2u);
    EXPECT_EQ(links.size(), 1u) << "the unanswered save reported no link";

    for (StickyNote& note : notes) {
        if (auto link = links.find(note.id); link != links.end())
            note.externalLink = link->second;
    }
    store->loseAnswerOfSave.reset();
    auto again = run(notes);
    ASSERT_TRUE(std::holds_alternative<SyncExecution>(again));
    const SyncExecution& result = std::get<SyncExecution>(again);
    EXPECT_EQ(store->reminders.size(), 3u) << "the unanswered reminder was created a second time";
    EXPECT_EQ(result.report.remindersImported, 0) << "the unanswered reminder came back as another note";
    EXPECT_EQ(result.notes.size(), 3u);
    std::set<std::string> linked;
    for (const StickyNote& note : result.notes) {
        ASSERT_TRUE(note.externalLink) << note.title;
        linked.insert(note.externalLink->externalID);
    }
    EXPECT_EQ(linked.size(), 3u);
}

TEST_F(SyncEngineTest, AnAbandonedSyncStopsButStillReportsTheLinkOfASaveInFlight)
{
    std::vector<StickyNote> notes { localNote("一", at(2026, 3, 5)), localNote("二", at(2026, 3, 5)) };
    std::vector<std::pair<Uuid, ExternalLink>> links;
    service->setLinkHandler([&](const Uuid& id, const ExternalLink& link) { links.emplace_back(id, link); });
    store->deferCompletions = true;
    bool completed = false;
    service->synchronize(notes, preferences, [&](SyncService::SyncResult) { completed = true; });
    EXPECT_FALSE(service->hasWritesInFlight());
    ASSERT_TRUE(store->deliverNext()); // access
    ASSERT_TRUE(store->deliverNext()); // fetch: the first save goes out
    EXPECT_TRUE(service->hasWritesInFlight());
    EXPECT_EQ(store->reminders.size(), 1u);

    service->abandonSync();
    store->deliver();
    EXPECT_FALSE(service->hasWritesInFlight());
    EXPECT_FALSE(completed) << "an abandoned sync never completes";
    EXPECT_EQ(store->reminders.size(), 1u) << "and writes nothing more";
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].first, notes[0].id);
    EXPECT_EQ(links[0].second.externalID, store->reminders.at(0).uid);

    // The next sync runs normally.
    store->deferCompletions = false;
    notes[0].externalLink = links[0].second;
    clock.advance(std::chrono::minutes(1));
    SyncExecution next = sync(notes);
    EXPECT_EQ(store->reminders.size(), 2u);
    EXPECT_EQ(next.report.remindersWritten, 1) << "only the note not written before";
}

TEST_F(SyncEngineTest, UnansweredReminderFetchFailsWithoutWritingAnything)
{
    store->addReminder("r1", "work", "远端", at(2026, 3, 6), at(2026, 3, 1));
    StickyNote linked = linkedNote("已关联", NoteSource::reminders, "r1", at(2026, 3, 4), at(2026, 3, 4));
    store->fetchError = StoreError { "no answer" };
    auto result = run({ linked });
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(result));
    EXPECT_EQ(store->saveAttempts, 0) << "a linked note must not be written as a new reminder";
}

TEST_F(SyncEngineTest, CalendarPassRebuildsNotesOfEventsInTheWindow)
{
    preferences.selectedReminderListIDs.clear();
    preferences.includeCalendarEvents = true;
    preferences.selectedCalendarIDs = { "cal" };
    Instant lower = at(2026, 3, 5);
    store->addEvent("early", "cal", "提前开始", lower - std::chrono::seconds(1), at(2026, 3, 1));
    StoreEvent& meeting = store->addEvent("meet", "cal", "评审会", at(2026, 3, 6, 14), at(2026, 3, 2));
    meeting.location = "3 楼";
    store->addEvent("allday", "cal", "全天", at(2026, 3, 12), at(2026, 3, 2));
    // A repeating event: occurrences share the identifier and change time.
    for (int day : { 7, 8, 9 })
        store->addEvent("standup", "cal", "站会", at(2026, 3, day, 9, 30), at(2026, 3, 1, 12));

    StickyNote earlier = linkedNote("旧", NoteSource::calendar, "early", at(2026, 3, 1), at(2026, 3, 1));
    StickyNote previous = linkedNote("旧评审", NoteSource::calendar, "meet", at(2026, 3, 1), at(2026, 3, 1));
    previous.frame = NoteFrame { 40, 50, 600, 400, NoteSizePreset::large };
    previous.isHidden = false;
    StickyNote local = localNote("本地", at(2026, 3, 1), false);

    SyncExecution result = sync({ earlier, previous, local });
    EXPECT_EQ(result.report.calendarImported, 5) << "every occurrence counts";
    EXPECT_EQ(find(result.notes, "提前开始"), nullptr);
    EXPECT_EQ(find(result.notes, "旧"), nullptr) << "the note of an event outside the window disappears";
    EXPECT_EQ(std::count_if(result.notes.begin(), result.notes.end(), [](auto& n) { return n.title == "站会"; }), 1);
    EXPECT_EQ(find(result.notes, "站会")->dueDate, at(2026, 3, 7, 9, 30)) << "the first occurrence is kept";
    EXPECT_NE(find(result.notes, "全天"), nullptr);
    EXPECT_NE(find(result.notes, "本地"), nullptr);

    const StickyNote* refreshed = find(result.notes, "评审会");
    ASSERT_NE(refreshed, nullptr);
    EXPECT_EQ(refreshed->id, previous.id);
    EXPECT_FALSE(refreshed->isHidden);
    EXPECT_EQ(refreshed->details, "3 楼");
    EXPECT_EQ(refreshed->group, "日历");
    EXPECT_EQ(refreshed->category, "日程");
    EXPECT_EQ(refreshed->style.theme, NoteTheme::life);
    EXPECT_EQ(refreshed->frame, (NoteFrame { 40, 50, 344, 248, NoteSizePreset::small }));
    EXPECT_EQ(find(result.notes, "全天")->details, "来自系统日历");

    // Sorted newest first after deduplication.
    EXPECT_TRUE(std::is_sorted(result.notes.begin(), result.notes.end(),
        [](const StickyNote& a, const StickyNote& b) { return a.updatedAt > b.updatedAt; }));

    // Access refused keeps the notes of earlier syncs; import off drops them.
    store->eventAccess = false;
    SyncExecution refused = sync(result.notes);
    EXPECT_EQ(refused.notes, result.notes);
    EXPECT_EQ(refused.report.calendarImported, 0);
    preferences.includeCalendarEvents = false;
    SyncExecution off = sync(result.notes);
    ASSERT_EQ(off.notes.size(), 1u);
    EXPECT_EQ(off.notes[0].title, "本地");
}

TEST_F(SyncEngineTest, StoreAnsweringLaterGivesTheSameResultAndLargeRunsDoNotRecurse)
{
    std::vector<StickyNote> notes;
    for (int i = 0; i < 20000; ++i)
        notes.push_back(localNote("任务 " + std::to_string(i), at(2026, 3, 5)));
    store->addReminder("r1", "work", "远端", at(2026, 3, 6), at(2026, 3, 1));

    SyncExecution inline_ = sync(notes);
    EXPECT_EQ(inline_.report.remindersWritten, 20000);
    EXPECT_EQ(inline_.report.remindersImported, 1);
    EXPECT_EQ(inline_.notes.size(), 20001u);

    store->reminders.resize(1);
    store->deferCompletions = true;
    SyncExecution deferred = sync(notes);
    EXPECT_EQ(deferred.report, inline_.report);
}

TEST_F(SyncEngineTest, DeduplicationKeysLinksBySourceAndOthersById)
{
    StickyNote older = linkedNote("旧", NoteSource::reminders, "x", at(2026, 3, 1), std::nullopt);
    StickyNote newer = linkedNote("新", NoteSource::reminders, "x", at(2026, 3, 2), std::nullopt);
    StickyNote event = linkedNote("日历", NoteSource::calendar, "x", at(2026, 3, 1), std::nullopt);
    StickyNote plain = localNote("本地", at(2026, 3, 3), false);
    StickyNote copy = plain;
    copy.title = "副本";
    copy.updatedAt = at(2026, 3, 1);

    std::vector<StickyNote> unique = uniqueNotes({ older, plain, event, newer, copy });
    std::vector<std::string> titles;
    for (const StickyNote& note : unique)
        titles.push_back(note.title);
    EXPECT_EQ(titles, (std::vector<std::string> { "本地", "新", "日历" }));
}

TEST_F(SyncEngineTest, SourceSnapshotListsSortedOptionsWhereAccessIsGranted)
{
    store->reminderLists.clear();
    store->addList("l10", "清单 10", "iCloud").color = StoreColor { { 1.0, 0.5, 0.0 } };
    store->addList("l2", "清单 2", "iCloud").color = StoreColor { { 0.2 } };
    store->addList("lb", "Beta");
    store->addList("la", "alpha");
    store->eventCalendars.clear();
    store->addCalendar("web", "订阅").allowsContentModifications = false;
    store->eventCalendars.back().isSubscription = true;
    store->addCalendar("writable-sub", "可写订阅").isSubscription = true;
    store->addCalendar("local", "本地日历").allowsContentModifications = false;

    SyncSourceSnapshot snapshot;
    service->fetchSourceSnapshot(preferences, [&](SyncSourceSnapshot s) { snapshot = std::move(s); });
    EXPECT_TRUE(snapshot.remindersAuthorized);
    std::vector<std::string> ids;
    for (const SyncSourceOption& option : snapshot.reminderLists)
        ids.push_back(option.id);
    // Chinese collation puts Han titles before Latin ones.
    EXPECT_EQ(ids, (std::vector<std::string> { "l2", "l10", "la", "lb", "work" }))
        << "the selected list the store lacks comes last, to be switched off";
    EXPECT_EQ(snapshot.reminderLists.back().title, "已不存在的提醒事项列表");
    EXPECT_FALSE(snapshot.unreachable);
    EXPECT_EQ(snapshot.reminderLists[0].colorHex, std::optional<std::string>("#7A7A7A"));
    EXPECT_EQ(snapshot.reminderLists[1].colorHex, std::optional<std::string>("#FF8000"));
    EXPECT_EQ(snapshot.reminderLists[1].subtitle, "iCloud");
    EXPECT_FALSE(snapshot.reminderLists[2].colorHex.has_value());
    ASSERT_EQ(snapshot.calendars.size(), 2u) << "a read-only subscription is not offered";
    for (const SyncSourceOption& option : snapshot.calendars)
        EXPECT_EQ(option.kind, SyncSourceKind::calendar);

    store->reminderAccess = StoreError { "denied" };
    store->eventAccess = false;
    service->fetchSourceSnapshot(preferences, [&](SyncSourceSnapshot s) { snapshot = std::move(s); });
    SyncSourceSnapshot expected;
    expected.unreachable = "denied";
    EXPECT_EQ(snapshot, expected);

    // Access granted but no listing: "cannot say", not "there are none".
    store->reminderAccess = true;
    store->eventAccess = true;
    store->listingError = StoreError { "registry gone", true };
    service->fetchSourceSnapshot(preferences, [&](SyncSourceSnapshot s) { snapshot = std::move(s); });
    expected.unreachable = "registry gone";
    EXPECT_EQ(snapshot, expected);
}

// Every way the store can fail ends the sync with that error before a note
// is dropped or a reminder written: the state keeps its notes as they were.
TEST_F(SyncEngineTest, AStoreThatCannotAnswerFailsTheSyncInsteadOfDroppingNotes)
{
    preferences.includeCalendarEvents = true;
    preferences.selectedCalendarIDs = { "cal" };
    store->addReminder("r1", "work", "远端", at(2026, 3, 6), at(2026, 3, 1));
    store->addEvent("e1", "cal", "会议", at(2026, 3, 6, 10), at(2026, 3, 1));
    const std::vector<StickyNote> notes { linkedNote("已关联", NoteSource::reminders, "r1", at(2026, 3, 4), at(2026, 3, 4)),
        linkedNote("日程", NoteSource::calendar, "e1", at(2026, 3, 4), at(2026, 3, 4)), localNote("待写", at(2026, 3, 4)) };

    const auto failsWith = [&](SyncFailureKind kind, const char* what) {
        auto result = run(notes);
        ASSERT_TRUE(std::holds_alternative<SyncFailure>(result)) << what;
        EXPECT_EQ(std::get<SyncFailure>(result).kind, kind) << what;
        EXPECT_EQ(store->saveAttempts, 0) << what;
    };
    store->listingError = StoreError { "registry gone", true };
    failsWith(SyncFailureKind::storeUnreachable, "no listing of the reminder lists");
    preferences.selectedReminderListIDs.clear();
    failsWith(SyncFailureKind::storeUnreachable, "no listing of the calendars");
    store->listingError.reset();
    store->eventFetchError = StoreError { "Cannot open 'cal'" };
    failsWith(SyncFailureKind::storeError, "no answer from the calendars");
    store->eventFetchError.reset();
    preferences.selectedCalendarIDs = { "cal", "deleted-cal" };
    failsWith(SyncFailureKind::missingSources, "a selected calendar the store lacks");
    preferences.selectedCalendarIDs = { "cal" };
    preferences.selectedReminderListIDs = { "work" };
    store->fetchError = StoreError { "factory gone", true };
    failsWith(SyncFailureKind::storeUnreachable, "no answer from the lists");

    store->fetchError.reset();
    SyncExecution fine = sync(notes);
    EXPECT_EQ(fine.notes.size(), 3u) << "the same store answering keeps every note";
}

TEST_F(SyncEngineTest, AnOfflineListWithNothingInItIsNotTakenAtItsWord)
{
    store->reminderLists.front().isOffline = true;
    const std::vector<StickyNote> notes { linkedNote("已关联", NoteSource::reminders, "r1", at(2026, 3, 4), at(2026, 3, 4)) };
    auto result = run(notes);
    ASSERT_TRUE(std::holds_alternative<SyncFailure>(result));
    const SyncFailure& failure = std::get<SyncFailure>(result);
    EXPECT_EQ(failure.kind, SyncFailureKind::emptyAnswer);
    EXPECT_EQ(failure.sources, (std::vector<std::string> { "工作" }));
    EXPECT_EQ(failure.statusText().rfind("同步失败：提醒事项列表 「工作」", 0), 0u) << failure.statusText();
    EXPECT_EQ(store->saveAttempts, 0) << "no linked note is written back as a duplicate";

    // What it holds is taken; so is an empty answer without linked notes.
    store->addReminder("r1", "work", "远端", at(2026, 3, 6), at(2026, 3, 1));
    EXPECT_EQ(sync(notes).notes.size(), 1u);
    store->reminders.clear();
    EXPECT_EQ(sync({ localNote("新", at(2026, 3, 4)) }).report.remindersWritten, 1);
}

} // namespace

namespace brivet {
void PrintTo(const SyncAction& action, std::ostream* out)
{
    *out << "{" << static_cast<int>(action.kind) << " " << action.title << " " << action.reason << " "
         << (action.conflictWinner ? static_cast<int>(*action.conflictWinner) : -1) << "}";
}
} // namespace brivet

namespace {

// What the sync log shows: per note what was done, and for a note and
// reminder that both changed, which side won.
TEST_F(SyncEngineTest, EachSyncSaysWhatItDidToWhichNoteAndWhoWonAConflict)
{
    const Instant lastSync = at(2026, 3, 2);
    store->addReminder("new", "work", "新提醒", at(2026, 3, 6), at(2026, 3, 1));
    store->addReminder("undated", "work", "没日期", std::nullopt, at(2026, 3, 1));
    store->addReminder("theirs", "work", "他们改的", at(2026, 3, 6), at(2026, 3, 4));
    store->addReminder("ours", "work", "旧标题", at(2026, 3, 6), at(2026, 3, 3));
    store->addReminder("quiet", "work", "没变", at(2026, 3, 6), at(2026, 3, 1));
    preferences.reminderSyncRequiresDueDate = true;

    // Both sides changed since the last sync; the later edit wins.
    StickyNote theirs = linkedNote("我们改的", NoteSource::reminders, "theirs", at(2026, 3, 3), lastSync);
    theirs.externalLink->lastExternalModifiedAt = at(2026, 3, 1);
    StickyNote ours = linkedNote("新标题", NoteSource::reminders, "ours", at(2026, 3, 4), lastSync);
    ours.externalLink->lastExternalModifiedAt = at(2026, 3, 1);
    StickyNote quiet = linkedNote("没变", NoteSource::reminders, "quiet", at(2026, 3, 1), lastSync);
    quiet.externalLink->lastExternalModifiedAt = at(2026, 3, 1);
    quiet.dueDate = at(2026, 3, 6);
    StickyNote gone = linkedNote("删掉的", NoteSource::reminders, "gone", at(2026, 3, 1), lastSync);
    StickyNote fresh = localNote("本地新建", at(2026, 3, 4));

    SyncExecution result = sync({ theirs, ours, quiet, gone, fresh });
    std::vector<SyncAction> expected {
        { SyncActionKind::updatedFromStore, "他们改的", {}, SyncSide::reminder },
        { SyncActionKind::writtenToStore, "新标题", {}, SyncSide::note },
        { SyncActionKind::recreated, "删掉的", {}, {} },
        { SyncActionKind::writtenToStore, "本地新建", {}, {} },
        { SyncActionKind::imported, "新提醒", {}, {} },
        { SyncActionKind::skipped, "没日期", "没有截止日期", {} },
    };
    EXPECT_EQ(result.actions.list, expected) << "the unchanged note is not listed";
    EXPECT_TRUE(result.actions.changedAnything());

    // Nothing changed since: only the reminder left out is listed.
    clock.advance(std::chrono::minutes(1));
    SyncExecution again = sync(result.notes);
    EXPECT_EQ(again.actions.list, (std::vector<SyncAction> { { SyncActionKind::skipped, "没日期", "没有截止日期", {} } }));
    EXPECT_FALSE(again.actions.changedAnything());
}

} // namespace
