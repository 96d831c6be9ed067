#pragma once

#include "app/DesktopAction.h"
#include "model/BackupArchive.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "sync/SyncLog.h"

#include <QObject>

#include <filesystem>
#include <memory>
#include <optional>

namespace brivet {

class AppLogger;
class AppState;
class ApplicationBus;
class DashboardWindow;
class DefaultTemplateProvider;
class InstanceServer;
class JsonNoteRepository;
class JsonPreferencesStore;
class JsonTrashStore;
class DeleteUndoNotices;
class ReminderDesktopNotices;
class DesktopNotifications;
class GlobalShortcuts;
class StateBridge;
class MenuBarContentView;
class QtScheduler;
class QtScreenList;
class SyncService;
class SystemClock;
class TrayController;
class UserCalendar;

// Builds the one state object with its real collaborators, and the ways in:
// the tray item with its panel and the dashboard window. Keeps them all for
// the life of the process. Every way out goes through quit(); pending saves
// are written when the application is about to quit.
class BrivetShell final : public QObject {
    Q_OBJECT
public:
    // `prefetchedNotes`, when valid, is the notes file already being read;
    // `preparedCalendar`, when valid, the user's calendar being prepared.
    explicit BrivetShell(DataFolder folder, std::future<JsonNoteRepository::LoadResult> prefetchedNotes = {},
        std::future<std::unique_ptr<UserCalendar>> preparedCalendar = {}, QObject* parent = nullptr);
    ~BrivetShell() override;

    AppState& state() { return *m_state; }
    // Creates the dashboard (hidden) and, right after the first cards, the
    // tray item; the panel is built the first time the tray asks for it.
    // Where no tray host exists the dashboard opens at once, so the app is
    // never out of reach; the icon still appears once a host does.
    void startInterface();
    // Serves later launches at `socket`: each brings the dashboard forward.
    // Without a socket (no private folder for it) later launches are
    // turned away. Once the first cards are up the app also takes its name
    // on the session bus, for launchers' actions (ApplicationBus).
    void acceptHandOvers(const std::optional<std::filesystem::path>& socket);

    void presentDashboard();
    // What a launcher's menu or a global shortcut asked for; the same
    // operation the panel or the dashboard calls for that choice.
    void perform(DesktopAction action);
    // Ends the application: the tray's and the panel's "退出", termination
    // signals and the end of the session all come here.
    void quit();
    // Writes what is still waiting in a debounced save.
    void flush();

    DashboardWindow* dashboard() const { return m_dashboard.get(); }
    // The tray panel, built on first use.
    MenuBarContentView& panel();
    TrayController* tray() const { return m_tray.get(); }

private:
    void startTray();
    void startDeleteNotices();
    void startShortcuts();

    std::unique_ptr<SystemClock> m_clock;
    std::unique_ptr<UserCalendar> m_calendar;
    std::unique_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<QtScreenList> m_screens;
    std::unique_ptr<AppLogger> m_logger;
    // Before the stores: their saves (on the writer thread) use it.
    std::unique_ptr<BackupArchive> m_backups;
    std::unique_ptr<JsonNoteRepository> m_repository;
    std::unique_ptr<JsonPreferencesStore> m_preferencesStore;
    std::unique_ptr<JsonSyncLogStore> m_syncLogStore;
    std::unique_ptr<JsonTrashStore> m_trashStore;
    std::unique_ptr<DefaultTemplateProvider> m_templates;
    std::unique_ptr<SyncService> m_syncService;
    std::unique_ptr<AppState> m_state;

    std::unique_ptr<DashboardWindow> m_dashboard;
    std::unique_ptr<MenuBarContentView> m_panel;
    std::unique_ptr<TrayController> m_tray;
    std::unique_ptr<InstanceServer> m_instanceServer;
    std::unique_ptr<ApplicationBus> m_bus;
    // A notice with "撤销" after a delete away from the dashboard.
    std::unique_ptr<StateBridge> m_noticeBridge;
    std::unique_ptr<DesktopNotifications> m_notifications;
    std::unique_ptr<DeleteUndoNotices> m_undoNotices;
    // Due notes, returning deferrals and calendar starts.
    std::unique_ptr<ReminderDesktopNotices> m_reminderNotices;
    // A child of the application, where Settings finds it; deleted with
    // the shell.
    GlobalShortcuts* m_shortcuts = nullptr;
};

} // namespace brivet
