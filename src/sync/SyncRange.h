#pragma once

#include "model/AppPreferences.h"
#include "model/Instant.h"

namespace brivet {

class UserCalendar;

// The closed window of instants a sync imports; both ends are inclusive.
struct SyncRange {
    Instant lower {};
    Instant upper {};

    bool contains(Instant instant) const { return lower <= instant && instant <= upper; }
    friend bool operator==(const SyncRange&, const SyncRange&) = default;
};

// Days covered by a preset scope: the first day plus N − 1 following days
// (1, 4, 8, 31). Zero for custom, whose length comes from its two dates.
int syncScopeLengthInDays(SyncDateScope scope);

// The window of the preferences in the user's calendar. It starts at the
// beginning of the day of `syncStartDate` for every scope; a preset ends at
// the last second of its N-th day, a custom window at the last second of the
// day of the later of its two dates.
SyncRange resolvedSyncRange(const AppPreferences& preferences, const UserCalendar& calendar);

} // namespace brivet
