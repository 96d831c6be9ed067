#include "sync/eds/EdsComponents.h"

#include "sync/eds/GObjectRef.h"

#include <algorithm>
#include <string>

namespace brivet::eds {

namespace {

ICalTimezone* utcZone() { return i_cal_timezone_get_utc_timezone(); }

// libical calls every year after 3000 invalid although it converts them
// well; such dates are real (a "someday" due date) and dropping one would
// erase it from the reminder at the next write.
bool isUsableTime(ICalTime* time)
{
    if (!time || i_cal_time_is_null_time(time))
        return false;
    return i_cal_time_is_valid_time(time) || i_cal_time_get_year(time) > 3000;
}

// The instant the time denotes, clamped to the years the notes file can
// hold.
std::optional<Instant> instantIn(ICalTime* time, ICalTimezone* zone)
{
    if (!isUsableTime(time))
        return std::nullopt;
    GObjectRef<ICalTime> wall = adopt(i_cal_time_clone(time));
    if (i_cal_time_is_date(wall.get())) {
        // A date stands for the start of that day in the given zone.
        i_cal_time_set_is_date(wall.get(), FALSE);
        i_cal_time_set_time(wall.get(), 0, 0, 0);
    }
    const time_t seconds = i_cal_time_as_timet_with_zone(wall.get(), zone ? zone : utcZone());
    return clampedToStorable(instantFromSeconds(static_cast<std::int64_t>(seconds)));
}

// A text as the notes file and the next write can hold it. Bytes that are
// not UTF-8 become U+FFFD: a notes file holding them could not be read
// again. Backspace, form feed and carriage return are dropped, as libical
// drops them when it writes, so a reminder read after its own write reads
// the same.
std::optional<std::string> text(const char* value)
{
    if (!value)
        return std::nullopt;
    std::string result;
    if (g_utf8_validate(value, -1, nullptr)) {
        result = value;
    } else {
        gchar* valid = g_utf8_make_valid(value, -1);
        result = valid;
        g_free(valid);
    }
    std::erase_if(result, [](char c) { return c == '\b' || c == '\f' || c == '\r'; });
    return result;
}

// The time value of the date-time properties the store reads.
GObjectRef<ICalTime> propertyTime(ICalProperty* property, ICalPropertyKind kind)
{
    switch (kind) {
    case I_CAL_DUE_PROPERTY:
        return adopt(i_cal_property_get_due(property));
    case I_CAL_DTSTART_PROPERTY:
        return adopt(i_cal_property_get_dtstart(property));
    case I_CAL_COMPLETED_PROPERTY:
        return adopt(i_cal_property_get_completed(property));
    case I_CAL_LASTMODIFIED_PROPERTY:
        return adopt(i_cal_property_get_lastmodified(property));
    case I_CAL_CREATED_PROPERTY:
        return adopt(i_cal_property_get_created(property));
    default:
        return nullptr;
    }
}

// COMPLETED, LAST-MODIFIED and CREATED are UTC by definition.
std::optional<Instant> utcProperty(ICalComponent* component, ICalPropertyKind kind)
{
    GObjectRef<ICalProperty> property = adopt(i_cal_component_get_first_property(component, kind));
    if (!property)
        return std::nullopt;
    GObjectRef<ICalTime> time = propertyTime(property.get(), kind);
    return instantIn(time.get(), utcZone());
}

int clampedPriority(int value) { return std::clamp(value, 0, 9); }

} // namespace

std::optional<Instant> timeInstant(ICalTime* time, ICalTimezone* fallbackZone)
{
    if (!time)
        return std::nullopt;
    ICalTimezone* zone = nullptr;
    if (i_cal_time_is_utc(time))
        zone = utcZone();
    else if (!i_cal_time_is_date(time))
        zone = i_cal_time_get_timezone(time);
    return instantIn(time, zone ? zone : fallbackZone);
}

std::optional<Instant> propertyInstant(ICalComponent* component, ICalPropertyKind kind, const ZoneLookup& lookup,
    ICalTimezone* localZone)
{
    GObjectRef<ICalProperty> property = adopt(i_cal_component_get_first_property(component, kind));
    if (!property)
        return std::nullopt;
    GObjectRef<ICalTime> time = propertyTime(property.get(), kind);
    if (!time)
        return std::nullopt;
    ICalTimezone* zone = nullptr;
    if (i_cal_time_is_utc(time.get())) {
        zone = utcZone();
    } else if (!i_cal_time_is_date(time.get())) {
        GObjectRef<ICalParameter> tzid = adopt(i_cal_property_get_first_parameter(property.get(), I_CAL_TZID_PARAMETER));
        if (tzid && lookup) {
            if (const char* name = i_cal_parameter_get_tzid(tzid.get()))
                zone = lookup(name);
        }
    }
    return instantIn(time.get(), zone ? zone : localZone);
}

StoreReminder reminderFromComponent(ICalComponent* todo, const ZoneLookup& lookup, ICalTimezone* localZone)
{
    StoreReminder reminder;
    reminder.uid = text(i_cal_component_get_uid(todo)).value_or("");
    reminder.title = text(i_cal_component_get_summary(todo)).value_or("");
    // An absent description reads as empty notes, so that saving empty notes
    // (which removes the property) reads back the same.
    reminder.notes = text(i_cal_component_get_description(todo)).value_or("");
    if (GObjectRef<ICalProperty> priority = adopt(i_cal_component_get_first_property(todo, I_CAL_PRIORITY_PROPERTY)))
        reminder.priority = clampedPriority(i_cal_property_get_priority(priority.get()));
    reminder.completionDate = utcProperty(todo, I_CAL_COMPLETED_PROPERTY);
    reminder.isCompleted = i_cal_component_get_status(todo) == I_CAL_STATUS_COMPLETED || reminder.completionDate;
    reminder.dueDate = propertyInstant(todo, I_CAL_DUE_PROPERTY, lookup, localZone);
    reminder.lastModifiedDate = utcProperty(todo, I_CAL_LASTMODIFIED_PROPERTY);
    return reminder;
}

StoreEvent eventFromComponent(ICalComponent* event)
{
    StoreEvent result;
    result.uid = text(i_cal_component_get_uid(event)).value_or("");
    result.title = text(i_cal_component_get_summary(event)).value_or("");
    result.notes = text(i_cal_component_get_description(event));
    result.location = text(i_cal_component_get_location(event));
    result.lastModifiedDate = utcProperty(event, I_CAL_LASTMODIFIED_PROPERTY);
    return result;
}

std::optional<StoreEvent> eventOccurrence(ICalComponent* event, ICalTime* instanceStart, ICalTimezone* localZone)
{
    std::optional<Instant> startDate = timeInstant(instanceStart, localZone);
    if (!startDate)
        return std::nullopt;
    StoreEvent result = eventFromComponent(event);
    if (result.uid.empty())
        return std::nullopt;
    result.startDate = *startDate;
    return result;
}

void applyReminder(ICalComponent* todo, const StoreReminder& reminder, Instant now, const ZoneLookup& lookup,
    ICalTimezone* localZone)
{
    i_cal_component_set_summary(todo, reminder.title.c_str());

    e_cal_util_component_remove_property_by_kind(todo, I_CAL_DESCRIPTION_PROPERTY, TRUE);
    if (reminder.notes && !reminder.notes->empty())
        i_cal_component_set_description(todo, reminder.notes->c_str());

    e_cal_util_component_remove_property_by_kind(todo, I_CAL_PRIORITY_PROPERTY, TRUE);
    if (const int priority = clampedPriority(reminder.priority); priority > 0)
        i_cal_component_take_property(todo, i_cal_property_new_priority(priority));

    // STATUS, COMPLETED and PERCENT-COMPLETE always agree, whichever of them
    // another client reads.
    const std::optional<Instant> storedCompletion = utcProperty(todo, I_CAL_COMPLETED_PROPERTY);
    const bool wasCompleted = i_cal_component_get_status(todo) == I_CAL_STATUS_COMPLETED || storedCompletion;
    if (reminder.isCompleted) {
        const Instant completedAt = reminder.completionDate.value_or(storedCompletion.value_or(now));
        // The stored property stays when it denotes the same second: libical
        // writes a time made from a far time_t (year 4060, say) as zeros.
        const auto toSecond = [](Instant instant) { return std::chrono::floor<std::chrono::seconds>(instant); };
        if (!storedCompletion || toSecond(*storedCompletion) != toSecond(completedAt)) {
            e_cal_util_component_remove_property_by_kind(todo, I_CAL_COMPLETED_PROPERTY, TRUE);
            GObjectRef<ICalTime> completed = adopt(i_cal_time_new_from_timet_with_zone(
                static_cast<time_t>(secondsSinceEpoch(completedAt)), FALSE, utcZone()));
            i_cal_component_take_property(todo, i_cal_property_new_completed(completed.get()));
        }
        e_cal_util_component_remove_property_by_kind(todo, I_CAL_PERCENTCOMPLETE_PROPERTY, TRUE);
        i_cal_component_take_property(todo, i_cal_property_new_percentcomplete(100));
        i_cal_component_set_status(todo, I_CAL_STATUS_COMPLETED);
    } else if (wasCompleted) {
        e_cal_util_component_remove_property_by_kind(todo, I_CAL_COMPLETED_PROPERTY, TRUE);
        e_cal_util_component_remove_property_by_kind(todo, I_CAL_PERCENTCOMPLETE_PROPERTY, TRUE);
        i_cal_component_set_status(todo, I_CAL_STATUS_NEEDSACTION);
    }
    // A component with more than one STATUS reads by its first one; a later
    // one (COMPLETED after an unknown one, say) would take over once the
    // first, written empty, is dropped as unreadable: only the one read stays.
    if (i_cal_component_count_properties(todo, I_CAL_STATUS_PROPERTY) > 1) {
        const ICalPropertyStatus status = i_cal_component_get_status(todo);
        e_cal_util_component_remove_property_by_kind(todo, I_CAL_STATUS_PROPERTY, TRUE);
        if (status != I_CAL_STATUS_NONE && status != I_CAL_STATUS_X)
            i_cal_component_set_status(todo, status);
    }

    const auto toMinute = [](Instant instant) { return std::chrono::floor<std::chrono::minutes>(instant); };
    const std::optional<Instant> storedDue = propertyInstant(todo, I_CAL_DUE_PROPERTY, lookup, localZone);
    const bool sameDue = storedDue && reminder.dueDate && toMinute(*storedDue) == toMinute(*reminder.dueDate);
    if (!sameDue) {
        e_cal_util_component_remove_property_by_kind(todo, I_CAL_DUE_PROPERTY, TRUE);
        if (reminder.dueDate) {
            const auto minute = toMinute(*reminder.dueDate);
            GObjectRef<ICalTime> due = adopt(i_cal_time_new_from_timet_with_zone(
                static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(minute.time_since_epoch()).count()),
                FALSE, utcZone()));
            i_cal_component_take_property(todo, i_cal_property_new_due(due.get()));
        }
    }
}

} // namespace brivet::eds
