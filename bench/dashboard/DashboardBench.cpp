// The dashboard over 10,000 notes: opening it on the overview until its
// first paint, switching a filter, typing one character into the search,
// and the memory the open dashboard adds. Runs on the offscreen platform.

#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardView.h"
#include "dashboard/NoteListView.h"
#include "ui/CardColors.h"
#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "sync/SyncService.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <fstream>
#include <memory>
#include <unistd.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

constexpr std::size_t noteCount = 10'000;

// Resident memory in bytes: all of it, or the part of it that is neither
// file-backed (code, mapped font files) nor shared.
double residentBytes(const char* field = "VmRSS:")
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::strlen(field))) * 1024.0;
    }
    return 0;
}
double anonymousBytes()
{
    return residentBytes("RssAnon:");
}

class NullWindows final : public WindowManaging {
public:
    void reconcile(const std::vector<StickyNote>&, const AppPreferences&) override { }
    void focus(const Uuid&) override { }
};

// Sets a flag when the widget it watches has painted.
class PaintWatcher final : public QObject {
public:
    bool painted = false;
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = true;
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct Environment {
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    ManualClock clock;
    ManualScheduler scheduler { clock };
    FixedScreenList screens { { Rect { 0, 0, 1920, 1055 } } };
    std::unique_ptr<DefaultTemplateProvider> templates;
    std::unique_ptr<AppLogger> logger;
    UnavailableSyncService sync;
    MemoryNoteRepository notes;
    MemoryPreferencesStore preferences;
    std::unique_ptr<AppState> state;

    Environment()
    {
        clock.set(*calendar.instant(UserCalendar::Components { 2026, 12, 5, 10, 0, 0 }));
        templates = std::make_unique<DefaultTemplateProvider>(clock, calendar);
        logger = std::make_unique<AppLogger>(clock, calendar);
        preferences.fallback = AppPreferences::defaultValue(calendar, clock.now());
        notes.stored = generateRealisticNotes(noteCount, clock.now(), 42);
        state = std::make_unique<AppState>(AppStateDependencies { notes, preferences, *templates, sync, *logger, clock,
            scheduler, screens, calendar, [](AppState&) { return std::make_unique<NullWindows>(); } });
        scheduler.runDue();
    }
};

Environment& environment()
{
    static Environment instance;
    return instance;
}

// The dashboard in a plain 1080 × 720 window, as the app hosts it.
struct OpenDashboard {
    std::unique_ptr<QWidget> window;
    DashboardView* view = nullptr;

    explicit OpenDashboard(Environment& env)
    {
        env.state->setDashboardDestination(DashboardDestination::today);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new DashboardView(*env.state, env.scheduler, window.get());
        layout->addWidget(view);
        window->resize(1080, 720);
    }

    // Shows the window and returns once it has painted: the window gets
    // the first paint event of a pass that paints every child in turn,
    // and the pass ends before processEvents returns.
    void showAndPaint()
    {
        PaintWatcher watcher;
        window->installEventFilter(&watcher);
        window->show();
        while (!watcher.painted)
            QCoreApplication::processEvents();
        window->removeEventFilter(&watcher);
        // Layout requests the first pass raised, and their repaint.
        QCoreApplication::processEvents();
    }

    // Scrolls the task list into view so that its repaints are measured.
    void showTaskList()
    {
        DashboardOverviewView* overview = view->overview();
        QWidget* page = overview->scrollArea()->widget();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        int y = overview->taskList()->mapTo(page, QPoint(0, 0)).y() - 200;
        overview->scrollArea()->verticalScrollBar()->setValue(y);
        QCoreApplication::processEvents();
    }
};

void dashboard_open_overview_until_first_paint(benchmark::State& state)
{
    Environment& env = environment();
    double before = residentBytes();
    double extra = 0;
    for (auto _ : state) {
        auto dashboard = std::make_unique<OpenDashboard>(env);
        dashboard->showAndPaint();
        state.PauseTiming();
        extra = std::max(extra, residentBytes() - before);
        dashboard.reset();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["notes"] = double(env.state->notes().size());
    state.counters["extra_MB"] = extra / (1024.0 * 1024.0);
}

void dashboard_switch_filter(benchmark::State& state)
{
    Environment& env = environment();
    OpenDashboard dashboard(env);
    dashboard.showAndPaint();
    dashboard.showTaskList();
    DashboardOverviewView* overview = dashboard.view->overview();
    // Counts that each switch really repaints the list.
    PaintWatcher listPaints;
    overview->taskList()->viewport()->installEventFilter(&listPaints);
    bool toSources = true;
    if (qEnvironmentVariableIsSet("BRIVET_BENCH_GRAB"))
        dashboard.window->grab().save(qEnvironmentVariable("BRIVET_BENCH_GRAB"));
    for (auto _ : state) {
        // Every note but the boards and deferred ones, then today's few.
        overview->selectFilter(toSources ? DashboardOverviewFilter::sources : DashboardOverviewFilter::today);
        QCoreApplication::processEvents();
        toSources = !toSources;
    }
    overview->taskList()->viewport()->removeEventFilter(&listPaints);
    state.counters["list_paints"] = listPaints.paints;
    overview->selectFilter(DashboardOverviewFilter::sources);
    state.counters["sources_rows"] = double(overview->lists().count(DashboardOverviewFilter::sources));
}

void dashboard_search_keystroke(benchmark::State& state)
{
    Environment& env = environment();
    OpenDashboard dashboard(env);
    dashboard.showAndPaint();
    DashboardOverviewView* overview = dashboard.view->overview();
    overview->selectFilter(DashboardOverviewFilter::sources);
    dashboard.showTaskList();
    // The first keystroke after a change of the notes reads every note's
    // text once; later ones reuse it.
    bool cold = state.range(0) != 0;
    bool longer = true;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            overview->setSearchText({});
            StickyNote touched = env.state->notes().front();
            env.state->update(touched);
            QCoreApplication::processEvents();
            state.ResumeTiming();
            overview->setSearchText(QStringLiteral("周"));
        } else {
            overview->setSearchText(longer ? QStringLiteral("周报") : QStringLiteral("周"));
            longer = !longer;
        }
        QCoreApplication::processEvents();
    }
    overview->setSearchText({});
}

// A note changed elsewhere (a desktop card, the tray panel) while the
// overview shows the sources list: every list and count is recomputed.
void dashboard_follow_state_change(benchmark::State& state)
{
    Environment& env = environment();
    OpenDashboard dashboard(env);
    dashboard.showAndPaint();
    dashboard.view->overview()->selectFilter(DashboardOverviewFilter::sources);
    dashboard.showTaskList();
    StickyNote note = env.state->notes()[env.state->notes().size() / 2];
    for (auto _ : state) {
        note.title += "·";
        env.state->update(note);
        QCoreApplication::processEvents();
    }
}

// What the running app has paid for before the dashboard opens: a window
// with regular and bold Chinese text, a drawn icon, buttons and inputs, as
// the desktop cards and the tray panel show them.
void warmUpWidgets()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("悬笺 今日焦点 提交周报"), &window));
    auto* title = new QLabel(QStringLiteral("整理季度复盘材料"), &window);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(new QLineEdit(QStringLiteral("整理季度复盘材料"), &window));
    layout->addWidget(new QPushButton(bundledIcon(Symbol::plus, Qt::black), QStringLiteral("完成"), &window));
    layout->addWidget(new QComboBox(&window));
    window.resize(500, 318);
    window.show();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void dashboard_memory(benchmark::State& state)
{
    Environment& env = environment();
    double coldBefore = residentBytes();
    warmUpWidgets();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    double before = residentBytes();
    double anonymousBefore = anonymousBytes();
    double extra = 0;
    double anonymousExtra = 0;
    double overviewExtra = 0;
    bool trace = qEnvironmentVariableIsSet("BRIVET_BENCH_TRACE");
    auto step = [&](const char* what) {
        if (trace)
            std::fprintf(stderr, "%-24s %+.1f MB (anonymous %+.1f MB)\n", what, (residentBytes() - before) / (1024.0 * 1024.0),
                (anonymousBytes() - anonymousBefore) / (1024.0 * 1024.0));
    };
    double coldOpenMs = 0;
    for (auto _ : state) {
        // The first opening in the process pays for what later ones reuse.
        auto started = std::chrono::steady_clock::now();
        OpenDashboard dashboard(env);
        step("built");
        dashboard.showAndPaint();
        coldOpenMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        step("overview painted");
        overviewExtra = std::max(overviewExtra, residentBytes() - before);
        DashboardOverviewView* overview = dashboard.view->overview();
        overview->selectFilter(DashboardOverviewFilter::sources);
        QCoreApplication::processEvents();
        step("sources");
        overview->setSearchText(QStringLiteral("周"));
        dashboard.showTaskList();
        step("searched");
        for (DashboardDestination page : { DashboardDestination::sync, DashboardDestination::boards, DashboardDestination::settings }) {
            env.state->setDashboardDestination(page);
            QCoreApplication::processEvents();
            step(page == DashboardDestination::sync ? "sync" : page == DashboardDestination::boards ? "boards" : "settings");
        }
        extra = std::max(extra, residentBytes() - before);
        anonymousExtra = std::max(anonymousExtra, anonymousBytes() - anonymousBefore);
    }
    state.counters["extra_MB"] = extra / (1024.0 * 1024.0);
    state.counters["cold_open_ms"] = coldOpenMs;
    state.counters["overview_only_MB"] = overviewExtra / (1024.0 * 1024.0);
    state.counters["extra_anonymous_MB"] = anonymousExtra / (1024.0 * 1024.0);
    state.counters["first_widgets_MB"] = (before - coldBefore) / (1024.0 * 1024.0);
}

} // namespace

// Memory first, before other runs leave freed heap behind.
BENCHMARK(dashboard_memory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(dashboard_open_overview_until_first_paint)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(dashboard_switch_filter)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(dashboard_follow_state_change)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(dashboard_search_keystroke)->Arg(0)->Arg(1)->ArgNames({ "cold" })->Unit(benchmark::kMillisecond)->Iterations(40);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
