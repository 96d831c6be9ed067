#pragma once

#include "model/Instant.h"
#include "model/TrashEntry.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace brivet {

class SaveQueue;
class TrashStore;

// The deleted notes the user can still take back, and their file. The file
// is read on first use, not at launch: most runs never open the trash.
// Every change hands the whole list to the state's writer. Main thread only.
class NoteTrash {
public:
    // A note stays this long after its deletion, then goes for good.
    static constexpr Duration keepFor { std::chrono::days(30) };
    // At most this many notes are kept; the oldest deletions go first.
    static constexpr std::size_t capacity = 1000;

    NoteTrash(TrashStore& store, SaveQueue& saves);

    // Reads the file if it has not been read: drops entries whose note is
    // back in `notes` (a restore whose trash write did not happen) and those
    // past their time; writes the file when that changed anything.
    void ensureLoaded(const std::vector<StickyNote>& notes, Instant now);
    bool isLoaded() const { return m_loaded; }
    // Oldest deletion first. Empty until loaded.
    const std::vector<TrashEntry>& entries() const { return m_entries; }
    // Why the file could not be read, in words for the user, once loaded.
    const std::optional<std::string>& problem() const { return m_problem; }
    const TrashEntry* find(const Uuid& noteId) const;

    // Keeps a deleted note (loads first), then drops what is past its
    // time or beyond the capacity.
    void add(TrashEntry entry, const std::vector<StickyNote>& notes, Instant now);
    // Removes the note's entry and returns it; none when it is not there.
    std::optional<TrashEntry> take(const Uuid& noteId);
    // Drops entries past their time; returns whether any went.
    bool purge(Instant now);
    void clear();

private:
    // Drops what is past its time or beyond the capacity; true if any went.
    bool trim(Instant now);
    void save();

    TrashStore& m_store;
    SaveQueue& m_saves;
    bool m_loaded = false;
    std::vector<TrashEntry> m_entries;
    std::optional<std::string> m_problem;
};

} // namespace brivet
