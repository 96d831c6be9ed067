#pragma once

#include "model/NoteRepository.h"
#include "state/WindowManaging.h"

#include <optional>
#include <vector>

namespace brivet::testing {

// Keeps the saved list in memory; can be told to fail from the N-th save on.
class MemoryNoteRepository final : public NoteRepository {
public:
    std::vector<StickyNote> stored;
    std::vector<std::vector<StickyNote>> writes;
    std::optional<int> failFromWrite; // 1-based
    int attempts = 0;

    std::vector<StickyNote> loadNotes() override { return stored; }
    Status save(const std::vector<StickyNote>& notes) override
    {
        ++attempts;
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

    AppPreferences loadPreferences() override { return stored ? *stored : fallback; }
    Status save(const AppPreferences& preferences) override
    {
        stored = preferences;
        writes.push_back(preferences);
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

} // namespace brivet::testing
