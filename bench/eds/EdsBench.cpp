#include "EdsSandbox.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"
#include "sync/eds/EdsEventStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace brivet;
using namespace brivet::testing;

namespace {

// One private EDS for the whole run, with a list of `count` VTODOs created
// in one batch; ended when the program exits.
class BenchEds {
public:
    static BenchEds* get()
    {
        static std::unique_ptr<BenchEds> instance = [] {
            auto eds = std::make_unique<BenchEds>();
            if (!eds->prepare())
                eds.reset();
            return eds;
        }();
        return instance.get();
    }

    ECalClient* client() { return m_sandbox.client(listUid); }
    std::string error;
    static constexpr const char* listUid = "bench-import";
    static constexpr int count = 1000;

private:
    bool prepare()
    {
        if (auto missing = EdsSandbox::missingTools()) {
            error = *missing;
            return false;
        }
        if (auto failure = m_sandbox.start()) {
            error = *failure;
            return false;
        }
        if (auto failure = m_sandbox.addSource({ listUid, "Bench Import", true, "local", std::nullopt })) {
            error = *failure;
            return false;
        }
        ECalClient* list = client();
        if (!list) {
            error = "cannot open the list";
            return false;
        }
        GSList* components = nullptr;
        for (int index = 0; index < count; ++index) {
            const std::string ical = "BEGIN:VTODO\r\nUID:bench-" + std::to_string(index) + "\r\nSUMMARY:Reminder "
                + std::to_string(index) + "\r\nDESCRIPTION:Notes of reminder " + std::to_string(index)
                + "\r\nPRIORITY:" + std::to_string(index % 10) + "\r\nDUE:20300115T090000Z\r\nEND:VTODO\r\n";
            components = g_slist_prepend(components, i_cal_component_new_from_string(ical.c_str()));
        }
        GError* failure = nullptr;
        GSList* uids = nullptr;
        const gboolean created
            = e_cal_client_create_objects_sync(list, components, E_CAL_OPERATION_FLAG_NONE, &uids, nullptr, &failure);
        g_slist_free_full(components, g_object_unref);
        g_slist_free_full(uids, g_free);
        if (!created) {
            error = failure ? failure->message : "create_objects failed";
            g_clear_error(&failure);
            return false;
        }
        return true;
    }

    EdsSandbox m_sandbox;
};

BenchEds* requireEds(benchmark::State& state)
{
    BenchEds* eds = BenchEds::get();
    if (!eds)
        state.SkipWithError("no private Evolution Data Server");
    return eds;
}

// What EDS itself takes to list the VTODOs (one D-Bus round trip).
void eds_list_direct(benchmark::State& state)
{
    BenchEds* eds = requireEds(state);
    if (!eds)
        return;
    for (auto _ : state) {
        GSList* components = nullptr;
        e_cal_client_get_object_list_sync(eds->client(), "#t", &components, nullptr, nullptr);
        benchmark::DoNotOptimize(components);
        if (static_cast<int>(g_slist_length(components)) != BenchEds::count)
            state.SkipWithError("unexpected number of VTODOs");
        g_slist_free_full(components, g_object_unref);
    }
}

// The store's fetchReminders: the same listing plus conversion, run in a
// worker and completed on the main loop.
void eds_import(benchmark::State& state)
{
    BenchEds* eds = requireEds(state);
    if (!eds)
        return;
    EdsEventStore store("Europe/Berlin");
    bool granted = false;
    store.requestAccess(StoreEntityType::reminder, [&](EventStore::AccessResult) { granted = true; });
    waitUntil([&] { return granted; });
    for (auto _ : state) {
        std::optional<EventStore::RemindersResult> result;
        store.fetchReminders({ BenchEds::listUid }, [&](auto reminders) { result = std::move(reminders); });
        waitUntil([&] { return result.has_value(); }, std::chrono::seconds(30));
        const auto* reminders = result ? std::get_if<std::vector<StoreReminder>>(&*result) : nullptr;
        if (!reminders || static_cast<int>(reminders->size()) != BenchEds::count)
            state.SkipWithError("the store did not list every reminder");
    }
}

// A whole sync through the engine importing every reminder.
void eds_sync(benchmark::State& state)
{
    BenchEds* eds = requireEds(state);
    if (!eds)
        return;
    SystemClock clock;
    UserCalendar calendar("Europe/Berlin", "en_US");
    ReminderSyncEngine service(std::make_unique<EdsEventStore>("Europe/Berlin"), clock, calendar);
    AppPreferences preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.includeCalendarEvents = false;
    preferences.reminderSyncRequiresDueDate = false;
    preferences.syncDateScope = SyncDateScope::custom;
    preferences.syncStartDate = instantFromSeconds(1'800'000'000);
    preferences.syncEndDate = instantFromSeconds(2'000'000'000);
    preferences.selectedReminderListIDs = { BenchEds::listUid };
    for (auto _ : state) {
        std::optional<SyncService::SyncResult> result;
        service.synchronize({}, preferences, [&](SyncService::SyncResult value) { result = std::move(value); });
        waitUntil([&] { return result.has_value(); }, std::chrono::seconds(30));
        if (!result || !std::holds_alternative<SyncExecution>(*result)
            || std::get<SyncExecution>(*result).report.remindersImported != BenchEds::count)
            state.SkipWithError("the sync did not import every reminder");
    }
}

} // namespace

BENCHMARK(eds_list_direct)->Name("eds_import/1000/eds_get_object_list")->Unit(benchmark::kMillisecond);
BENCHMARK(eds_import)->Name("eds_import/1000")->Unit(benchmark::kMillisecond);
BENCHMARK(eds_sync)->Name("eds_import/1000/engine_synchronize")->Unit(benchmark::kMillisecond);
