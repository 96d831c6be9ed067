#include "CalDavHomeAgent.h"
#include "EdsTestSupport.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"
#include "sync/eds/EdsEventStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>

using namespace brivet;
using namespace brivet::testing;

namespace {

// Run in a child process by the unreachable-EDS tests: the session bus
// address points at nothing, or at a bus (`busAddress`) from which EDS
// cannot be started, so the store must answer every call with an error
// instead of blocking, crashing or answering "nothing". Prints one line per
// call.
int runUnreachableProbe(const char* busAddress)
{
    setenv("DBUS_SESSION_BUS_ADDRESS", busAddress ? busAddress : "unix:path=/nonexistent/brivet-no-bus", 1);

    auto store = std::make_unique<EdsEventStore>("Europe/Berlin");
    auto access = awaitCompletion<EventStore::AccessResult>(
        [&](auto done) { store->requestAccess(StoreEntityType::reminder, done); });
    if (!access)
        std::printf("access: no answer\n");
    else if (auto* error = std::get_if<StoreError>(&*access))
        std::printf("access: error: %s\n", error->description.c_str());
    else
        std::printf("access: %s\n", std::get<bool>(*access) ? "granted" : "refused");

    auto fetched = awaitCompletion<EventStore::RemindersResult>([&](auto done) { store->fetchReminders({}, done); });
    if (!fetched)
        std::printf("fetch: no answer\n");
    else if (auto* error = std::get_if<StoreError>(&*fetched))
        std::printf("fetch: error%s: %s\n", error->unreachable ? " (unreachable)" : "", error->description.c_str());
    else
        std::printf("fetch: answered\n");

    StoreReminder reminder;
    reminder.title = "Anything";
    reminder.sourceUid = "somewhere";
    auto saved = awaitCompletion<EventStore::SaveResult>([&](auto done) { store->saveReminder(reminder, done); });
    if (saved && std::holds_alternative<StoreError>(*saved))
        std::printf("save: error: %s\n", std::get<StoreError>(*saved).description.c_str());
    else
        std::printf("save: %s\n", saved ? "saved" : "no answer");
    EventStore::CalendarsResult lists = store->calendars(StoreEntityType::reminder);
    if (auto* error = std::get_if<StoreError>(&lists))
        std::printf("calendars: error: %s\n", error->description.c_str());
    else
        std::printf("calendars: %zu\n", std::get<std::vector<StoreCalendar>>(lists).size());

    SystemClock clock;
    UserCalendar calendar("Europe/Berlin", "en_US");
    ReminderSyncEngine service(std::move(store), clock, calendar);
    AppPreferences preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.selectedReminderListIDs = { "somewhere" };
    StickyNote imported = StickyNote::placeholder(Uuid::random(), clock.now());
    imported.source = NoteSource::reminders;
    imported.externalLink = ExternalLink { NoteSource::reminders, "reminder-1", clock.now(), std::nullopt };
    auto result = awaitCompletion<SyncService::SyncResult>(
        [&](auto done) { service.synchronize({ imported }, preferences, done); });
    if (!result)
        std::printf("sync: no answer\n");
    else if (auto* failure = std::get_if<SyncFailure>(&*result))
        std::printf("sync: failure: %s\nstatus: %s\n", failure->description.c_str(), failure->statusText().c_str());
    else
        std::printf("sync: succeeded with %zu notes\n", std::get<SyncExecution>(*result).notes.size());

    auto snapshot = awaitCompletion<SyncSourceSnapshot>(
        [&](auto done) { service.fetchSourceSnapshot(preferences, done); });
    if (snapshot)
        std::printf("snapshot: %s\n", snapshot->unreachable ? ("unreachable: " + *snapshot->unreachable).c_str() : "reachable");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--unreachable-eds-probe") == 0)
        return runUnreachableProbe(argc > 2 ? argv[2] : nullptr);
    if (argc > 2 && std::strcmp(argv[1], "--caldav-home") == 0)
        return runCalDavHomeAgent(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    registerEdsSandboxEnvironment();
    return RUN_ALL_TESTS();
}
