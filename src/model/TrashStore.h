#pragma once

#include "model/Status.h"
#include "model/TrashEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace brivet {

// The trash file, beside the notes file.
class TrashStore {
public:
    struct Loaded {
        // In file order (oldest deletion first, as the state writes them).
        std::vector<TrashEntry> entries;
        // Set when a file existed but could not be read: what became of it,
        // in words for the user. The entries are then empty.
        std::optional<std::string> problem;
    };

    virtual ~TrashStore() = default;
    // The stored entries; a missing file gives none. Never fails.
    virtual Loaded loadTrash() = 0;
    // Replaces the stored list; on failure the previous file is intact.
    virtual Status save(const std::vector<TrashEntry>& entries) = 0;
};

} // namespace brivet
