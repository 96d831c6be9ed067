#include "state/AppState.h"

#include "model/AppLogger.h"
#include "model/Clock.h"
#include "model/NoteRepository.h"
#include "model/UserCalendar.h"
#include "state/NoteTemplate.h"
#include "state/ScreenPlacement.h"
#include "state/WindowManaging.h"
#include "sync/SyncService.h"

#include <algorithm>

namespace brivet {

AppState::Operation::Operation(AppState& state)
    : m_state(state)
{
    ++m_state.m_operationDepth;
}

AppState::Operation::~Operation()
{
    if (--m_state.m_operationDepth > 0)
        return;
    if (m_state.m_notesSaveRequested) {
        m_state.m_notesSaveRequested = false;
        m_state.m_notesDebounceRequested = false;
        m_state.saveNotesNow();
    } else if (m_state.m_notesDebounceRequested) {
        m_state.m_notesDebounceRequested = false;
        m_state.scheduleDebouncedNotesSave();
    }
    if (m_state.m_reconcileRequested) {
        m_state.m_reconcileRequested = false;
        m_state.m_windowManager->reconcile(m_state.m_notes, m_state.m_preferences);
    }
}

AppState::AppState(AppStateDependencies dependencies)
    : m_deps(std::move(dependencies))
    , m_lifetime(std::make_shared<AppState*>(this))
{
    // 1-3: collaborators are in place; load both files.
    m_notes = m_deps.repository.loadNotes();
    m_preferences = m_deps.preferencesStore.loadPreferences();
    m_preferences.focusBoardTaskLimit = AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit);

    // 4: the window manager refers back to this state.
    if (m_deps.windowManagerFactory)
        m_windowManager = m_deps.windowManagerFactory(*this);
    if (!m_windowManager)
        m_windowManager = std::make_unique<NullWindowManager>();

    Operation op(*this);
    bool cleanedUp = sanitizeLoadedNotes();
    clearExpiredDeferrals(now()); // saves by itself when a deferral ended
    rescheduleDeferredRevealTask();
    bool seeded = false;
    if (m_notes.empty()) {
        setNotes(m_deps.templateProvider.initialSampleNotes(m_preferences.defaultOpacity));
        seeded = true;
    }
    // A file that loaded and needed no clean-up already holds exactly this
    // list; rewriting it would only cost time at every launch.
    if (seeded || cleanedUp)
        persistNotes(true);
    persistPreferences(true);
    observeSystemChanges();

    std::weak_ptr<AppState*> alive = m_lifetime;
    m_launchTask = TaskHandle(m_deps.scheduler, m_deps.scheduler.schedule(Duration(0), [alive] {
        if (auto state = alive.lock()) {
            (*state)->m_launchTask.release();
            (*state)->finishLaunch();
        }
    }));
    // The launch writes above happen when `op` ends, before the constructor returns.
}

AppState::~AppState()
{
    m_deps.syncService.setChangeHandler({});
    m_lifetime.reset();
}

void AppState::addObserver(StateObserver* observer)
{
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void AppState::removeObserver(StateObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void AppState::notify(StateField field)
{
    auto observers = m_observers;
    for (StateObserver* observer : observers)
        if (std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end())
            observer->stateDidChange(field);
}

void AppState::setDashboardDestination(DashboardDestination destination)
{
    if (m_dashboardDestination == destination)
        return;
    m_dashboardDestination = destination;
    notify(StateField::dashboardDestination);
}

void AppState::setSyncStatus(std::string status)
{
    m_syncStatus = std::move(status);
    notify(StateField::syncStatus);
}

void AppState::setNotes(std::vector<StickyNote> notes)
{
    m_notes = std::move(notes);
    notesDidChange();
}

Instant AppState::now() const
{
    return m_deps.clock.now();
}

std::vector<Rect> AppState::screens() const
{
    return m_deps.screens.visibleFrames();
}

StickyNote* AppState::mutableNote(const Uuid& id)
{
    for (StickyNote& note : m_notes)
        if (note.id == id)
            return &note;
    return nullptr;
}

const StickyNote* AppState::findNote(const Uuid& id) const
{
    for (const StickyNote& note : m_notes)
        if (note.id == id)
            return &note;
    return nullptr;
}

std::optional<StickyNote> AppState::note(const Uuid& id) const
{
    if (const StickyNote* found = findNote(id))
        return *found;
    return std::nullopt;
}

void AppState::normalizeAndPlace(StickyNote& note) const
{
    note.clampDatesToStorable();
    Size board = boardSize(note.frame.sizePreset);
    if (note.displayMode == NoteDisplayMode::board) {
        note.frame.width = board.width;
        note.frame.height = board.height;
    } else {
        Size minimum = detailMinimumSize(note.frame.sizePreset);
        note.frame.width = std::max(note.frame.width, minimum.width);
        note.frame.height = std::max(note.frame.height, minimum.height);
    }
    ScreenPlacement::place(note, screens());
}

void AppState::reconcileWindows()
{
    if (m_operationDepth > 0) {
        m_reconcileRequested = true;
        return;
    }
    m_windowManager->reconcile(m_notes, m_preferences);
}

// --- Launch ------------------------------------------------------------------

bool AppState::sanitizeLoadedNotes()
{
    std::vector<Rect> frames = screens();
    bool changed = false;
    for (StickyNote& note : m_notes) {
        NoteFrame before = note.frame;
        NoteDisplayMode modeBefore = note.displayMode;
        NoteSizePreset preset = note.frame.sizePreset;
        if (note.displayMode == NoteDisplayMode::detail) {
            Size minimum = detailMinimumSize(preset);
            note.frame.width = std::max(note.frame.width, minimum.width);
            note.frame.height = std::max(note.frame.height, minimum.height);
        } else {
            Size board = boardSize(preset);
            note.frame.width = board.width;
            note.frame.height = board.height;
        }
        note.displayMode = NoteDisplayMode::board;
        ScreenPlacement::place(note, frames);
        changed = changed || note.frame != before || note.displayMode != modeBefore;
    }
    notesDidChange();
    return changed;
}

void AppState::finishLaunch()
{
    if (m_hasFinishedLaunch)
        return;
    m_hasFinishedLaunch = true;
    Operation op(*this);
    closeAllNotesOnLaunch();
    refreshGeneratedBoards(false);
    reconcileWindows();
    setSyncStatus(m_preferences.hasActivatedSync ? "同步已就绪" : "请先选择同步源并手动开始同步");
}

void AppState::closeAllNotesOnLaunch()
{
    bool anyVisible = std::any_of(m_notes.begin(), m_notes.end(), [](const StickyNote& n) { return !n.isHidden; });
    if (!anyVisible)
        return;
    for (StickyNote& note : m_notes)
        note.isHidden = true;
    notesDidChange();
    persistNotes(true);
}

// --- Saving ------------------------------------------------------------------

void AppState::saveNotesNow()
{
    Status status = m_deps.repository.save(m_notes);
    if (!status.ok())
        m_deps.logger.log("Save notes failed: " + status.message());
}

void AppState::savePreferencesNow()
{
    Status status = m_deps.preferencesStore.save(m_preferences);
    if (!status.ok())
        m_deps.logger.log("Save preferences failed: " + status.message());
}

void AppState::persistNotes(bool immediate)
{
    if (immediate) {
        m_notesSaveTask.cancel();
        m_pendingNotesSnapshot.reset();
        m_notesDebounceRequested = false;
        if (m_operationDepth > 0)
            m_notesSaveRequested = true;
        else
            saveNotesNow();
        return;
    }
    // Inside an action the snapshot is taken when the action ends; an
    // immediate save queued for that moment makes it unnecessary.
    if (m_operationDepth > 0) {
        m_notesDebounceRequested = true;
        return;
    }
    scheduleDebouncedNotesSave();
}

void AppState::scheduleDebouncedNotesSave()
{
    m_notesSaveTask.cancel();
    m_pendingNotesSnapshot = m_notes;
    std::weak_ptr<AppState*> alive = m_lifetime;
    m_notesSaveTask = TaskHandle(m_deps.scheduler, m_deps.scheduler.schedule(notesSaveDelay, [alive] {
        auto state = alive.lock();
        if (!state)
            return;
        AppState& self = **state;
        self.m_notesSaveTask.release();
        if (!self.m_pendingNotesSnapshot)
            return;
        std::vector<StickyNote> snapshot = std::move(*self.m_pendingNotesSnapshot);
        self.m_pendingNotesSnapshot.reset();
        Status status = self.m_deps.repository.save(snapshot);
        if (!status.ok())
            self.m_deps.logger.log("Save notes failed: " + status.message());
    }));
}

void AppState::persistPreferences(bool immediate)
{
    m_preferencesSaveTask.cancel();
    m_pendingPreferencesSnapshot.reset();
    if (immediate) {
        savePreferencesNow();
        return;
    }
    m_pendingPreferencesSnapshot = m_preferences;
    std::weak_ptr<AppState*> alive = m_lifetime;
    m_preferencesSaveTask = TaskHandle(m_deps.scheduler, m_deps.scheduler.schedule(preferencesSaveDelay, [alive] {
        auto state = alive.lock();
        if (!state)
            return;
        AppState& self = **state;
        self.m_preferencesSaveTask.release();
        if (!self.m_pendingPreferencesSnapshot)
            return;
        AppPreferences snapshot = *self.m_pendingPreferencesSnapshot;
        self.m_pendingPreferencesSnapshot.reset();
        Status status = self.m_deps.preferencesStore.save(snapshot);
        if (!status.ok())
            self.m_deps.logger.log("Save preferences failed: " + status.message());
    }));
}

void AppState::flushPendingSaves()
{
    if (m_pendingNotesSnapshot) {
        m_notesSaveTask.cancel();
        std::vector<StickyNote> snapshot = std::move(*m_pendingNotesSnapshot);
        m_pendingNotesSnapshot.reset();
        Status status = m_deps.repository.save(snapshot);
        if (!status.ok())
            m_deps.logger.log("Save notes failed: " + status.message());
    }
    if (m_pendingPreferencesSnapshot) {
        m_preferencesSaveTask.cancel();
        AppPreferences snapshot = *m_pendingPreferencesSnapshot;
        m_pendingPreferencesSnapshot.reset();
        Status status = m_deps.preferencesStore.save(snapshot);
        if (!status.ok())
            m_deps.logger.log("Save preferences failed: " + status.message());
    }
}

} // namespace brivet
