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
#include <optional>

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
    SaveThread saveThread = SaveThread::writer;

    std::unique_ptr<AppState> makeState(NoteRepository& notes, PreferencesStore& preferences)
    {
        return std::make_unique<AppState>(AppStateDependencies { notes, preferences, templates, sync, logger, clock,
            scheduler, screens, calendar, [](AppState&) { return std::make_unique<NullWindowManager>(); }, saveThread });
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

// Writes `count` generated notes into the environment's folder, the first
// five open, local and due today so the today board has linked lines.
void writeNotesWithFiveDueToday(Environment& env, std::size_t count, unsigned seed)
{
    std::vector<StickyNote> notes = generateRealisticNotes(count, env.clock.now(), seed);
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
}

void toggle_linked_task(benchmark::State& state)
{
    Environment env;
    auto count = static_cast<std::size_t>(state.range(0));
    writeNotesWithFiveDueToday(env, count, 7);
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

// Where the saves of the benchmarks below run: range(1) 0 is the writer
// thread the app uses, 1 the calling thread (every save written, fsynced
// and renamed before the operation returns, as saves used to be).
SaveThread saveThreadOf(const benchmark::State& state)
{
    return state.range(1) == 0 ? SaveThread::writer : SaveThread::caller;
}

// How long one tick of a linked task line keeps the UI thread busy on a
// store of real files: the operation as the card calls it, with its
// immediate save as far as it happens on the calling thread. Between ticks
// (untimed) everything handed to the writer is written, so no tick waits
// for an earlier one's disk.
void tick_ui_thread(benchmark::State& state)
{
    Environment env;
    env.saveThread = saveThreadOf(state);
    auto count = static_cast<std::size_t>(state.range(0));
    writeNotesWithFiveDueToday(env, count, 11);
    JsonNoteRepository repository(env.folder, env.clock);
    JsonPreferencesStore preferences(env.folder, env.clock, env.calendar);
    auto appState = env.makeState(repository, preferences);
    env.scheduler.runDue();
    appState->flushPendingSaves();

    std::optional<Uuid> linked;
    for (const StickyNote& note : appState->notes())
        if (note.surfaceRole == NoteSurfaceRole::todayBoard && !note.tasks.empty())
            linked = note.tasks.front().linkedNoteID;
    if (!linked) {
        state.SkipWithError("no today board");
        return;
    }
    for (auto _ : state) {
        appState->toggleExecutionNoteCompletion(*linked);
        state.PauseTiming();
        appState->flushPendingSaves();
        state.ResumeTiming();
    }
}

// The same for the debounced save after an edit of a title: the edit and
// the save task, when its delay has passed, on the UI thread.
void edit_title_ui_thread(benchmark::State& state)
{
    Environment env;
    env.saveThread = saveThreadOf(state);
    auto count = static_cast<std::size_t>(state.range(0));
    (void)env.folder.ensureExists();
    writeFile(env.folder.notesFile(), encodeNotesFile(generateRealisticNotes(count, env.clock.now(), 13)));
    JsonNoteRepository repository(env.folder, env.clock);
    JsonPreferencesStore preferences(env.folder, env.clock, env.calendar);
    auto appState = env.makeState(repository, preferences);
    env.scheduler.runDue();
    appState->flushPendingSaves();
    Uuid id = appState->notes().front().id;
    int round = 0;
    for (auto _ : state) {
        appState->updateNoteTitle(id, "标题 " + std::to_string(++round));
        env.scheduler.advance(AppState::notesSaveDelay);
        state.PauseTiming();
        appState->flushPendingSaves();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(launch_core)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(toggle_linked_task)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(tick_ui_thread)->ArgNames({ "notes", "on_caller" })->Args({ 10000, 0 })->Args({ 10000, 1 })
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(edit_title_ui_thread)->ArgNames({ "notes", "on_caller" })->Args({ 10000, 0 })->Args({ 10000, 1 })
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
