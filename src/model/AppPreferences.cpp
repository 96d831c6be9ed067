#include "model/AppPreferences.h"

#include "model/UserCalendar.h"

#include <algorithm>

namespace brivet {

long long AppPreferences::clampedTaskLimit(long long value)
{
    return std::clamp(value, minimumTaskLimit, maximumTaskLimit);
}

AppPreferences AppPreferences::defaultValue(const UserCalendar& calendar, Instant now)
{
    AppPreferences preferences;
    preferences.syncStartDate = calendar.startOfDay(now);
    preferences.syncEndDate = calendar.addingDays(preferences.syncStartDate, 7).value_or(now);
    return preferences;
}

} // namespace brivet
