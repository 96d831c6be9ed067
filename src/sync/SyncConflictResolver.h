#pragma once

#include "model/Instant.h"

#include <algorithm>
#include <optional>

namespace brivet {

// Decides which side of a linked note and reminder wins as a whole. Ties go
// to the note.
struct SyncConflictResolver {
    // True when the note is written over the reminder, false when the note is
    // rebuilt from it. Without a modification time the reminder cannot claim
    // to be newer; without a previous sync only the two edit times compete.
    static bool shouldPreferLocal(Instant localUpdatedAt, std::optional<Instant> remoteUpdatedAt,
        std::optional<Instant> lastSyncedAt)
    {
        if (!remoteUpdatedAt)
            return true;
        if (lastSyncedAt)
            return localUpdatedAt >= std::max(*lastSyncedAt, *remoteUpdatedAt);
        return localUpdatedAt >= *remoteUpdatedAt;
    }
};

} // namespace brivet
