#include "state/AppState.h"

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/ScreenPlacement.h"
#include "sync/SyncService.h"

#include <unordered_map>

namespace brivet {

bool AppState::canSynchronizeSelection() const
{
    return !m_preferences.selectedReminderListIDs.empty()
        || (m_preferences.includeCalendarEvents && !m_preferences.selectedCalendarIDs.empty());
}

void AppState::scheduleSync(Duration delay, const std::string& reason)
{
    if (!m_preferences.hasActivatedSync || !m_preferences.autoSyncEnabled)
        return;
    std::weak_ptr<AppState*> alive = m_lifetime;
    m_syncTask = TaskHandle(m_deps.scheduler, m_deps.scheduler.schedule(std::max(delay, Duration(0)), [alive, reason] {
        auto state = alive.lock();
        if (!state)
            return;
        AppState& self = **state;
        self.m_syncTask.release();
        self.setSyncStatus("等待同步：" + reason);
        self.synchronizeSystemData(false);
    }));
}

void AppState::observeSystemChanges()
{
    updateChangeSubscription();
}

void AppState::updateChangeSubscription()
{
    // Store changes matter only while automatic sync is on, so the store is
    // listened to only then: watching the system store starts its services,
    // which a user who never syncs should not pay for.
    bool wanted = m_preferences.hasActivatedSync && m_preferences.autoSyncEnabled;
    if (wanted == m_isObservingSystemChanges)
        return;
    m_isObservingSystemChanges = wanted;
    if (!wanted) {
        m_deps.syncService.setChangeHandler({});
        return;
    }
    std::weak_ptr<AppState*> alive = m_lifetime;
    m_deps.syncService.setChangeHandler([alive] {
        if (auto state = alive.lock())
            (*state)->handleEventStoreChangeNotification();
    });
}

void AppState::handleEventStoreChangeNotification()
{
    if (m_preferences.hasActivatedSync && m_preferences.autoSyncEnabled && now() >= m_suppressExternalChangeNotificationsUntil)
        scheduleSync(Duration(600), "系统数据变更");
}

void AppState::synchronizeSystemData(bool userInitiated)
{
    if (m_isSyncing)
        return;
    if (!canSynchronizeSelection()) {
        setSyncStatus("请先选择至少一个同步源");
        return;
    }
    m_isSyncing = true;
    notify(StateField::isSyncing);
    setSyncStatus("正在同步系统数据…");
    m_suppressExternalChangeNotificationsUntil = now() + Duration(2000);

    std::weak_ptr<AppState*> alive = m_lifetime;
    m_deps.syncService.synchronize(m_notes, m_preferences, [alive, userInitiated](SyncService::SyncResult result) {
        auto state = alive.lock();
        if (!state)
            return;
        AppState& self = **state;
        if (auto* execution = std::get_if<SyncExecution>(&result)) {
            self.installSyncResult(std::move(*execution), userInitiated);
        } else {
            const SyncFailure& failure = std::get<SyncFailure>(result);
            self.m_deps.logger.log("Sync failed: " + failure.description);
            self.installPartialLinks(failure);
            self.setSyncStatus("同步失败：" + failure.description);
        }
        self.m_isSyncing = false;
        self.notify(StateField::isSyncing);
    });
}

void AppState::installSyncResult(SyncExecution execution, bool userInitiated)
{
    Operation op(*this);
    setNotes(ScreenPlacement::sanitized(std::move(execution.notes), screens()));
    applyDesktopSurfacePolicy();
    int refreshed = refreshGeneratedBoards(userInitiated);
    SyncReport report = execution.report;
    report.boardsRefreshed = refreshed;
    report.totalNotes = static_cast<int>(m_notes.size());
    m_lastSyncReport = report;
    notify(StateField::lastSyncReport);
    if (userInitiated && !m_preferences.hasActivatedSync) {
        m_preferences.hasActivatedSync = true;
        notify(StateField::preferences);
        persistPreferences(true);
        updateChangeSubscription();
    }
    rescheduleDeferredRevealTask();
    persistNotes(true);
    reconcileWindows();
    setSyncStatus(report.statusText() + " · " + m_deps.calendar.formatPattern(now(), "HH:mm:ss"));
}

void AppState::installPartialLinks(const SyncFailure& failure)
{
    // Reminders written before the failure exist in the store now; keeping
    // their links lets the next sync match them instead of creating them again.
    if (failure.writtenLinks.empty())
        return;
    std::unordered_map<Uuid, const ExternalLink*> links;
    for (const auto& [id, link] : failure.writtenLinks)
        links.emplace(id, &link);
    Operation op(*this);
    bool changed = false;
    for (StickyNote& note : m_notes) {
        auto found = links.find(note.id);
        if (found == links.end())
            continue;
        if (note.externalLink != *found->second) {
            note.externalLink = *found->second;
            changed = true;
        }
    }
    if (!changed)
        return;
    notesDidChange();
    persistNotes(true);
}

void AppState::refreshSyncSources()
{
    std::weak_ptr<AppState*> alive = m_lifetime;
    m_deps.syncService.fetchSourceSnapshot(m_preferences, [alive](SyncSourceSnapshot snapshot) {
        auto state = alive.lock();
        if (!state)
            return;
        (*state)->m_syncSources = std::move(snapshot);
        (*state)->notify(StateField::syncSources);
    });
}

bool AppState::isSourceSelected(const SyncSourceOption& option) const
{
    const auto& ids = option.kind == SyncSourceKind::calendar ? m_preferences.selectedCalendarIDs : m_preferences.selectedReminderListIDs;
    return ids.count(option.id) > 0;
}

void AppState::setSource(const SyncSourceOption& option, bool enabled)
{
    auto& ids = option.kind == SyncSourceKind::calendar ? m_preferences.selectedCalendarIDs : m_preferences.selectedReminderListIDs;
    if (enabled)
        ids.insert(option.id);
    else
        ids.erase(option.id);
    notify(StateField::preferences);
    persistPreferences(false);
}

} // namespace brivet
