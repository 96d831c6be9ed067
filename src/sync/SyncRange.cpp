#include "sync/SyncRange.h"

#include "model/UserCalendar.h"

#include <algorithm>

namespace brivet {

int syncScopeLengthInDays(SyncDateScope scope)
{
    switch (scope) {
    case SyncDateScope::today:
        return 1;
    case SyncDateScope::next3Days:
        return 4;
    case SyncDateScope::next7Days:
        return 8;
    case SyncDateScope::next30Days:
        return 31;
    case SyncDateScope::custom:
        return 0;
    }
    return 0;
}

SyncRange resolvedSyncRange(const AppPreferences& preferences, const UserCalendar& calendar)
{
    const Instant first = calendar.startOfDay(preferences.syncStartDate);
    if (preferences.syncDateScope == SyncDateScope::custom) {
        const Instant later = std::max(preferences.syncStartDate, preferences.syncEndDate);
        const Instant upper = calendar.adding(calendar.startOfDay(later), 1, -1).value_or(later);
        return { first, std::max(first, upper) };
    }
    const int days = syncScopeLengthInDays(preferences.syncDateScope);
    const Instant upper = calendar.adding(first, days, -1).value_or(first + std::chrono::hours(24 * days) - std::chrono::seconds(1));
    return { first, upper };
}

} // namespace brivet
