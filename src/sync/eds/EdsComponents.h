#pragma once

#include "sync/EventStore.h"

#include <libecal/libecal.h>

#include <functional>
#include <optional>

namespace brivet::eds {

// Conversions between iCalendar components as Evolution Data Server stores
// them and the engine's records. Pure functions without D-Bus traffic, so the
// store can run them in a worker thread.

// Resolves a TZID to a zone; nullptr when the zone is unknown. The store
// answers from libical's built-in zones and the calendar's own VTIMEZONEs.
using ZoneLookup = std::function<ICalTimezone*(const char* tzid)>;

// The instant a date-time property denotes. UTC values stand for themselves,
// a TZID is honoured, floating values and date-only values (the start of
// that day) are read in `localZone`. An unknown TZID falls back to
// `localZone` rather than dropping the date.
std::optional<Instant> propertyInstant(ICalComponent* component, ICalPropertyKind kind, const ZoneLookup& lookup,
    ICalTimezone* localZone);

// The instant of a time that may carry its zone (as recurrence expansion
// hands them out); floating and date-only values are read in `fallbackZone`.
std::optional<Instant> timeInstant(ICalTime* time, ICalTimezone* fallbackZone);

// A VTODO as a reminder; the list fields stay empty.
StoreReminder reminderFromComponent(ICalComponent* todo, const ZoneLookup& lookup, ICalTimezone* localZone);

// The event fields of a VEVENT except the start, which depends on the
// occurrence.
StoreEvent eventFromComponent(ICalComponent* event);

// One occurrence of a VEVENT as recurrence expansion hands it out (the
// calendar's fields stay empty); nothing without a UID or a usable start.
std::optional<StoreEvent> eventOccurrence(ICalComponent* event, ICalTime* instanceStart, ICalTimezone* localZone);

// Writes the fields the engine owns (summary, description, priority,
// completion, due) onto `todo` and leaves every other property alone. A due
// date that denotes the same minute as the stored one keeps its stored form
// (date-only, TZID); a changed one is written in UTC to the minute.
// `now` stamps a completion that comes without a date.
void applyReminder(ICalComponent* todo, const StoreReminder& reminder, Instant now, const ZoneLookup& lookup,
    ICalTimezone* localZone);

} // namespace brivet::eds
