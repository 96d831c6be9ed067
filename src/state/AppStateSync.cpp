#include "state/AppState.h"

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/ScreenPlacement.h"
#include "state/SyncRebase.h"
#include "sync/SyncService.h"

#include <string>

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
    m_nextSyncIsFollowUp = false;
    startTask(&AppState::m_syncTask, std::max(delay, Duration(0)), [reason](AppState& self) {
        self.setSyncStatus("等待同步：" + reason);
        // The running sync cannot see the change that asked for this one;
        // it runs again once that sync is over.
        if (self.m_isSyncing) {
            self.m_syncAgainFor = reason;
            return;
        }
        self.m_syncTrigger = reason;
        self.synchronizeSystemData(false);
    });
}

void AppState::observeSystemChanges()
{
    m_deps.syncService.setLinkHandler(whileAlive([](AppState& self, const Uuid& noteId, const ExternalLink& link) {
        self.recordWrittenLink(noteId, link);
    }));
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
    m_deps.syncService.setChangeHandler(whileAlive([](AppState& self) { self.handleEventStoreChangeNotification(); }));
}

void AppState::handleEventStoreChangeNotification()
{
    if (!m_preferences.hasActivatedSync || !m_preferences.autoSyncEnabled)
        return;
    if (now() >= m_suppressExternalChangeNotificationsUntil) {
        scheduleSync(syncAfterStoreChangeDelay, "系统数据变更");
        return;
    }
    // A sync started moments ago: this is most likely its own writes coming
    // back, but a change made elsewhere meanwhile looks the same. The store
    // is looked at again once the window closes.
    m_storeChangeSwallowed = true;
    if (!m_storeChangeFollowUpTask.isPending())
        startTask(&AppState::m_storeChangeFollowUpTask, m_suppressExternalChangeNotificationsUntil - now(),
            [](AppState& self) { self.followUpSwallowedStoreChange(); });
}

void AppState::followUpSwallowedStoreChange()
{
    if (!m_storeChangeSwallowed || m_isSyncing || now() < m_suppressExternalChangeNotificationsUntil)
        return; // the end of the running sync looks again
    m_storeChangeSwallowed = false;
    if (m_lastSyncWasIdleFollowUp) {
        m_deps.logger.log("Store notices during a sync that changed nothing were its own; not syncing again");
        return;
    }
    scheduleSync(syncAfterStoreChangeDelay, "系统数据变更");
    m_nextSyncIsFollowUp = m_syncTask.isPending();
}

void AppState::synchronizeSystemData(bool userInitiated)
{
    if (m_isSyncing || m_isFlushing)
        return;
    if (!canSynchronizeSelection()) {
        setSyncStatus("请先选择至少一个同步源");
        return;
    }
    m_isSyncing = true;
    m_syncStartedAt = now();
    if (userInitiated)
        m_syncTrigger = "手动";
    m_runningSyncIsFollowUp = m_nextSyncIsFollowUp && !userInitiated;
    m_nextSyncIsFollowUp = false;
    notify(StateField::isSyncing);
    setSyncStatus("正在同步系统数据…");
    m_suppressExternalChangeNotificationsUntil = now() + syncEchoWindow;

    m_syncBase = m_notes;
    const std::uint64_t generation = ++m_syncGeneration;
    startSyncDeadline();
    m_deps.syncService.synchronize(m_notes, m_preferences,
        whileAlive([generation, userInitiated](AppState& self, SyncService::SyncResult result) {
            if (generation == self.m_syncGeneration && self.m_isSyncing)
                self.finishSync(std::move(result), userInitiated);
        }));
}

void AppState::startSyncDeadline()
{
    startTask(&AppState::m_syncDeadlineTask, syncDeadline, [](AppState& self) {
        const std::string seconds = std::to_string(std::chrono::duration_cast<std::chrono::seconds>(syncDeadline).count());
        self.abandonRunningSync("The reminders store did not answer within " + seconds + " seconds",
            "系统存储在 " + seconds + " 秒内没有回应，便签没有任何改动");
    });
}

void AppState::abandonRunningSync(const std::string& reason, const std::string& explanation)
{
    if (!m_isSyncing)
        return;
    m_deps.syncService.abandonSync();
    ++m_syncGeneration;
    SyncFailure failure { reason };
    failure.explanation = explanation;
    finishSync(std::move(failure), false);
}

void AppState::finishSync(SyncService::SyncResult result, bool userInitiated)
{
    m_syncDeadlineTask.cancel();
    const bool changedAnything = std::holds_alternative<SyncExecution>(result)
        ? std::get<SyncExecution>(result).actions.changedAnything()
        : std::get<SyncFailure>(result).actions.changedAnything();
    m_lastSyncWasIdleFollowUp = m_runningSyncIsFollowUp && !changedAnything;
    m_runningSyncIsFollowUp = false;
    if (auto* execution = std::get_if<SyncExecution>(&result)) {
        SyncActions actions = std::move(execution->actions);
        installSyncResult(std::move(*execution), userInitiated);
        logSync(true, m_lastSyncReport.value_or(SyncReport {}), std::move(actions));
    } else {
        SyncFailure& failure = std::get<SyncFailure>(result);
        m_deps.logger.log("Sync failed: " + failure.description);
        setSyncStatus(failure.statusText());
        logSync(false, SyncReport {}, std::move(failure.actions));
        // Reminders written before the failure exist in the store now; the
        // links recorded for them must reach the file.
        if (m_linksAwaitingSave)
            persistNotes(true);
    }
    m_linksAwaitingSave = false;
    m_syncBase = {};
    m_isSyncing = false;
    notify(StateField::isSyncing);
    if (m_syncAgainFor) {
        std::string reason = std::move(*m_syncAgainFor);
        m_syncAgainFor.reset();
        scheduleSync(Duration(0), reason);
    } else {
        followUpSwallowedStoreChange();
    }
}

const SyncLog& AppState::syncLog()
{
    if (!m_syncLog)
        m_syncLog = m_deps.syncLogStore ? m_deps.syncLogStore->load() : SyncLog {};
    return *m_syncLog;
}

void AppState::logSync(bool succeeded, const SyncReport& report, SyncActions actions)
{
    syncLog();
    SyncLogEntry entry { m_syncStartedAt, std::max(Duration(0), now() - m_syncStartedAt), m_syncTrigger, succeeded, m_syncStatus,
        report, std::move(actions) };
    if (!succeeded)
        entry.report.totalNotes = static_cast<int>(m_notes.size());
    m_syncLog->add(std::move(entry));
    notify(StateField::syncLog);
    if (SyncLogStore* store = m_deps.syncLogStore)
        m_saves->saveOther("sync log", [store, log = *m_syncLog] { return store->save(log); });
}

void AppState::installSyncResult(SyncExecution execution, bool userInitiated)
{
    Operation op(*this);
    std::vector<StickyNote> notes = rebaseOntoSyncResult(m_syncBase, m_notes, std::move(execution.notes), now());
    setNotes(ScreenPlacement::sanitized(std::move(notes), screens()));
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

void AppState::recordWrittenLink(const Uuid& noteId, const ExternalLink& link)
{
    StickyNote* note = mutableNote(noteId);
    if (!note || note->externalLink == link)
        return;
    // Not stamped: the note itself did not change, only where it lives.
    note->externalLink = link;
    notesDidChange();
    // During a sync its end saves every link at once, rather than a copy of
    // all notes per reminder written; a save that answers after the sync
    // was given up is saved like any change.
    if (m_isSyncing) {
        m_linksAwaitingSave = true;
        // The store answers: a long write-back is no hung sync.
        startSyncDeadline();
    } else {
        persistNotes(false);
    }
}

void AppState::refreshSyncSources()
{
    m_deps.syncService.fetchSourceSnapshot(m_preferences, whileAlive([](AppState& self, SyncSourceSnapshot snapshot) {
        self.m_syncSources = std::move(snapshot);
        self.notify(StateField::syncSources);
    }));
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
