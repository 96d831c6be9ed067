// Importing 1,000 reminders from a CalDAV collection (a real radicale on
// loopback) through EDS's caldav backend into an empty app, and a sync of
// the same 1,000 with nothing changed, which must send the server no write.
#include "CalDavServer.h"
#include "EdsSandbox.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"
#include "sync/eds/EdsEventStore.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

constexpr int count = 1000;
constexpr int noChangeRuns = 5;
constexpr const char* listUid = "bench-caldav";

using Stopwatch = std::chrono::steady_clock;

double millisecondsSince(Stopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(Stopwatch::now() - start).count();
}

int cachedCount(ECalClient* client)
{
    GSList* components = nullptr;
    if (!e_cal_client_get_object_list_sync(client, "#t", &components, nullptr, nullptr))
        return -1;
    const int held = static_cast<int>(g_slist_length(components));
    g_slist_free_full(components, g_object_unref);
    return held;
}

std::optional<SyncExecution> synchronize(
    ReminderSyncEngine& engine, std::vector<StickyNote> notes, const AppPreferences& preferences)
{
    std::optional<SyncService::SyncResult> result;
    engine.synchronize(
        std::move(notes), preferences, [&](SyncService::SyncResult value) { result = std::move(value); });
    waitUntil([&] { return result.has_value(); }, 120s);
    if (!result || !std::holds_alternative<SyncExecution>(*result))
        return std::nullopt;
    return std::get<SyncExecution>(std::move(*result));
}

int fail(const std::string& why)
{
    std::fprintf(stderr, "caldav bench: %s\n", why.c_str());
    return 1;
}

} // namespace

int main()
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    for (auto missing : { CalDavServer::missingTools(), EdsSandbox::missingTools() }) {
        if (missing) {
            std::printf("CalDAV bench skipped: %s\n", missing->c_str());
            return 0;
        }
    }

    CalDavServer server;
    if (auto failure = server.start())
        return fail(*failure);
    const std::string url = server.addTaskCollection("bench", "tasks", "Bench Tasks");
    // As another client's uploads would leave them.
    for (int index = 0; index < count; ++index) {
        const std::string uid = "caldav-bench-" + std::to_string(index);
        server.putItemFile("bench", "tasks", uid + ".ics",
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Brivet//Bench//EN\r\nBEGIN:VTODO\r\nUID:" + uid
                + "\r\nDTSTAMP:20260101T000000Z\r\nLAST-MODIFIED:20260101T000000Z\r\nSUMMARY:Reminder "
                + std::to_string(index) + "\r\nDESCRIPTION:Notes of reminder " + std::to_string(index) + "\r\nPRIORITY:"
                + std::to_string(index % 10) + "\r\nDUE:20300115T090000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    }
    // The server reads and caches every item (flushing each to disk) on
    // its first listing, which takes radicale tens of seconds for 1,000;
    // that is the server's work, not the import's.
    if (server.request("PROPFIND", "/bench/tasks/", 60s) == 0)
        return fail("the server does not answer");

    EdsSandbox eds;
    if (auto failure = eds.start())
        return fail(*failure);

    // The import: the list is configured, EDS fetches the collection, the
    // engine syncs it into an app without notes.
    const auto importStart = Stopwatch::now();
    if (auto failure = eds.addSource({ listUid, "Bench Tasks", true, "caldav", std::nullopt, url }))
        return fail(*failure);
    ECalClient* client = eds.client(listUid);
    if (!client)
        return fail("cannot open the CalDAV list");
    int asked = 0;
    const bool fetched = waitUntil([&] {
        // The backend starts fetching when it opens; asking again only
        // matters if it did not.
        if (++asked % 100 == 0)
            e_client_refresh_sync(E_CLIENT(client), nullptr, nullptr);
        return cachedCount(client) == count;
    },
        120s);
    if (!fetched)
        return fail("EDS never held every item (" + std::to_string(cachedCount(client)) + ")");
    const double fetchMs = millisecondsSince(importStart);

    SystemClock clock;
    UserCalendar calendar("Europe/Berlin", "en_US");
    auto engineHolder
        = std::make_unique<ReminderSyncEngine>(std::make_unique<EdsEventStore>("Europe/Berlin"), clock, calendar);
    ReminderSyncEngine& engine = *engineHolder;
    AppPreferences preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.includeCalendarEvents = false;
    preferences.reminderSyncRequiresDueDate = false;
    preferences.syncDateScope = SyncDateScope::custom;
    preferences.syncStartDate = instantFromSeconds(1'800'000'000);
    preferences.syncEndDate = instantFromSeconds(2'000'000'000);
    preferences.selectedReminderListIDs = { listUid };
    const auto syncStart = Stopwatch::now();
    auto imported = synchronize(engine, {}, preferences);
    const double syncMs = millisecondsSince(syncStart);
    if (!imported || imported->report.remindersImported != count)
        return fail("the sync did not import every reminder");
    const double importMs = millisecondsSince(importStart);

    // Nothing changed: every run must leave the server alone.
    const auto before = server.storageSnapshot();
    const int writesBefore = server.writeRequestCount();
    std::vector<double> runs;
    std::vector<StickyNote> notes = imported->notes;
    for (int run = 0; run < noChangeRuns; ++run) {
        const auto start = Stopwatch::now();
        auto again = synchronize(engine, notes, preferences);
        runs.push_back(millisecondsSince(start));
        if (!again)
            return fail("a sync with nothing changed failed");
        if (again->report.remindersWritten != 0 || again->report.remindersImported != 0)
            return fail("a sync with nothing changed wrote " + std::to_string(again->report.remindersWritten)
                + " and imported " + std::to_string(again->report.remindersImported) + " reminders");
        notes = std::move(again->notes);
    }
    const int writes = server.writeRequestCount() - writesBefore;
    const bool unchanged = server.storageSnapshot() == before;
    std::sort(runs.begin(), runs.end());

    std::printf("CalDAV through EDS, %d reminders (radicale on loopback)\n", count);
    std::printf("  import into an empty app:    %8.0f ms (EDS fetch %.0f ms, engine sync %.0f ms)\n", importMs, fetchMs,
        syncMs);
    std::printf("  no-change sync (median of %d): %6.0f ms (min %.0f, max %.0f)\n", noChangeRuns, runs[runs.size() / 2],
        runs.front(), runs.back());
    std::printf("  server after the no-change syncs: %d write requests, storage %s\n", writes,
        unchanged ? "byte for byte unchanged" : "CHANGED");
    // The store lets go of its lists before their service ends.
    engineHolder.reset();
    eds.stop();
    server.stop();
    return writes == 0 && unchanged ? 0 : 1;
}
