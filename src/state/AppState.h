#pragma once

#include "model/AppPreferences.h"
#include "model/Instant.h"
#include "model/NoteTransfer.h"
#include "model/Scheduler.h"
#include "model/StickyNote.h"
#include "model/TrashEntry.h"
#include "state/NotesSavePolicy.h"
#include "state/SaveQueue.h"
#include "state/StateObserver.h"
#include "sync/SyncLog.h"
#include "sync/SyncService.h"
#include "sync/SyncTypes.h"

#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brivet {

class AppLogger;
class BackupArchive;
class Clock;
class SyncService;
class NoteRepository;
class PreferencesStore;
class ScreenList;
class TemplateProviding;
class NoteTrash;
class TrashStore;
class UserCalendar;
class WindowManaging;
class AppState;
struct BackupEntry;
struct NoteTemplate;
struct Rect;

enum class DashboardDestination { today, sync, boards, settings };

// Whether a change to a note starts a sync once edits pause (when
// automatic sync is on).
enum class SyncAfterEdit { no, yes };
// Whether a reveal may show a note that the desktop surface mode keeps off
// the desktop (what the user opened by name).
enum class SurfacePolicy { respect, bypass };
// Whether the note's window takes the keyboard focus.
enum class WindowFocus { keep, take };
// How a new note starts out.
enum class NewNoteWindow {
    // In the list only (a draft, a board still being filled in).
    hidden,
    // On the desktop.
    shown,
    // On the desktop, its window focused.
    focused,
    // On the desktop with its details open and focused, the title ready
    // for typing (a note asked for from outside the app's windows).
    editing,
};
// Whether a generated board comes onto the desktop when it is built.
enum class RevealBoard { no, yes };
// When a sync started by hand begins.
enum class SyncStart {
    // Before the call returns.
    now,
    // Once the current event is handled: the surface that asked finishes
    // handling its click before any view hears that a sync runs.
    afterThisEvent,
};

using WindowManagerFactory = std::function<std::unique_ptr<WindowManaging>(AppState&)>;

// What the state is built with. Everything is owned by the caller and must
// outlive the state.
struct AppStateDependencies {
    NoteRepository& repository;
    PreferencesStore& preferencesStore;
    const TemplateProviding& templateProvider;
    SyncService& syncService;
    AppLogger& logger;
    const Clock& clock;
    Scheduler& scheduler;
    const ScreenList& screens;
    const UserCalendar& calendar;
    // Builds the desktop window manager; empty: no desktop windows.
    WindowManagerFactory windowManagerFactory;
    // Where the files are written.
    SaveThread saveThread = SaveThread::writer;
    // Where the sync log is kept; none: it lives only while the app runs.
    SyncLogStore* syncLogStore = nullptr;
    // The trash file; none: the trash lives in memory for the run.
    TrashStore* trashStore = nullptr;
    // Where backups are kept; none: no restore.
    BackupArchive* backups = nullptr;
};

// The one owner of the notes and preferences while the app runs. Every view
// reads from it and changes notes only through its operations. Main thread
// only.
class AppState {
public:
    static constexpr Duration notesSaveDelay { 450 };
    static constexpr Duration preferencesSaveDelay { 350 };
    // How long after its launch steps the state hands the notes they
    // changed to the writer: the copy and the encoding of a large list stay
    // off the way to the first card. A kill before then loses nothing, the
    // file still holds every note.
    static constexpr Duration launchNotesSaveDelay { 600 };
    // A change that should reach the system store starts a sync this long
    // after the last such change: a burst of edits syncs once.
    static constexpr Duration syncAfterEditDelay { 1800 };
    // The store's change notices come in bursts; a sync starts this long
    // after the last one.
    static constexpr Duration syncAfterStoreChangeDelay { 600 };
    // The store's notices this soon after a sync starts are that sync's own
    // writes coming back (their echo), not a change by someone else.
    static constexpr Duration syncEchoWindow { 2000 };
    // A deferral's wake-up is never sooner than this: one that is due right
    // now must not keep the scheduler turning.
    static constexpr Duration deferredRevealMinimumWait { 100 };

    // Loads both files and runs the synchronous part of the launch; the rest
    // (finishLaunch) is queued on the scheduler, unless the caller runs it
    // sooner.
    explicit AppState(AppStateDependencies dependencies);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Published fields.
    const std::vector<StickyNote>& notes() const { return m_notes; }
    const AppPreferences& preferences() const { return m_preferences; }
    DashboardDestination dashboardDestination() const { return m_dashboardDestination; }
    void setDashboardDestination(DashboardDestination);
    const std::string& syncStatus() const { return m_syncStatus; }
    const std::optional<SyncReport>& lastSyncReport() const { return m_lastSyncReport; }
    const std::optional<std::string>& lastExportURL() const { return m_lastExportURL; }
    const SyncSourceSnapshot& syncSources() const { return m_syncSources; }
    bool isSyncing() const { return m_isSyncing; }
    bool hasFinishedLaunch() const { return m_hasFinishedLaunch; }

    void addObserver(StateObserver*);
    void removeObserver(StateObserver*);

    const Clock& clock() const { return m_deps.clock; }
    const UserCalendar& calendar() const { return m_deps.calendar; }
    const TemplateProviding& templateProvider() const { return m_deps.templateProvider; }
    AppLogger& logger() const { return m_deps.logger; }
    WindowManaging& windowManager() const { return *m_windowManager; }

    // --- Launch and saving -------------------------------------------------
    // The second half of the launch; runs once.
    void finishLaunch();
    // Hands the current notes or preferences to the writer now (immediate)
    // or after the debounce delay, of the value as it stands now.
    void persistNotes(bool immediate);
    void persistPreferences(bool immediate);
    // For quit and the end of a session: stops the running sync (it sends
    // the store nothing more) and drops a sync waiting to start; waits a
    // little (at most syncWritesQuitWait) for reminders the store is still
    // saving, so their links are recorded; writes pending debounced saves
    // and tries again a file whose last write failed; returns once the
    // writes are done: true when both files are on disk (else the failure
    // is logged).
    bool flushPendingSaves();
    static constexpr Duration syncWritesQuitWait { 2000 };
    // A file whose write failed is written again after this long, the wait
    // doubling up to the longest while it keeps failing (a full disk that
    // frees up is written without the user doing anything); every change
    // and the quit try as well.
    static constexpr Duration saveRetryFirstDelay { 1000 };
    static constexpr Duration saveRetryLongestDelay { 60'000 };

    // --- Lookup ------------------------------------------------------------
    std::optional<StickyNote> note(const Uuid& id) const;
    const StickyNote* findNote(const Uuid& id) const;
    // Reading gives the note, or its placeholder when it has gone; writing
    // goes through update(note).
    class NoteBinding {
    public:
        StickyNote get() const;
        void set(const StickyNote& note) const;
        const Uuid& id() const { return m_id; }

    private:
        friend class AppState;
        NoteBinding(AppState& state, Uuid id) : m_state(&state), m_id(id) { }
        AppState* m_state;
        Uuid m_id;
    };
    std::optional<NoteBinding> binding(const Uuid& id);

    // --- Note operations ---------------------------------------------------
    Uuid createNote(const NoteTemplate* fromTemplate, NoteSizePreset sizePreset, NewNoteWindow window);
    // Replaces the note with this id by `note`, except its link to the
    // system store, which only syncs change.
    void update(const StickyNote& note, SyncAfterEdit sync = SyncAfterEdit::no);
    void duplicate(const Uuid& noteId);
    void deleteNote(const Uuid& noteId);
    // Takes every note off the desktop and remembers which were on it, for
    // the next toggleDesktopNotes.
    void hideAllNotes();
    // "显示或隐藏桌面悬笺". With any note on the desktop: hideAllNotes. With
    // none: brings back the notes the last hide took off the desktop (this
    // toggle's or hideAllNotes), those that still exist and are not
    // deferred into the future; after a change of the surface mode since
    // that hide, only those the new mode lets onto the desktop (under the
    // same mode they were there, as the user put them: "新建悬笺" shows a
    // note in every mode). When
    // none of those is left, it shows what the desktop is for in the current
    // surface mode: the scene boards with an open task, not deferred, and in
    // allImportedNotes also the imported notes not deferred, as switching to
    // that mode would. Local notes come back only by being remembered: the
    // user put them on the desktop one by one. When nothing qualifies, only
    // the status line changes. One save and one reconcile either way.
    void toggleDesktopNotes();
    // Puts the note on the desktop and ends its deferral; a note the policy
    // keeps off the desktop, or none, only sets the status line.
    void reveal(const Uuid& noteId, SurfacePolicy policy, WindowFocus focus);
    void hide(const Uuid& noteId);
    // Shows the note on the desktop with its details open, ends its
    // deferral and focuses its window.
    void openNoteDetails(const Uuid& noteId);
    void setDisplayMode(const Uuid& noteId, NoteDisplayMode mode);
    void updateNoteTitle(const Uuid& noteId, const std::string& title);
    void updateNoteDetails(const Uuid& noteId, const std::string& details);
    // A rectangle reported by the note's panel (model coordinates).
    void updateWindowFrame(const Uuid& noteId, const Rect& frame);
    // Returns the new task's id (a null id when the note does not exist).
    Uuid addTask(const Uuid& noteId, const std::string& title);
    void updateTaskTitle(const Uuid& noteId, const Uuid& taskId, const std::string& title);
    void setTaskCompletion(const Uuid& noteId, const Uuid& taskId, bool isCompleted);
    void deleteTask(const Uuid& noteId, const Uuid& taskId);

    // --- Deferral ----------------------------------------------------------
    Instant resolvedDate(NoteDeferPreset preset, Instant from) const;
    void deferNote(const Uuid& noteId, Instant until);
    // Defers until the preset's time as seen from now.
    void deferNote(const Uuid& noteId, NoteDeferPreset preset);
    void clearExpiredDeferrals(Instant referenceDate);
    void rescheduleDeferredRevealTask();
    // The deferrals that ran out during this run (the launch's included),
    // by note, with the instant each ended at: what was put off has come
    // back, which the note itself no longer shows.
    const std::map<Uuid, Instant>& endedDeferrals() const { return m_endedDeferrals; }

    // --- Surface policy and preferences -----------------------------------
    void updatePreferences(const std::function<void(AppPreferences&)>& change);
    bool canRevealOnDesktop(const StickyNote& note) const;
    std::vector<StickyNote> visibleNotes() const;
    int visibleNoteCount() const;

    // --- Execution queries -------------------------------------------------
    std::vector<StickyNote> prioritizedExecutionNotes(std::vector<StickyNote> notes) const;
    std::vector<StickyNote> todayExecutionNotes() const;
    std::vector<StickyNote> upcomingExecutionNotes() const;
    std::vector<StickyNote> localDraftNotes() const;
    std::optional<StickyNote> primaryExecutionNote() const;
    // The sizes of the today and upcoming lists, without building them.
    std::size_t todayExecutionNoteCount() const;
    std::size_t upcomingExecutionNoteCount() const;
    std::vector<StickyNote> sceneBoards() const;
    std::vector<StickyNote> customSceneBoards() const;
    Instant defaultTodayBoardDueDate(Instant now) const;

    // --- Generated, template and custom boards -----------------------------
    std::optional<Uuid> generateTodayFocusBoard(RevealBoard reveal, NoteSizePreset sizePreset);
    std::optional<Uuid> generateUpcomingBoard(RevealBoard reveal, NoteSizePreset sizePreset);
    // Returns how many generated boards were rebuilt (0 to 2).
    int refreshGeneratedBoards(bool revealNewBoards);
    void hideGeneratedSceneBoard(NoteSurfaceRole role);
    NoteSizePreset storedSceneBoardSizePreset(NoteSurfaceRole role, NoteSizePreset fallback) const;
    std::string formattedSceneTaskTitle(const StickyNote& note) const;
    std::optional<Uuid> createSceneBoard(NoteSurfaceRole role, NoteSizePreset sizePreset);
    std::optional<Uuid> prepareSceneBoard(NoteSurfaceRole role, NoteSizePreset sizePreset);
    void configureSceneBoardTemplate(StickyNote& note, NoteSurfaceRole role, NoteSizePreset sizePreset) const;
    std::optional<Uuid> createCustomSceneBoard(std::optional<Uuid> seedNoteId, NoteSizePreset sizePreset);
    void addExecutionNote(const Uuid& noteId, const Uuid& boardId);
    bool refreshCustomSceneBoardTasks(const StickyNote& source);
    void deferSceneBoard(const StickyNote& board, Instant until);
    void toggleExecutionNoteCompletion(const Uuid& noteId);

    // --- Menu bar texts ----------------------------------------------------
    // On this platform they feed the tray item: the status title is its
    // title and the first tooltip line, the summary the second line and the
    // panel header's count line.
    std::string menuBarStatusTitle() const;
    std::string menuBarSummaryText() const;

    // --- Sync --------------------------------------------------------------
    // A sync that has heard nothing from the store for this long (no
    // answer to its first request, no reminder saved since) is given up: it
    // fails, every note stays, and the next sync can start.
    static constexpr Duration syncDeadline { 60'000 };
    // Runs one sync; userInitiated: started by hand. What the user changes
    // while it runs is kept on top of its result.
    void synchronizeSystemData(bool userInitiated);
    // The user's "sync now", from any surface.
    void startSyncByHand(SyncStart start);
    void scheduleSync(Duration delay, const std::string& reason);
    bool canSynchronizeSelection() const;
    void refreshSyncSources();
    bool isSourceSelected(const SyncSourceOption& option) const;
    void setSource(const SyncSourceOption& option, bool enabled);
    void handleEventStoreChangeNotification();
    // The last syncs, newest first; read from its file the first time it is
    // asked for.
    const SyncLog& syncLog();
    // The most recent automatic sync request still waiting, for the views.
    bool hasPendingSync() const { return m_syncTask.isPending(); }

    // --- Trash -------------------------------------------------------------
    // A deleted note goes to the trash (NoteTrash); for this long after the
    // delete the user is offered to take it back in one step.
    static constexpr Duration undoDeleteWindow { 15'000 };
    // How long after the first cards the trash file is read and cleared of
    // notes past their time, when nothing needed it sooner: with the launch
    // hand-over of the notes, once the first cards are up.
    static constexpr Duration trashPurgeDelay = launchNotesSaveDelay;
    // The delete the user can still take back, while its offer runs.
    struct UndoOffer {
        Uuid noteId;
        std::string title;
    };
    const std::optional<UndoOffer>& undoOffer() const { return m_undoOffer; }
    // The deleted notes, oldest deletion first; reads the file on first use
    // and drops notes past their time.
    const std::vector<TrashEntry>& trash();
    // Why the trash file could not be read (it was set aside), once read.
    const std::optional<std::string>& trashProblem() const;
    // Takes back the delete the running offer stands for; false when no
    // offer runs or the note cannot come back.
    bool undoLastDelete();
    // Puts the note back as it was deleted (id, frame, tasks, link,
    // deferral, place in the list) and the board lines that pointed at it.
    // False, and nothing changes, when the trash does not hold it or a note
    // with its id exists.
    bool restoreFromTrash(const Uuid& noteId);
    // Deletes the note for good ("彻底删除"); its reminder stays in the store.
    void deleteFromTrash(const Uuid& noteId);
    void emptyTrash();
    // --- Backups, export and import ---------------------------------------
    BackupArchive* backups() const { return m_deps.backups; }
    // Keeps the current notes and preferences as a backup of their own (so
    // the restore can itself be undone), then loads the backup's in their
    // place. Fails, changing nothing, when the backup is damaged or the
    // current notes cannot be kept; the message is for the user.
    Status restoreBackup(const BackupEntry& entry);
    // Every note (and, when given, the preferences) replaced as a launch
    // loads them: frames placed on the screens, expired deferrals ended,
    // generated boards rebuilt; a running sync is given up first. Both files
    // are handed to the writer.
    void replaceAllNotes(std::vector<StickyNote> notes, std::optional<AppPreferences> preferences);
    // Writes `notes` at `target` and, when that worked, sets lastExportURL.
    Status exportNotes(const std::vector<StickyNote>& notes, ExportFormat format, const std::filesystem::path& target);
    // Adds notes read from an export, hidden (they arrive in the library,
    // not on the desktop); those whose id is already present are left out.
    // Returns how many were added.
    std::size_t importNotes(std::vector<StickyNote> notes);

private:
    // The trash's part of a delete: the note's record and where it and
    // its board lines stood; removes the note from the list.
    TrashEntry takeIntoTrash(std::vector<StickyNote>::iterator note);
    void endUndoOffer();
    std::unique_ptr<TrashStore> m_ownTrashStore;
    std::unique_ptr<NoteTrash> m_trash;
    std::optional<UndoOffer> m_undoOffer;
    TaskHandle m_undoOfferTask;
    TaskHandle m_trashPurgeTask;

    // Groups the immediate saves and window reconciles of one user action:
    // however many steps ask for them, the notes file is written at most
    // once and the windows reconciled at most once, when the outermost
    // operation ends.
    class Operation {
    public:
        // `handOver` applies when this is the outermost operation.
        explicit Operation(AppState& state, NotesHandOver handOver = NotesHandOver::now);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        AppState& m_state;
        const NotesHandOver m_handOver;
    };
    friend class Operation;

    std::vector<Rect> screens() const;
    Instant now() const;
    void notify(StateField field);
    void notesDidChange() { notify(StateField::notes); }
    void setSyncStatus(std::string status);
    void setNotes(std::vector<StickyNote> notes);
    StickyNote* mutableNote(const Uuid& id);
    void normalizeAndPlace(StickyNote& note) const;
    void reconcileWindows();
    // The one way the preferences file is written: the pending debounced
    // snapshot, if any, goes to the writer and the debounce ends.
    void writePendingPreferences();
    // A write's outcome, back on the main thread: a failure starts the
    // retry timer, a success once nothing fails any more ends it.
    void saveDidFinish(SaveOutcome outcome);

    // A callable that runs `task(state, arguments…)` while this state
    // exists and does nothing once it is gone: for callbacks that may
    // outlive it (tasks, completions, store notices).
    template<typename F>
    auto whileAlive(F task) const
    {
        return [alive = std::weak_ptr<AppState*>(m_lifetime), task = std::move(task)](auto&&... arguments) {
            if (auto state = alive.lock())
                task(**state, std::forward<decltype(arguments)>(arguments)...);
        };
    }
    // Starts `task` after `delay` in the task slot `handle` (cancelling what
    // the slot held); the slot is empty again once the task runs.
    template<typename F>
    void startTask(TaskHandle AppState::*handle, Duration delay, F task)
    {
        this->*handle = TaskHandle(m_deps.scheduler,
            m_deps.scheduler.schedule(delay, whileAlive([handle, task = std::move(task)](AppState& self) {
                (self.*handle).release();
                task(self);
            })));
    }
    // The same at a wall-clock instant.
    template<typename F>
    void startTaskAt(TaskHandle AppState::*handle, Instant when, F task)
    {
        this->*handle = TaskHandle(m_deps.scheduler,
            m_deps.scheduler.scheduleAt(when, whileAlive([handle, task = std::move(task)](AppState& self) {
                (self.*handle).release();
                task(self);
            })));
    }

    // Returns whether any note had to change.
    bool sanitizeLoadedNotes();
    void closeAllNotesOnLaunch();
    // What a change to one note sets off besides notifying the views.
    enum class WindowsAfterChange { keep, reconcile };
    struct ChangeEffects {
        SyncAfterEdit sync = SyncAfterEdit::no;
        // Reconciled only when the window's visibility, frame or opacity changed.
        WindowsAfterChange windows = WindowsAfterChange::keep;
        SaveTiming save = SaveTiming::debounced;
    };
    // Returns false when there is no such note.
    bool mutate(const Uuid& noteId, ChangeEffects effects, const std::function<void(StickyNote&)>& change);
    // Focuses the note's window, creating it first if this operation has
    // yet to reconcile.
    void focusWindow(const Uuid& noteId);
    static bool noteRequiresWindowSync(const StickyNote& from, const StickyNote& to);
    struct Point2 {
        double x;
        double y;
    };
    Point2 nextOrigin(std::optional<Point2> from) const;
    void scheduleSyncIfActive(Duration delay, const std::string& reason);

    void normalizePreferenceRange();
    void applyDesktopSurfacePolicy();
    void applyGlobalOpacityPreference();

    std::optional<Uuid> generateBoard(NoteSurfaceRole role, RevealBoard reveal, NoteSizePreset sizePreset);
    std::optional<Uuid> upsertGeneratedSceneBoard(NoteSurfaceRole role, const std::vector<StickyNote>& from,
        RevealBoard reveal, const std::string& summary, NoteTheme theme, NoteSizePreset sizePreset);
    NoteTask linkedTask(const StickyNote& source) const;
    enum class ExecutionList { today, upcoming, drafts };
    struct ExecutionFilter;
    ExecutionFilter executionFilter(ExecutionList list) const;
    // The list in execution order, its first `limit` notes only; copies no
    // others.
    std::vector<StickyNote> executionNotes(ExecutionList list, std::size_t limit = std::numeric_limits<std::size_t>::max()) const;
    const StickyNote* firstExecutionNote(ExecutionList list) const;
    // The notes a generated board of `role` lists, in order.
    std::vector<StickyNote> boardSource(NoteSurfaceRole role) const;
    std::size_t executionNoteCount(ExecutionList list) const;
    const StickyNote* primaryExecutionNoteInPlace() const;

    void observeSystemChanges();
    void updateChangeSubscription();
    void finishSync(SyncService::SyncResult result, bool userInitiated);
    // Once the echo window has closed and no sync runs: a sync for a notice
    // that came while it was open.
    void followUpSwallowedStoreChange();
    // Adds the sync that just ended to the log and saves it.
    void logSync(bool succeeded, const SyncReport& report, SyncActions actions);
    void installSyncResult(SyncExecution execution, bool userInitiated);
    void startSyncDeadline();
    // Gives up the running sync, if any, as a failure for `reason`.
    void abandonRunningSync(const std::string& reason, const std::string& explanation);
    // A reminder save returned: its link goes onto the note at once.
    void recordWrittenLink(const Uuid& noteId, const ExternalLink& link);

    AppStateDependencies m_deps;
    std::vector<StateObserver*> m_observers;

    std::vector<StickyNote> m_notes;
    AppPreferences m_preferences;
    DashboardDestination m_dashboardDestination = DashboardDestination::today;
    std::string m_syncStatus = "准备就绪";
    std::optional<SyncReport> m_lastSyncReport;
    std::optional<std::string> m_lastExportURL;
    SyncSourceSnapshot m_syncSources;

    std::unique_ptr<SaveQueue> m_saves;
    std::unique_ptr<NotesSavePolicy> m_notesSave;
    std::unique_ptr<WindowManaging> m_windowManager;
    bool m_hasFinishedLaunch = false;
    bool m_isSyncing = false;
    // While quitting waits for the store: no sync may start.
    bool m_isFlushing = false;
    TaskHandle m_launchTask;
    TaskHandle m_syncTask;
    TaskHandle m_syncByHandTask;
    TaskHandle m_syncDeadlineTask;
    TaskHandle m_preferencesSaveTask;
    TaskHandle m_deferredRevealTask;
    std::map<Uuid, Instant> m_endedDeferrals;
    TaskHandle m_saveRetryTask;
    Duration m_saveRetryDelay = saveRetryFirstDelay;
    std::optional<AppPreferences> m_pendingPreferencesSnapshot;
    Instant m_suppressExternalChangeNotificationsUntil = distantPast();
    bool m_isObservingSystemChanges = false;
    // The notes the running sync started from, to rebase on its result.
    std::vector<StickyNote> m_syncBase;
    // Tells a completion whether its sync is still the one running.
    std::uint64_t m_syncGeneration = 0;
    // Links recorded while a sync runs; its end (or quit) saves them.
    bool m_linksAwaitingSave = false;
    // An automatic sync that came due while one ran, by its reason.
    std::optional<std::string> m_syncAgainFor;
    // A store notice came while the echo window was open: the store is
    // looked at once more when the window closes.
    bool m_storeChangeSwallowed = false;
    TaskHandle m_storeChangeFollowUpTask;
    // Whether the next, the running and the last sync answer such a notice,
    // and whether the last one changed anything: a follow-up that found
    // nothing to do is not followed up in turn, so a sync's own echoes
    // cannot keep syncing.
    bool m_nextSyncIsFollowUp = false;
    bool m_runningSyncIsFollowUp = false;
    bool m_lastSyncWasIdleFollowUp = false;
    // The running sync's start and what asked for it, for the sync log.
    Instant m_syncStartedAt {};
    std::string m_syncTrigger;
    std::optional<SyncLog> m_syncLog;

    // The notes the last hide of the whole desktop took off it, for the
    // toggle to bring back.
    std::vector<Uuid> m_notesPutAway;
    DesktopSurfaceMode m_modeWhenPutAway = DesktopSurfaceMode::sceneBoardsOnly;

    int m_operationDepth = 0;
    bool m_reconcileRequested = false;

    // Tells callbacks that outlive a call (sync completions) whether the
    // state still exists.
    std::shared_ptr<AppState*> m_lifetime;
};

} // namespace brivet
