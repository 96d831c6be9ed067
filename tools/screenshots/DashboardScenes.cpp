// The dashboard's pages rendered in a 1080 × 720 window: the overview (top,
// task view, sources), the note editor over it, the board gallery, the sync
// center (before and after reading the lists of a private Evolution Data
// Server, and after a sync from it) and the settings, scrolled to each of
// its later sections.

// GLib's headers name a field `signals`; they come before Qt's macro.
#ifdef BRIVET_HAVE_EDS
#include "EdsSandbox.h"
#include "sync/eds/EdsSyncService.h"
#endif

#include "ScenePalettes.h"
#include "Scenes.h"

#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardView.h"
#include "dashboard/FilterChip.h"
#include "dashboard/NoteListView.h"
#include "dashboard/ReminderSettingsSection.h"
#include "dashboard/SettingsView.h"
#include "dashboard/ShortcutSettingsSection.h"
#include "dashboard/ToggleSwitch.h"
#include "model/AppLogger.h"
#include "model/BackupArchive.h"
#include "model/Clock.h"
#include "model/NoteRepository.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "state/WindowManaging.h"
#include "sync/SyncService.h"
#include "ui/GlobalShortcuts.h"
#include "ui/PortalShortcuts.h"
#include "ui/QtScheduler.h"
#include "ui/X11KeyGrabs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeySequenceEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace brivet {

namespace {

using namespace std::chrono_literals;

class ShotClock final : public Clock {
public:
    explicit ShotClock(Instant now)
        : m_now(now) { }
    Instant now() const override { return m_now; }

private:
    Instant m_now;
};

class ShotNotes final : public NoteRepository {
public:
    std::vector<StickyNote> notes;
    std::vector<StickyNote> loadNotes() override { return notes; }
    Status save(const std::vector<StickyNote>& saved) override
    {
        notes = saved;
        return Status::success();
    }
};

class ShotPreferences final : public PreferencesStore {
public:
    AppPreferences preferences;
    AppPreferences loadPreferences() override { return preferences; }
    Status save(const AppPreferences& saved) override
    {
        preferences = saved;
        return Status::success();
    }
};

// No desktop windows in these shots: only the dashboard is drawn.
class NoWindows final : public WindowManaging {
public:
    void reconcile(const std::vector<StickyNote>&, const AppPreferences&) override { }
    void focus(const Uuid&) override { }
};

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

StickyNote note(const std::string& title, NoteSource source, Instant now)
{
    StickyNote result = StickyNote::placeholder(Uuid::random(), now);
    result.title = title;
    result.source = source;
    result.isHidden = true;
    if (source == NoteSource::reminders)
        result.category = "工作";
    if (source == NoteSource::calendar)
        result.category = "日历";
    return result;
}

std::vector<StickyNote> sampleNotes(Instant now)
{
    auto hours = [now](int h) { return now + std::chrono::hours(h); };
    std::vector<StickyNote> notes;

    StickyNote report = note("提交周报", NoteSource::local, hours(-30));
    report.dueDate = hours(3);
    report.isHidden = false;
    report.details = "本周进展、风险和下周计划。";
    report.tasks = { NoteTask { Uuid::random(), "汇总各项目进展", true }, NoteTask { Uuid::random(), "补充风险说明" },
        NoteTask { Uuid::random(), "发给团队负责人" } };
    StickyNote call = note("给客户回电话", NoteSource::reminders, hours(-5));
    call.dueDate = hours(2);
    call.priority = NotePriority::high;
    StickyNote review = note("设计评审会", NoteSource::calendar, hours(-50));
    review.dueDate = hours(6);
    StickyNote quarterly = note("整理季度复盘材料", NoteSource::local, hours(-20));
    quarterly.dueDate = hours(26);
    quarterly.tasks = { NoteTask { Uuid::random(), "导出销售数据" }, NoteTask { Uuid::random(), "约产品和设计过一遍" } };
    StickyNote shopping = note("采购办公用品", NoteSource::local, hours(-2));
    shopping.deferredUntil = hours(23);
    StickyNote reading = note("阅读《深度工作》第三章", NoteSource::local, hours(-1));
    reading.details = "做读书笔记，摘出三条可以马上用的方法。";
    StickyNote domain = note("续订公司域名", NoteSource::reminders, hours(-70));
    domain.dueDate = hours(72);
    StickyNote done = note("健身计划", NoteSource::local, hours(-90));
    done.isCompleted = true;
    done.tasks = { NoteTask { Uuid::random(), "周一 跑步", true }, NoteTask { Uuid::random(), "周三 力量", true } };

    StickyNote today = note("今日焦点", NoteSource::local, hours(-1));
    today.surfaceRole = NoteSurfaceRole::todayBoard;
    today.category = "桌面执行层";
    today.group = "场景板";
    today.isHidden = false;
    today.dueDate = hours(13);
    today.tasks = { NoteTask { Uuid::random(), "本地 · 提交周报", false, report.id, NoteSource::local, report.dueDate },
        NoteTask { Uuid::random(), "提醒 · 给客户回电话", false, call.id, NoteSource::reminders, call.dueDate } };
    StickyNote launch = note("发布前检查", NoteSource::local, hours(-3));
    launch.surfaceRole = NoteSurfaceRole::customBoard;
    launch.category = "桌面执行层";
    launch.group = "场景板";
    launch.tasks = { NoteTask { Uuid::random(), "回归测试通过" }, NoteTask { Uuid::random(), "更新发布说明" } };

    notes = { report, call, review, quarterly, shopping, reading, domain, done, today, launch };
    return notes;
}

// The dark look, its buttons a step lighter on the dashboard's window.
QPalette darkPalette()
{
    QPalette p = sceneDarkPalette();
    p.setColor(QPalette::Button, QColor(52, 52, 56));
    return p;
}

// A state with prepared notes and a dashboard in a plain 1080 × 720 window.
struct Scene {
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    ShotClock clock { *calendar.instant(UserCalendar::Components { 2026, 12, 5, 10, 0, 0 }) };
    QtScheduler scheduler;
    FixedScreenList screens { { Rect { 0, 0, 1920, 1040 } } };
    std::unique_ptr<DefaultTemplateProvider> templates;
    std::unique_ptr<AppLogger> logger;
    ShotNotes notes;
    ShotPreferences preferences;
    // A backups folder of its own, with two backups, one of them damaged.
    QTemporaryDir dataFolder;
    std::unique_ptr<BackupArchive> backups;
    std::unique_ptr<AppState> state;
    std::unique_ptr<QWidget> window;
    DashboardView* view = nullptr;

    void start(SyncService& sync, std::vector<StickyNote> stored)
    {
        templates = std::make_unique<DefaultTemplateProvider>(clock, calendar);
        logger = std::make_unique<AppLogger>(clock, calendar);
        preferences.preferences = AppPreferences::defaultValue(calendar, clock.now());
        preferences.preferences.autoGenerateFocusBoard = false;
        notes.notes = std::move(stored);
        backups = std::make_unique<BackupArchive>(
            DataFolder(dataFolder.path().toStdString() + "/Brivet"), clock, calendar, logger.get());
        backups->keep(notes.notes, preferences.preferences);
        if (auto damaged = backups->keep({}, preferences.preferences); std::holds_alternative<BackupEntry>(damaged)) {
            FILE* file = std::fopen((std::get<BackupEntry>(damaged).folder / "notes.json").c_str(), "w");
            if (file) {
                std::fputs("{\"notes\": [", file);
                std::fclose(file);
            }
        }
        state = std::make_unique<AppState>(AppStateDependencies { notes, preferences, *templates, sync, *logger, clock,
            scheduler, screens, calendar, [](AppState&) { return std::make_unique<NoWindows>(); }, SaveThread::writer,
            nullptr, nullptr, backups.get() });
        // Lets the launch run; it hides every note.
        wait(30);
    }

    // Puts the prepared cards that were on the desktop back there.
    void reveal(const std::vector<StickyNote>& prepared)
    {
        for (const StickyNote& stored : prepared)
            if (!stored.isHidden)
                state->reveal(stored.id, SurfacePolicy::bypass, WindowFocus::keep);
    }

    void open(DashboardDestination destination)
    {
        state->setDashboardDestination(destination);
        window = std::make_unique<QWidget>();
        window->setWindowTitle(QStringLiteral("悬笺控制台"));
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new DashboardView(*state, scheduler, window.get());
        layout->addWidget(view);
        window->resize(1080, 720);
        window->show();
        wait(120);
    }

    ~Scene()
    {
        window.reset();
        state.reset();
    }
};

// Hands the dashboard window, once it has settled, to the visitor.
class Shooter {
public:
    explicit Shooter(SceneVisitor& visitor)
        : m_visitor(visitor) { }
    void operator()(QWidget* window, const QString& name)
    {
        wait(80);
        if (m_visitor.visit(SceneShot { name, SceneSurface::dashboard, dark, { window }, [window] { return window->grab().toImage(); } }))
            ++m_written;
    }
    int written() const { return m_written; }
    bool dark = false;

private:
    SceneVisitor& m_visitor;
    int m_written = 0;
};

void scrollTo(DashboardOverviewView* overview, QWidget* target, int above)
{
    QWidget* page = overview->scrollArea()->widget();
    int y = target->mapTo(page, QPoint(0, 0)).y() - above;
    overview->scrollArea()->verticalScrollBar()->setValue(y);
}

void scrollToEnd(QWidget* page)
{
    if (auto* scroll = page->findChild<QScrollArea*>()) {
        scroll->widget()->adjustSize();
        QCoreApplication::processEvents();
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    }
}

void shootPages(Shooter& shoot, bool dark)
{
    QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
    shoot.dark = dark;
    UnavailableSyncService sync;
    Scene scene;
    std::vector<StickyNote> prepared = sampleNotes(scene.clock.now());
    scene.start(sync, prepared);
    scene.reveal(prepared);
    scene.open(DashboardDestination::today);
    DashboardOverviewView* overview = scene.view->overview();
    shoot(scene.window.get(), QStringLiteral("dashboard-overview") + suffix);

    scrollTo(overview, overview->chip(DashboardOverviewFilter::today), 60);
    shoot(scene.window.get(), QStringLiteral("dashboard-task-view") + suffix);
    if (dark)
        return;

    overview->selectFilter(DashboardOverviewFilter::sources);
    scrollTo(overview, overview->chip(DashboardOverviewFilter::today), 60);
    shoot(scene.window.get(), QStringLiteral("dashboard-sources"));
    overview->setSearchText(QStringLiteral("周报"));
    shoot(scene.window.get(), QStringLiteral("dashboard-search"));
    overview->setSearchText({});
    overview->selectFilter(DashboardOverviewFilter::deferred);
    shoot(scene.window.get(), QStringLiteral("dashboard-deferred"));
    overview->selectFilter(DashboardOverviewFilter::today);
    overview->scrollArea()->verticalScrollBar()->setValue(0);

    overview->edit(prepared[0].id);
    wait(DashboardOverviewView::editorAnimationMilliseconds + 150);
    shoot(scene.window.get(), QStringLiteral("dashboard-editor"));
    overview->discardEditor();
    wait(DashboardOverviewView::editorAnimationMilliseconds + 150);
    overview->edit(prepared[2].id);
    wait(DashboardOverviewView::editorAnimationMilliseconds + 150);
    shoot(scene.window.get(), QStringLiteral("dashboard-editor-calendar"));
    overview->discardEditor();
    wait(DashboardOverviewView::editorAnimationMilliseconds + 150);

    scene.state->setDashboardDestination(DashboardDestination::boards);
    shoot(scene.window.get(), QStringLiteral("dashboard-boards"));
    scene.state->setDashboardDestination(DashboardDestination::sync);
    shoot(scene.window.get(), QStringLiteral("dashboard-sync"));
    scrollToEnd(scene.view->syncCenter());
    shoot(scene.window.get(), QStringLiteral("dashboard-sync-sources"));
    // No store answers: the lists cannot be read and a sync fails.
    scene.view->syncCenter()->refreshButton()->click();
    scene.state->updatePreferences([](AppPreferences& p) { p.selectedReminderListIDs = { "gone-list" }; });
    scene.view->syncCenter()->syncButton()->click();
    wait(60);
    scrollToEnd(scene.view->syncCenter());
    shoot(scene.window.get(), QStringLiteral("dashboard-sync-unreachable"));
    scene.state->setDashboardDestination(DashboardDestination::settings);
    shoot(scene.window.get(), QStringLiteral("dashboard-settings"));
    scene.state->exportNotes(scene.state->notes(), ExportFormat::json,
        scene.dataFolder.path().toStdString() + "/悬笺便签.json");
    wait(200); // the backups' note counts come from a thread of their own
    scrollToEnd(scene.view->settings());
    shoot(scene.window.get(), QStringLiteral("dashboard-settings-backups"));

    // Two notes deleted: the undo bar for the last, then the trash.
    scene.state->deleteNote(prepared[1].id);
    scene.state->deleteNote(prepared[0].id);
    shoot(scene.window.get(), QStringLiteral("dashboard-undo-bar"));
    scene.view->showTrash();
    shoot(scene.window.get(), QStringLiteral("dashboard-trash"));
}

// The X server as the shots want it: every key free but those another
// program holds.
class ShotKeyGrabs final : public X11KeyGrabs {
public:
    explicit ShotKeyGrabs(std::vector<std::string> heldElsewhere)
        : X11KeyGrabs(nullptr)
        , m_heldElsewhere(std::move(heldElsewhere))
    {
    }
    std::vector<Outcome> grab(const std::vector<Request>& requests) override
    {
        std::vector<Outcome> outcomes;
        for (const Request& request : requests) {
            bool held = std::find(m_heldElsewhere.begin(), m_heldElsewhere.end(), request.chord.toString())
                != m_heldElsewhere.end();
            outcomes.push_back({ request.id, held ? Result::heldElsewhere : Result::taken });
        }
        return outcomes;
    }

private:
    std::vector<std::string> m_heldElsewhere;
};

// Scrolls the settings page so that `section` starts near its top.
void scrollToSection(SettingsView* settings, QWidget* section)
{
    auto* scroll = settings->findChild<QScrollArea*>();
    if (!scroll || !section)
        return;
    scroll->widget()->adjustSize();
    QCoreApplication::processEvents();
    scroll->verticalScrollBar()->setValue(section->mapTo(scroll->widget(), QPoint(0, 0)).y() - 24);
}

// The settings' "提醒" (on, and with notices off) and "快捷键" with the keys
// grabbed on X, one of them held by another program.
void shootSettingsSections(Shooter& shoot, bool dark)
{
    QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
    shoot.dark = dark;
    UnavailableSyncService sync;
    Scene scene;
    scene.start(sync, sampleNotes(scene.clock.now()));
    // The section finds the app's shortcuts among the application's children.
    auto shortcuts = std::make_unique<GlobalShortcuts>(
        std::vector<GlobalShortcuts::Action> { { "new-note", "新建悬笺", "Alt+Meta+N" },
            { "today-board", "生成今日桌面板", "Alt+Meta+B" }, { "toggle-notes", "显示或隐藏桌面悬笺", "Alt+Meta+H" },
            { "open-panel", "打开面板", "Alt+Meta+P" } },
        [](const std::string&) {}, nullptr, std::make_unique<ShotKeyGrabs>(std::vector<std::string> { "Alt+Meta+P" }),
        QCoreApplication::instance());
    shortcuts->start({});
    scene.open(DashboardDestination::settings);
    SettingsView* settings = scene.view->settings();

    scrollToSection(settings, settings->findChild<ReminderSettingsSection*>());
    shoot(scene.window.get(), QStringLiteral("dashboard-settings-reminders") + suffix);
    if (!dark) {
        settings->findChild<ReminderSettingsSection*>()->enabledSwitch()->click();
        shoot(scene.window.get(), QStringLiteral("dashboard-settings-reminders-off"));
    }

    auto* keys = settings->findChild<ShortcutSettingsSection*>();
    scrollToSection(settings, keys);
    shoot(scene.window.get(), QStringLiteral("dashboard-settings-shortcuts") + suffix);
    if (!dark) {
        // A key without Ctrl, Alt or Super is refused with a reason.
        keys->keyEditor(QStringLiteral("new-note"))->setKeySequence(QKeySequence(Qt::SHIFT | Qt::Key_N));
        emit keys->keyEditor(QStringLiteral("new-note"))->editingFinished();
        shoot(scene.window.get(), QStringLiteral("dashboard-settings-shortcuts-refused"));
    }
    scene.window.reset();
    shortcuts.reset();
}

#ifdef BRIVET_HAVE_EDS
bool putTask(testing::EdsSandbox& eds, const std::string& list, const std::string& uid, const std::string& summary,
    Instant due)
{
    ECalClient* client = eds.client(list, true);
    if (!client)
        return false;
    std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::seconds>(due));
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", std::gmtime(&seconds));
    std::string ical = "BEGIN:VTODO\r\nUID:" + uid + "\r\nSUMMARY:" + summary + "\r\nDUE:" + stamp + "\r\nEND:VTODO\r\n";
    ICalComponent* component = i_cal_component_new_from_string(ical.c_str());
    if (!component)
        return false;
    gchar* created = nullptr;
    gboolean ok = e_cal_client_create_object_sync(client, component, E_CAL_OPERATION_FLAG_NONE, &created, nullptr, nullptr);
    g_object_unref(component);
    g_free(created);
    return ok;
}

void shootSyncWithEds(Shooter& shoot)
{
    if (auto missing = testing::EdsSandbox::missingTools()) {
        std::fprintf(stderr, "brivet-screenshots: no sync center with Evolution Data Server: %s\n", missing->c_str());
        return;
    }
    testing::EdsSandbox eds;
    if (auto error = eds.start()) {
        std::fprintf(stderr, "brivet-screenshots: private Evolution Data Server did not start: %s\n", error->c_str());
        return;
    }
    using Settings = testing::EdsSandbox::SourceSettings;
    for (const Settings& source : { Settings { "shot-work", "工作", true, "local", "#FF9500" },
             Settings { "shot-home", "家庭", true, "local", "#34C759" }, Settings { "shot-reading", "读书清单", true, "local", "#AF52DE" },
             Settings { "shot-team", "团队日历", false, "local", "#007AFF" }, Settings { "shot-holiday", "节假日", false, "local", std::nullopt } })
        if (auto error = eds.addSource(source)) {
            std::fprintf(stderr, "brivet-screenshots: %s\n", error->c_str());
            return;
        }

    Scene scene;
    Instant now = scene.clock.now();
    putTask(eds, "shot-work", "shot-1", "准备季度汇报", now + 26h);
    putTask(eds, "shot-work", "shot-2", "回复合作方邮件", now + 3h);
    putTask(eds, "shot-home", "shot-3", "交物业费", now + 50h);
    std::unique_ptr<SyncService> sync = makeEdsSyncService(scene.clock, scene.calendar);
    scene.start(*sync, {});
    scene.open(DashboardDestination::sync);
    DashboardSyncCenterView* center = scene.view->syncCenter();
    center->refreshButton()->click();
    if (!waitFor([&] { return scene.state->syncSources().remindersAuthorized; }, 20000)) {
        std::fprintf(stderr, "brivet-screenshots: the private Evolution Data Server sent no lists\n");
        return;
    }
    wait(100);
    for (const auto& [title, toggle] : center->sourceRows(SyncSourceKind::reminderList))
        if (title != QStringLiteral("读书清单"))
            toggle->click();
    scrollToEnd(center);
    shoot(scene.window.get(), QStringLiteral("dashboard-sync-eds"));

    center->syncButton()->click();
    waitFor([&] { return scene.state->lastSyncReport().has_value() && !scene.state->isSyncing(); }, 20000);
    wait(50);
    scrollToEnd(center);
    shoot(scene.window.get(), QStringLiteral("dashboard-sync-eds-after-sync"));
    scene.window.reset();
    scene.state.reset();
    sync.reset();
}
#endif

} // namespace

int visitDashboardScenes(SceneVisitor& visitor)
{
    Shooter shoot(visitor);
    QPalette original = QApplication::palette();
    shootPages(shoot, false);
    shootSettingsSections(shoot, false);
    QApplication::setPalette(darkPalette());
    shootPages(shoot, true);
    shootSettingsSections(shoot, true);
    QApplication::setPalette(original);
#ifdef BRIVET_HAVE_EDS
    shoot.dark = false;
    if (visitor.wantsStoreScenes())
        shootSyncWithEds(shoot);
#endif
    return shoot.written();
}

} // namespace brivet
