#include "EdsTestSupport.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/eds/EdsModule.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class EdsSyncServiceTest : public EdsTest {
protected:
    EdsSyncServiceTest() : calendar("Europe/Berlin", "en_US") { }

    SyncExecution sync(std::vector<StickyNote> notes)
    {
        auto result = awaitCompletion<SyncService::SyncResult>(
            [&](auto done) { service->synchronize(std::move(notes), preferences, done); });
        if (!result) {
            ADD_FAILURE() << "the sync never completed";
            return {};
        }
        if (auto* failure = std::get_if<SyncFailure>(&*result)) {
            ADD_FAILURE() << failure->description;
            return {};
        }
        return std::get<SyncExecution>(std::move(*result));
    }

    static StickyNote* find(std::vector<StickyNote>& notes, const std::string& title)
    {
        auto found = std::find_if(notes.begin(), notes.end(), [&](const StickyNote& note) { return note.title == title; });
        return found == notes.end() ? nullptr : &*found;
    }

    SystemClock clock;
    UserCalendar calendar;
    std::unique_ptr<SyncService> service;
    AppPreferences preferences;
};

TEST_F(EdsSyncServiceTest, SynchronizesRemindersBothWaysThroughEds)
{
    addList("sync-first", "A Sync List");
    addList("sync-second", "B Sync List");
    const std::string tomorrow = icalUtc(clock.now() + 24h);
    putComponent("sync-second",
        "BEGIN:VTODO\r\nUID:imported-1\r\nSUMMARY:Imported\r\nDESCRIPTION:From EDS\r\nPRIORITY:1\r\nDUE:" + tomorrow
            + "\r\nEND:VTODO\r\n");
    putComponent("sync-first", "BEGIN:VTODO\r\nUID:imported-2\r\nSUMMARY:Also imported\r\nDUE:" + tomorrow + "\r\nEND:VTODO\r\n");
    putComponent("sync-first", "BEGIN:VTODO\r\nUID:undated\r\nSUMMARY:Undated\r\nEND:VTODO\r\n");

    service = makeEdsModuleSyncService(clock, calendar, BRIVET_EDS_MODULE);
    preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.includeCalendarEvents = false;
    preferences.selectedReminderListIDs = { "sync-second", "sync-first" };

    StickyNote local = StickyNote::placeholder(Uuid::random(), clock.now());
    local.title = "Write back";
    local.details = "Written by the note";
    local.syncToReminders = true;
    local.priority = NotePriority::high;
    local.dueDate = clock.now() + 48h;

    SyncExecution first = sync({ local });
    EXPECT_EQ(first.report.remindersImported, 2) << "the undated reminder stays out";
    EXPECT_EQ(first.report.remindersWritten, 1);
    StickyNote* imported = find(first.notes, "Imported");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(imported->source, NoteSource::reminders);
    EXPECT_EQ(imported->details, "From EDS");
    EXPECT_EQ(imported->category, "B Sync List");
    ASSERT_TRUE(imported->externalLink);
    EXPECT_EQ(imported->externalLink->externalID, "imported-1");
    StickyNote* written = find(first.notes, "Write back");
    ASSERT_NE(written, nullptr);
    ASSERT_TRUE(written->externalLink) << "the written note is linked to its new reminder";
    const std::string stored = storedComponent("sync-first", written->externalLink->externalID);
    EXPECT_NE(stored.find("SUMMARY:Write back"), std::string::npos) << "new reminders go to the first selected list";
    EXPECT_NE(stored.find("DESCRIPTION:Written by the note"), std::string::npos) << stored;

    // Nothing changed: nothing is written again.
    SyncExecution second = sync(first.notes);
    EXPECT_EQ(second.report.remindersWritten, 0);
    EXPECT_EQ(second.report.remindersImported, 0);

    // A completion on the note reaches the VTODO.
    imported = find(second.notes, "Imported");
    ASSERT_NE(imported, nullptr);
    imported->isCompleted = true;
    imported->updatedAt = clock.now() + 2s;
    SyncExecution third = sync(second.notes);
    EXPECT_EQ(third.report.remindersWritten, 1);
    const std::string completed = storedComponent("sync-second", "imported-1");
    EXPECT_NE(completed.find("STATUS:COMPLETED"), std::string::npos) << completed;
    EXPECT_NE(completed.find("COMPLETED:"), std::string::npos) << completed;

    // An outside change reaches the engine's handler.
    int notices = 0;
    service->setChangeHandler([&] { ++notices; });
    putComponent("sync-first", "BEGIN:VTODO\r\nUID:outside\r\nSUMMARY:Outside\r\nEND:VTODO\r\n");
    EXPECT_TRUE(waitUntil([&] { return notices > 0; })) << "no change notice after an outside change";
    service->setChangeHandler({});

    // The source snapshot lists both lists with access granted.
    auto snapshot = awaitCompletion<SyncSourceSnapshot>(
        [&](auto done) { service->fetchSourceSnapshot(preferences, done); });
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->remindersAuthorized);
    EXPECT_TRUE(std::any_of(snapshot->reminderLists.begin(), snapshot->reminderLists.end(),
        [](const SyncSourceOption& option) { return option.id == "sync-first" && option.title == "A Sync List"; }));
}

} // namespace
