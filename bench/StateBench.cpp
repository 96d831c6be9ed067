// Launch and single-action costs of the state against real files.
#include "model/AppLogger.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "support/TempDir.h"
#include "sync/SyncService.h"

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <chrono>

using namespace brivet;
using namespace brivet::testing;

namespace {

struct Environment {
    ManualClock clock;
    ManualScheduler scheduler { clock };
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    FixedScreenList screens { { Rect { 0, 0, 1920, 1055 } } };
    DefaultTemplateProvider templates { clock, calendar };
    UnavailableSyncService sync;
    AppLogger logger { clock, calendar };
    TempDir dir;
    DataFolder folder { dir.path() / "Brivet" };

    std::unique_ptr<AppState> makeState(NoteRepository& notes, PreferencesStore& preferences)
    {
        return std::make_unique<AppState>(AppStateDependencies { notes, preferences, templates, sync, logger, clock,
            scheduler, screens, calendar, [](AppState&) { return std::make_unique<NullWindowManager>(); } });
    }
};

template<typename F>
double averageSeconds(int runs, F&& work)
{
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void launch_core(benchmark::State& state)
{
    Environment env;
    auto count = static_cast<std::size_t>(state.range(0));
    std::string bytes = encodeNotesFile(generateRealisticNotes(count, env.clock.now(), 42));
    (void)env.folder.ensureExists();
    writeFile(env.folder.notesFile(), bytes);
    std::string pristine = bytes;

    simdjson::dom::parser parser;
    simdjson::padded_string padded(bytes);
    double parseSeconds = averageSeconds(20, [&] { benchmark::DoNotOptimize(parser.parse(padded)); });

    for (auto _ : state) {
        state.PauseTiming();
        // Every launch starts from the same file, with visible notes to hide.
        writeFile(env.folder.notesFile(), pristine);
        state.ResumeTiming();
        JsonNoteRepository notes(env.folder, env.clock);
        JsonPreferencesStore preferences(env.folder, env.clock, env.calendar);
        auto appState = env.makeState(notes, preferences);
        env.scheduler.runDue();
        benchmark::DoNotOptimize(appState->notes().size());
        state.PauseTiming();
        appState.reset();
        state.ResumeTiming();
    }
    state.counters["parse_only_ms"] = parseSeconds * 1e3;
    state.counters["ratio_to_parse"] = benchmark::Counter(parseSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}

void toggle_linked_task(benchmark::State& state)
{
    Environment env;
    auto count = static_cast<std::size_t>(state.range(0));
    std::vector<StickyNote> notes = generateRealisticNotes(count, env.clock.now(), 7);
    // A handful of notes due today so the today board has linked lines.
    for (std::size_t i = 0; i < 5 && i < notes.size(); ++i) {
        notes[i].surfaceRole = NoteSurfaceRole::regular;
        notes[i].isCompleted = false;
        notes[i].deferredUntil.reset();
        notes[i].source = NoteSource::local;
        notes[i].dueDate = env.calendar.settingTime(env.clock.now(), 23, 0, 0);
        notes[i].tasks.clear();
    }
    (void)env.folder.ensureExists();
    writeFile(env.folder.notesFile(), encodeNotesFile(notes));
    JsonNoteRepository repository(env.folder, env.clock);
    JsonPreferencesStore preferences(env.folder, env.clock, env.calendar);
    auto appState = env.makeState(repository, preferences);
    env.scheduler.runDue();

    const StickyNote* board = nullptr;
    for (const StickyNote& note : appState->notes())
        if (note.surfaceRole == NoteSurfaceRole::todayBoard)
            board = &note;
    if (!board || board->tasks.empty()) {
        state.SkipWithError("no today board");
        return;
    }
    Uuid linked = *board->tasks.front().linkedNoteID;
    JsonNoteRepository saver(env.folder, env.clock);
    double saveSeconds = averageSeconds(5, [&] { (void)saver.save(appState->notes()); });

    for (auto _ : state) {
        appState->toggleExecutionNoteCompletion(linked);
        benchmark::ClobberMemory();
    }
    state.counters["save_notes_ms"] = saveSeconds * 1e3;
    state.counters["ratio_to_save"] = benchmark::Counter(saveSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(launch_core)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(toggle_linked_task)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
