// What the tray item recomputes after every state change: the status title
// and the summary line of its tooltip, over a realistic notes list.
#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "sync/SyncService.h"

#include <benchmark/benchmark.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

void tray_texts(benchmark::State& state)
{
    ManualClock clock;
    ManualScheduler scheduler { clock };
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    FixedScreenList screens { { Rect { 0, 0, 1920, 1055 } } };
    DefaultTemplateProvider templates { clock, calendar };
    UnavailableSyncService sync;
    AppLogger logger { clock, calendar };
    MemoryNoteRepository repository;
    MemoryPreferencesStore preferences;
    preferences.fallback = AppPreferences::defaultValue(calendar, clock.now());
    preferences.fallback.menuBarTitleMode = MenuBarTitleMode::currentTask;
    repository.stored = generateRealisticNotes(static_cast<std::size_t>(state.range(0)), clock.now(), 11);
    AppState appState(AppStateDependencies { repository, preferences, templates, sync, logger, clock, scheduler, screens,
        calendar, [](AppState&) { return std::make_unique<NullWindowManager>(); } });
    scheduler.runDue();

    for (auto _ : state) {
        std::string text = appState.menuBarStatusTitle() + "\n" + appState.menuBarSummaryText();
        benchmark::DoNotOptimize(text);
    }
}

} // namespace

BENCHMARK(tray_texts)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
