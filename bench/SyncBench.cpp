// Cost of one sync on the in-memory store: N notes and N reminders, a third
// of the notes linked to reminders (a tenth of those edited since the last
// sync, so they are written back), the rest of the reminders imported anew.
#include "model/UserCalendar.h"
#include "support/InMemoryEventStore.h"
#include "support/ManualClock.h"
#include "sync/ReminderSyncEngine.h"

#include <benchmark/benchmark.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

void syncEngine(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    const Instant now = clock.now();
    auto owned = std::make_unique<InMemoryEventStore>(clock);
    InMemoryEventStore& store = *owned;
    ReminderSyncEngine service(std::move(owned), clock, calendar);
    store.addList("work", "工作");

    AppPreferences preferences = AppPreferences::defaultValue(calendar, now);
    preferences.selectedReminderListIDs = { "work" };
    preferences.includeCalendarEvents = false;

    std::vector<StickyNote> notes;
    notes.reserve(count);
    store.reminders.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string id = "reminder-" + std::to_string(i);
        StoreReminder& reminder = store.addReminder(id, "work", "提醒 " + std::to_string(i),
            now + std::chrono::hours(1 + static_cast<int>(i % 150)), now - std::chrono::hours(48));
        reminder.priority = static_cast<int>(i % 10);

        StickyNote note = StickyNote::placeholder(Uuid::random(), now - std::chrono::hours(24));
        note.title = "便签 " + std::to_string(i);
        if (i % 3 == 0) {
            note.source = NoteSource::reminders;
            note.syncToReminders = true;
            note.externalLink = ExternalLink { NoteSource::reminders, id, now - std::chrono::hours(12), reminder.lastModifiedDate };
            if (i % 30 == 0)
                note.updatedAt = now - std::chrono::hours(1);
        }
        notes.push_back(std::move(note));
    }

    std::size_t resultSize = 0;
    for (auto _ : state) {
        service.synchronize(notes, preferences, [&](SyncService::SyncResult result) {
            resultSize = std::get<SyncExecution>(result).notes.size();
        });
        benchmark::DoNotOptimize(resultSize);
    }
    state.counters["notes_out"] = static_cast<double>(resultSize);
}

} // namespace

BENCHMARK(syncEngine)->Name("sync_engine")->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
