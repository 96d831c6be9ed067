#pragma once

#include "model/AppPreferences.h"
#include "model/Status.h"
#include "model/StickyNote.h"

#include <vector>

namespace brivet {

// The notes file.
class NoteRepository {
public:
    virtual ~NoteRepository() = default;
    // The stored notes in file order; a missing or unreadable file gives an
    // empty list.
    virtual std::vector<StickyNote> loadNotes() = 0;
    // Replaces the stored list; on failure the previous file is intact.
    virtual Status save(const std::vector<StickyNote>& notes) = 0;
};

// The preferences file.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;
    // The stored record; a missing or unreadable file gives the default.
    virtual AppPreferences loadPreferences() = 0;
    // Replaces the stored record; on failure the previous file is intact.
    virtual Status save(const AppPreferences& preferences) = 0;
};

} // namespace brivet
