#include "app/BrivetShell.h"

#include "app/AppIcon.h"
#include "app/ApplicationBus.h"
#include "app/InstanceServer.h"
#include "app/ShortcutDefaults.h"
#include "app/TrayController.h"
#include "dashboard/DashboardWindow.h"
#include "desktop/NoteBoardFace.h"
#include "menubar/MenuBarContentView.h"
#include "model/AppLogger.h"
#include "model/BackupArchive.h"
#include "model/Clock.h"
#include "model/JsonStores.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "sync/SyncService.h"
#include "ui/DeleteUndoNotices.h"
#include "ui/DesktopNotifications.h"
#include "ui/GlobalShortcuts.h"
#include "ui/PortalShortcuts.h"
#include "ui/QtScheduler.h"
#include "ui/QtScreenList.h"
#include "ui/ReminderDesktopNotices.h"
#include "ui/StateBridge.h"
#include "ui/X11KeyGrabs.h"
#include "ui/X11WindowHints.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>

#include <malloc.h>

#ifdef HAVE_BRIVET_EDS
#include "sync/eds/EdsModule.h"
#endif
#include "desktop/NoteWindowManager.h"

namespace brivet {

BrivetShell::BrivetShell(DataFolder folder, std::future<JsonNoteRepository::LoadResult> prefetchedNotes,
    std::future<std::unique_ptr<UserCalendar>> preparedCalendar, QObject* parent)
    : QObject(parent)
    , m_clock(std::make_unique<SystemClock>())
    , m_calendar(preparedCalendar.valid() ? preparedCalendar.get() : std::make_unique<UserCalendar>())
    , m_scheduler(std::make_unique<QtScheduler>())
    , m_screens(std::make_unique<QtScreenList>())
{
    m_logger = std::make_unique<AppLogger>(*m_clock, *m_calendar, makeJournaldSink());
    m_backups = std::make_unique<BackupArchive>(folder, *m_clock, *m_calendar, m_logger.get());
    m_repository = std::make_unique<JsonNoteRepository>(folder, *m_clock, m_logger.get());
    m_repository->setBackups(m_backups.get());
    if (prefetchedNotes.valid()) {
        // A large file is still being read: the time until it is in goes
        // to loading what the first card's text needs.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            NoteBoardFace::loadFonts([&prefetchedNotes] {
                return prefetchedNotes.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            });
        m_repository->usePrefetched(std::move(prefetchedNotes));
    }
    m_preferencesStore = std::make_unique<JsonPreferencesStore>(folder, *m_clock, *m_calendar, m_logger.get());
    m_syncLogStore = std::make_unique<JsonSyncLogStore>(folder.path() / "sync-log.json", *m_clock, m_logger.get());
    m_trashStore = std::make_unique<JsonTrashStore>(folder, *m_clock, m_logger.get());
    m_preferencesStore->setBackups(m_backups.get());
    m_templates = std::make_unique<DefaultTemplateProvider>(*m_clock, *m_calendar);
#ifdef HAVE_BRIVET_EDS
    // The store is loaded on the first sync or source listing. Listening to
    // it (automatic sync on) loads it too, but only a moment after launch,
    // once the first windows are up.
    QtScheduler* deferScheduler = m_scheduler.get();
    m_syncService = makeEdsModuleSyncService(*m_clock, *m_calendar, EdsModule::besideExecutable(), m_logger.get(),
        [deferScheduler](std::function<void()> work) { deferScheduler->schedule(Duration(1000), std::move(work)); });
#endif
    if (!m_syncService)
        m_syncService = std::make_unique<UnavailableSyncService>();

    QtScheduler* scheduler = m_scheduler.get();
    WindowManagerFactory windows = [scheduler](AppState& state) -> std::unique_ptr<WindowManaging> {
        return std::make_unique<NoteWindowManager>(state, *scheduler);
    };
    m_state = std::make_unique<AppState>(AppStateDependencies {
        *m_repository, *m_preferencesStore, *m_templates, *m_syncService, *m_logger, *m_clock, *m_scheduler, *m_screens,
        *m_calendar, std::move(windows), SaveThread::writer, m_syncLogStore.get(), m_trashStore.get(),
        m_backups.get() });
    // Reading the notes file frees buffers several times its size; once
    // launch is over and the first cards are up, hand the freed heap back so
    // an idle app stays small.
    m_scheduler->schedule(Duration(2000), [] { malloc_trim(0); });

    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &BrivetShell::flush);
        if (auto* gui = qobject_cast<QGuiApplication*>(app))
            connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { flush(); });
    }
}

BrivetShell::~BrivetShell()
{
    flush();
    // The views go first, then the state (and its windows), then the
    // services it refers to.
    m_reminderNotices.reset();
    delete m_shortcuts;
    m_undoNotices.reset();
    m_notifications.reset();
    m_noticeBridge.reset();
    m_bus.reset();
    m_instanceServer.reset();
    m_tray.reset();
    m_panel.reset();
    m_dashboard.reset();
    m_state.reset();
}

void BrivetShell::startInterface()
{
    m_dashboard = std::make_unique<DashboardWindow>(*m_state, *m_scheduler);
    // The first cards go up now rather than from the task the state queued
    // for them: the event loop's first steps (the accessibility bridge
    // connecting to the session bus) would otherwise come first.
    m_state->finishLaunch();
    // The icon and the tray item follow the cards: the cards are what is
    // looked at first, the icon appears a moment later. Asking whether a
    // tray host runs goes over the session bus, so it waits for the icon
    // too.
    m_scheduler->schedule(Duration(0), [this] {
        startTray();
        startDeleteNotices();
        startShortcuts();
    });
}

void BrivetShell::startDeleteNotices()
{
    m_noticeBridge = std::make_unique<StateBridge>();
    m_noticeBridge->attach(*m_state);
    m_notifications = std::make_unique<DesktopNotifications>([this](const QString& why) {
        m_logger->log("Desktop notifications are unavailable (" + why.toStdString()
            + "); deleted notes are restored from the dashboard's trash, due and returning notes show only in the app");
    });
    m_undoNotices = std::make_unique<DeleteUndoNotices>(*m_state, *m_noticeBridge, *m_notifications,
        [this] { return m_dashboard && m_dashboard->isActiveWindow(); });
    m_reminderNotices = std::make_unique<ReminderDesktopNotices>(*m_state, *m_scheduler, *m_notifications,
        [this] { presentDashboard(); });
}

void BrivetShell::startShortcuts()
{
    xcb_connection_t* x11 = X11WindowHints::connection();
    m_shortcuts = new GlobalShortcuts(
        shortcutActions(), [this](const std::string& line) { m_logger->log(line); },
        std::make_unique<PortalShortcuts>(QDBusConnection::sessionBus()),
        x11 ? std::make_unique<X11KeyGrabs>(x11) : nullptr, QCoreApplication::instance());
    connect(m_shortcuts, &GlobalShortcuts::activated, this, [this](const QString& id) {
        if (auto action = desktopActionNamed(id.toStdString()))
            perform(*action);
    });
    connect(m_noticeBridge.get(), &StateBridge::preferencesChanged, m_shortcuts,
        [this] { m_shortcuts->setChoices(m_state->preferences().globalShortcuts); });
    m_shortcuts->start(m_state->preferences().globalShortcuts);
}

void BrivetShell::startTray()
{
    QIcon icon = applicationIcon();
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);
    if (!TrayController::isHostAvailable()) {
        m_logger->log("No system tray host is running; opening the dashboard instead");
        presentDashboard();
    }

    m_tray = std::make_unique<TrayController>(*m_state, icon);
    connect(m_tray.get(), &TrayController::panelToggleRequested, this, [this](const QRect& anchor) {
        MenuBarContentView& view = panel();
        if (view.isVisible())
            view.dismiss();
        else if (!view.wasJustDismissed())
            view.popUp(anchor);
    });
    connect(m_tray.get(), &TrayController::dashboardRequested, this, &BrivetShell::presentDashboard);
    connect(m_tray.get(), &TrayController::quitRequested, this, &BrivetShell::quit);
    // Shown even without a host: the icon appears once one does.
    m_tray->show();
}

MenuBarContentView& BrivetShell::panel()
{
    // Not built at launch: nobody sees it before the first click on the
    // tray icon, and building it costs as much as a card.
    if (!m_panel) {
        m_panel = std::make_unique<MenuBarContentView>(*m_state, *m_scheduler);
        connect(m_panel.get(), &MenuBarContentView::dashboardRequested, this, &BrivetShell::presentDashboard);
        connect(m_panel.get(), &MenuBarContentView::quitRequested, this, &BrivetShell::quit);
    }
    return *m_panel;
}

void BrivetShell::acceptHandOvers(const std::optional<std::filesystem::path>& socket)
{
    // After the tray's start, queued behind the first cards: connecting
    // to the bus blocks, the name's answer does not.
    m_scheduler->schedule(Duration(0), [this] {
        m_bus = std::make_unique<ApplicationBus>([this](const std::string& line) { m_logger->log(line); });
        // The dashboard answers the launch that brings it forward.
        auto answerStartup = [this](const QString& startupId) {
            if (!m_dashboard || startupId.isEmpty())
                return;
            m_dashboard->winId(); // the native window, to carry the launch's id
            X11WindowHints::answerStartup(m_dashboard->windowHandle(), startupId.toUtf8());
        };
        connect(m_bus.get(), &ApplicationBus::activated, this, [this, answerStartup](const QString& startupId) {
            answerStartup(startupId);
            presentDashboard();
        });
        connect(m_bus.get(), &ApplicationBus::actionRequested, this,
            [this, answerStartup](DesktopAction action, const QString& startupId) {
                if (action == DesktopAction::dashboard)
                    answerStartup(startupId);
                perform(action);
            });
        if (!m_bus->start(QDBusConnection::sessionBus()))
            m_bus.reset();
    });
    if (!socket) {
        m_logger->log("Hand-over from later launches is off: no folder private to the user for its socket");
        return;
    }
    m_instanceServer = std::make_unique<InstanceServer>();
    connect(m_instanceServer.get(), &InstanceServer::dashboardRequested, this, &BrivetShell::presentDashboard);
    if (Status status = m_instanceServer->listen(*socket); !status.ok()) {
        m_logger->log("Hand-over from later launches is off: " + status.message());
        m_instanceServer.reset();
    }
}

void BrivetShell::presentDashboard()
{
    if (m_dashboard)
        m_dashboard->present();
}

void BrivetShell::perform(DesktopAction action)
{
    switch (action) {
    case DesktopAction::newNote:
        m_state->createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::editing);
        return;
    case DesktopAction::todayBoard:
        m_state->generateTodayFocusBoard(RevealBoard::yes, NoteSizePreset::medium);
        return;
    case DesktopAction::dashboard:
        m_state->setDashboardDestination(DashboardDestination::today);
        presentDashboard();
        return;
    case DesktopAction::toggleNotes:
        m_state->toggleDesktopNotes();
        return;
    case DesktopAction::panel: {
        MenuBarContentView& view = panel();
        if (!view.isVisible())
            view.popUp(m_tray ? m_tray->iconGeometry() : QRect());
        return;
    }
    }
}

void BrivetShell::quit()
{
    // Saves are written on aboutToQuit, which every way of quitting passes.
    QCoreApplication::quit();
}

void BrivetShell::flush()
{
    if (m_state)
        m_state->flushPendingSaves();
}

} // namespace brivet
