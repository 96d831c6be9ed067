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

// Run in a child process by the unreachable-EDS test: the session bus
// address points at nothing, so the store must answer every call with an
// error instead of blocking or crashing. Prints one line per call.
int runUnreachableProbe()
{
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/brivet-no-bus", 1);

    auto store = std::make_unique<EdsEventStore>("Europe/Berlin");
    auto access = awaitCompletion<EventStore::AccessResult>(
        [&](auto done) { store->requestAccess(StoreEntityType::reminder, done); });
    if (!access)
        std::printf("access: no answer\n");
    else if (auto* error = std::get_if<StoreError>(&*access))
        std::printf("access: error: %s\n", error->description.c_str());
    else
        std::printf("access: %s\n", std::get<bool>(*access) ? "granted" : "refused");

    auto fetched = awaitCompletion<std::optional<std::vector<StoreReminder>>>(
        [&](auto done) { store->fetchReminders({}, done); });
    std::printf("fetch: %s\n", !fetched ? "no answer" : (*fetched ? "answered" : "none"));

    StoreReminder reminder;
    reminder.title = "Anything";
    reminder.sourceUid = "somewhere";
    auto saved = awaitCompletion<EventStore::SaveResult>([&](auto done) { store->saveReminder(reminder, done); });
    if (saved && std::holds_alternative<StoreError>(*saved))
        std::printf("save: error: %s\n", std::get<StoreError>(*saved).description.c_str());
    else
        std::printf("save: %s\n", saved ? "saved" : "no answer");
    std::printf("calendars: %zu\n", store->calendars(StoreEntityType::reminder).size());

    SystemClock clock;
    UserCalendar calendar("Europe/Berlin", "en_US");
    ReminderSyncEngine service(std::move(store), clock, calendar);
    AppPreferences preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.selectedReminderListIDs = { "somewhere" };
    auto result = awaitCompletion<SyncService::SyncResult>(
        [&](auto done) { service.synchronize({}, preferences, done); });
    if (!result)
        std::printf("sync: no answer\n");
    else if (auto* failure = std::get_if<SyncFailure>(&*result))
        std::printf("sync: failure: %s\n", failure->description.c_str());
    else
        std::printf("sync: succeeded\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--unreachable-eds-probe") == 0)
        return runUnreachableProbe();
    ::testing::InitGoogleTest(&argc, argv);
    registerEdsSandboxEnvironment();
    return RUN_ALL_TESTS();
}
