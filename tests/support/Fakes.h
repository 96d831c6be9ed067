#pragma once

#include "model/NoteRepository.h"
#include "model/TrashStore.h"
#include "state/WindowManaging.h"
#include "sync/SyncService.h"

#include <optional>
#include <thread>
#include <vector>

namespace brivet::testing {

// Keeps the saved list in memory; can be told to fail from the N-th save on.
// Saves may come from a writer thread; read the fields once the writer is
// done (AppState::flushPendingSaves).
class MemoryNoteRepository final : public NoteRepository {
public:
    std::vector<StickyNote> stored;
    std::vector<std::vector<StickyNote>> writes;
    std::optional<int> failFromWrite; // 1-based
    int attempts = 0;
    std::vector<std::thread::id> savingThreads;

    std::vector<StickyNote> loadNotes() override { return stored; }
    Status save(const std::vector<StickyNote>& notes) override
    {
        ++attempts;
        savingThreads.push_back(std::this_thread::get_id());
        if (failFromWrite && attempts >= *failFromWrite)
            return Status::failure("disk full");
        stored = notes;
        writes.push_back(notes);
        return Status::success();
    }
};

class MemoryPreferencesStore final : public PreferencesStore {
public:
    std::optional<AppPreferences> stored;
    std::vector<AppPreferences> writes;
    AppPreferences fallback;
    std::vector<std::thread::id> savingThreads;

    AppPreferences loadPreferences() override { return stored ? *stored : fallback; }
    Status save(const AppPreferences& preferences) override
    {
        savingThreads.push_back(std::this_thread::get_id());
        stored = preferences;
        writes.push_back(preferences);
        return Status::success();
    }
};

// Keeps the trash in memory; `problem` plays a file that could not be read.
class MemoryTrashStore final : public TrashStore {
public:
    std::vector<TrashEntry> stored;
    std::optional<std::string> problem;
    int loads = 0;
    int writes = 0;
    bool failing = false;

    Loaded loadTrash() override
    {
        ++loads;
        return Loaded { stored, problem };
    }
    Status save(const std::vector<TrashEntry>& entries) override
    {
        if (failing)
            return Status::failure("disk full");
        stored = entries;
        ++writes;
        return Status::success();
    }
};

// Records every reconcile and focus request.
class RecordingWindowManager final : public WindowManaging {
public:
    struct Reconcile {
        std::vector<StickyNote> notes;
        AppPreferences preferences;
    };
    std::vector<Reconcile> reconciles;
    std::vector<Uuid> focused;

    void reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences) override
    {
        reconciles.push_back({ notes, preferences });
    }
    void focus(const Uuid& noteId) override { focused.push_back(noteId); }
};

// A sync that stays in flight until the test ends: it only counts starts.
class PendingSyncService final : public SyncService {
public:
    int started = 0;
    void synchronize(std::vector<StickyNote>, AppPreferences, std::function<void(SyncResult)>) override { ++started; }
    void abandonSync() override { }
    void setLinkHandler(LinkHandler) override { }
    bool hasWritesInFlight() const override { return false; }
    void fetchSourceSnapshot(const AppPreferences&, std::function<void(SyncSourceSnapshot)> completion) override
    {
        completion(SyncSourceSnapshot::empty());
    }
    void setChangeHandler(std::function<void()>) override { }
};

} // namespace brivet::testing
