#pragma once

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "sync/SyncService.h"

#include <functional>
#include <memory>
#include <string>

namespace brivet::testing {

// Everything an AppState needs, with time under the test's control. The
// calendar is pinned (zone and locale) so results never depend on the
// machine's settings.
class StateFixture {
public:
    explicit StateFixture(std::string zone = "Asia/Shanghai", std::string locale = "zh_CN");
    ~StateFixture();

    // Wall-clock instant in the fixture's zone.
    Instant at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const;
    // Builds the state (the constructor's launch steps) without running the
    // queued launch task.
    AppState& build();
    // Builds the state, runs the launch task and lets the launch save go
    // out (the clock moves on by AppState::launchNotesSaveDelay).
    AppState& launch();
    // Launches with `notes` in the notes file and, in the preferences file,
    // the fallback record with the generated today board off, then changed
    // by `adjust`.
    AppState& launchWith(std::vector<StickyNote> notes, const std::function<void(AppPreferences&)>& adjust = {});
    AppState& state() { return *m_state; }
    void destroyState() { m_state.reset(); }

    // A regular local note, placed on the first screen.
    static StickyNote makeNote(std::string title, std::optional<Instant> due = std::nullopt);
    // Seeds the store as if the notes file held these notes.
    void store(std::vector<StickyNote> notes) { repository.stored = std::move(notes); }

    ManualClock clock;
    ManualScheduler scheduler { clock };
    UserCalendar calendar;
    FixedScreenList screens { { Rect { 0, 0, 1920, 1055 } } };
    MemoryNoteRepository repository;
    MemoryPreferencesStore preferencesStore;
    MemoryTrashStore trashStore;
    // The stores the state reads and writes; tests may point them at the
    // real files before build().
    NoteRepository* repositoryInUse = &repository;
    PreferencesStore* preferencesStoreInUse = &preferencesStore;
    TrashStore* trashStoreInUse = &trashStore;
    std::unique_ptr<DefaultTemplateProvider> templates;
    UnavailableSyncService unavailableSync;
    // What the state syncs through; tests may point it elsewhere before build().
    SyncService* syncService = &unavailableSync;
    // Saves are done when the operation returns, so tests read the stores
    // right after it; a test of the writer thread sets `writer`.
    SaveThread saveThread = SaveThread::caller;
    // Where the sync log is kept; none by default.
    SyncLogStore* syncLogStore = nullptr;
    // Where the state keeps and restores backups; tests may set one before build().
    BackupArchive* backups = nullptr;
    std::unique_ptr<AppLogger> logger;
    RecordingWindowManager windows;

private:
    std::unique_ptr<AppState> m_state;
};

} // namespace brivet::testing
