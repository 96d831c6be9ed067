#include "state/AppState.h"

#include "model/AppLogger.h"
#include "model/Clock.h"
#include "model/NoteRepository.h"
#include "model/TrashStore.h"
#include "model/UserCalendar.h"
#include "state/NoteTemplate.h"
#include "state/NoteTrash.h"
#include "state/ScreenPlacement.h"
#include "state/WindowManaging.h"
#include "sync/SyncService.h"

#include <algorithm>

namespace brivet {

namespace {

// Without a trash file the trash lasts as long as the run.
class TrashInMemory final : public TrashStore {
public:
    Loaded loadTrash() override { return {}; }
    Status save(const std::vector<TrashEntry>&) override { return Status::success(); }
};

} // namespace

AppState::Operation::Operation(AppState& state, NotesHandOver handOver)
    : m_state(state)
    , m_handOver(handOver)
{
    ++m_state.m_operationDepth;
}

AppState::Operation::~Operation()
{
    if (--m_state.m_operationDepth > 0)
        return;
    m_state.m_notesSave->settle(m_handOver);
    if (m_state.m_reconcileRequested) {
        m_state.m_reconcileRequested = false;
        m_state.m_windowManager->reconcile(m_state.m_notes, m_state.m_preferences);
    }
}

AppState::AppState(AppStateDependencies dependencies)
    : m_deps(std::move(dependencies))
    , m_lifetime(std::make_shared<AppState*>(this))
{
    m_notes = m_deps.repository.loadNotes();
    m_preferences = m_deps.preferencesStore.loadPreferences();
    m_preferences.focusBoardTaskLimit = AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit);
    if (!m_deps.trashStore) {
        m_ownTrashStore = std::make_unique<TrashInMemory>();
        m_deps.trashStore = m_ownTrashStore.get();
    }
    m_saves = std::make_unique<SaveQueue>(m_deps.repository, m_deps.preferencesStore, m_deps.logger,
        m_deps.saveThread,
        [&scheduler = m_deps.scheduler, report = whileAlive([](AppState& self, SaveOutcome outcome) {
            self.saveDidFinish(outcome);
        })](SaveOutcome outcome) { scheduler.post([report, outcome] { report(outcome); }); });
    m_notesSave = std::make_unique<NotesSavePolicy>(m_deps.scheduler, *m_saves, m_notes, notesSaveDelay, launchNotesSaveDelay);
    m_trash = std::make_unique<NoteTrash>(*m_deps.trashStore, *m_saves);

    // The window manager refers back to this state, so it comes once the
    // notes and preferences are in place.
    if (m_deps.windowManagerFactory)
        m_windowManager = m_deps.windowManagerFactory(*this);
    if (!m_windowManager)
        m_windowManager = std::make_unique<NullWindowManager>();

    // Notes that came from the file are all still in it: what the clean-up
    // changes is written with the launch steps' changes, after the first
    // card. Samples for an empty folder are written at once.
    {
        Operation op(*this, m_notes.empty() ? NotesHandOver::now : NotesHandOver::afterLaunchDelay);
        bool cleanedUp = sanitizeLoadedNotes();
        clearExpiredDeferrals(now()); // saves by itself when a deferral ended
        rescheduleDeferredRevealTask();
        bool seeded = false;
        if (m_notes.empty()) {
            setNotes(m_deps.templateProvider.initialSampleNotes(m_preferences.defaultOpacity));
            seeded = true;
        }
        // A file that loaded and needed no clean-up already holds exactly
        // this list; rewriting it would only cost time at every launch.
        if (seeded || cleanedUp)
            persistNotes(true);
        persistPreferences(true);
        observeSystemChanges();

        startTask(&AppState::m_launchTask, Duration(0), [](AppState& self) { self.finishLaunch(); });
        // The launch writes above are handed over (or deferred) when `op` ends.
    }
}

AppState::~AppState()
{
    m_deps.syncService.setChangeHandler({});
    m_deps.syncService.setLinkHandler({});
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
    m_launchTask.cancel();
    {
        Operation op(*this, NotesHandOver::afterLaunchDelay);
        closeAllNotesOnLaunch();
        refreshGeneratedBoards(false);
        reconcileWindows();
        setSyncStatus(m_preferences.hasActivatedSync ? "同步已就绪" : "请先选择同步源并手动开始同步");
    }
    // Notes past their time leave the trash at every launch, but reading
    // the trash file waits until the first cards are up.
    startTask(&AppState::m_trashPurgeTask, trashPurgeDelay, [](AppState& self) {
        if (self.m_trash->isLoaded())
            self.m_trash->purge(self.now());
        else
            self.m_trash->ensureLoaded(self.m_notes, self.now());
        self.notify(StateField::trash);
    });
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

void AppState::persistNotes(bool immediate)
{
    m_notesSave->request(immediate ? SaveTiming::now : SaveTiming::debounced);
    if (m_operationDepth == 0)
        m_notesSave->settle(NotesHandOver::now);
}

void AppState::persistPreferences(bool immediate)
{
    m_pendingPreferencesSnapshot = m_preferences;
    if (immediate) {
        writePendingPreferences();
        return;
    }
    startTask(&AppState::m_preferencesSaveTask, preferencesSaveDelay, [](AppState& self) { self.writePendingPreferences(); });
}

void AppState::writePendingPreferences()
{
    m_preferencesSaveTask.cancel();
    if (!m_pendingPreferencesSnapshot)
        return;
    m_notesSave->writeLaunchHandOver();
    AppPreferences snapshot = std::move(*m_pendingPreferencesSnapshot);
    m_pendingPreferencesSnapshot.reset();
    m_saves->savePreferences(std::move(snapshot));
}

void AppState::saveDidFinish(SaveOutcome outcome)
{
    if (outcome.ok) {
        if (!m_saves->isFailing()) {
            m_saveRetryTask.cancel();
            m_saveRetryDelay = saveRetryFirstDelay;
        }
        return;
    }
    if (m_saveRetryTask.isPending())
        return;
    Duration delay = m_saveRetryDelay;
    m_saveRetryDelay = std::min(delay * 2, saveRetryLongestDelay);
    startTask(&AppState::m_saveRetryTask, delay, [](AppState& self) { self.m_saves->retryFailed(); });
}

void AppState::startSyncByHand(SyncStart start)
{
    if (start == SyncStart::now) {
        synchronizeSystemData(true);
        return;
    }
    startTask(&AppState::m_syncByHandTask, Duration(0), [](AppState& self) { self.synchronizeSystemData(true); });
}

bool AppState::flushPendingSaves()
{
    // Every reminder written must be linked on its note before the app
    // goes, or the next sync writes it again as a second one: no new write
    // may start, and those the store is still saving are waited for.
    m_syncTask.cancel();
    m_syncAgainFor.reset();
    abandonRunningSync("The app quit before the sync finished", "应用在同步完成前退出");
    m_isFlushing = true;
    m_deps.scheduler.runUntil([this] { return !m_deps.syncService.hasWritesInFlight(); }, syncWritesQuitWait);
    m_isFlushing = false;
    m_syncTask.cancel();
    // Links that arrived meanwhile are in the pending snapshot.
    m_notesSave->writeWaiting();
    writePendingPreferences();
    // A file whose last write failed is tried once more even when nothing
    // changed since; what still fails is logged.
    return m_saves->flush();
}

} // namespace brivet
