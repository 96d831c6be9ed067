#pragma once

#include "model/StickyNote.h"

#include <vector>

namespace brivet {

// Puts what the user did while a sync ran on top of the sync's result.
// `base` is the list the sync started from, `current` the state's list
// when the result arrives, `result` the sync's list. Per note:
// - unchanged since the base: the result's version (or its absence);
// - changed: the result's version with every field the user changed taken
//   from the current note; the link stays the one the sync wrote, and when
//   the user changed what the sync writes to the store (title, details,
//   completion, priority, due date) while the sync renewed the link, the
//   note is stamped `now` so the next sync still sees the user's change as
//   the newer one;
// - deleted: gone, whatever the result says;
// - created: kept, after the result's notes.
// A changed note the result dropped is kept as well: the user's change wins.
std::vector<StickyNote> rebaseOntoSyncResult(const std::vector<StickyNote>& base, const std::vector<StickyNote>& current,
    std::vector<StickyNote> result, Instant now);

} // namespace brivet
