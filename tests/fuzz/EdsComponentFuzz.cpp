// Any bytes as what Evolution Data Server hands the store: a VTODO or
// VEVENT, alone or in a VCALENDAR with VTIMEZONEs of its own. Converting
// never crashes and yields texts the notes file can hold (UTF-8); a
// reminder written onto a copy of its component reads back the same, one
// with changed fields reads back with those fields; an event's occurrences
// read the same after the component is written out and parsed again.
#include "ComponentZones.h"
#include "FuzzCheck.h"

#include "model/NoteCoding.h"
#include "sync/eds/EdsComponents.h"
#include "sync/eds/GObjectRef.h"

#include <glib.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace brivet;
using namespace brivet::eds;
using namespace brivet::testing;

namespace {

const Instant now = instantFromSeconds(1'796'000'000);

ICalTimezone* localZone() { return i_cal_timezone_get_builtin_timezone("America/Los_Angeles"); }

// Control characters and bytes past ASCII as \xNN, so a report shows them.
std::string shown(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string describe(const StoreReminder& r)
{
    auto date = [](const std::optional<Instant>& d) { return d ? formatIsoDate(*d) : std::string("-"); };
    return "uid=" + shown(r.uid) + " title=" + shown(r.title) + " notes=" + shown(r.notes.value_or("-")) + " priority=" + std::to_string(r.priority)
        + " completed=" + std::to_string(r.isCompleted) + " at " + date(r.completionDate) + " due=" + date(r.dueDate)
        + " modified=" + date(r.lastModifiedDate);
}

bool sameReminder(const StoreReminder& a, const StoreReminder& b)
{
    return a.uid == b.uid && a.title == b.title && a.notes.value_or("") == b.notes.value_or("") && a.priority == b.priority
        && a.isCompleted == b.isCompleted && a.completionDate == b.completionDate && a.dueDate == b.dueDate
        && a.lastModifiedDate == b.lastModifiedDate;
}

bool isUtf8(const std::string& text) { return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr); }

std::string written(ICalComponent* component)
{
    gchar* text = i_cal_component_as_ical_string(component);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

// A text as the store's format gives it back: libical drops the spaces and
// tabs around a property's value when it parses it.
std::string storable(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Writes `reminder` onto a copy of `todo`, then reads the copy back from
// its text as the store would after saving it.
StoreReminder writtenAndRead(ICalComponent* todo, const StoreReminder& reminder, const ZoneLookup& lookup, std::string& text)
{
    GObjectRef<ICalComponent> copy = adopt(i_cal_component_clone(todo));
    applyReminder(copy.get(), reminder, now, lookup, localZone());
    text = written(copy.get());
    GObjectRef<ICalComponent> reread = adopt(i_cal_component_new_from_string(text.c_str()));
    BRIVET_FUZZ_CHECK(reread, "written reminder does not parse: " + text);
    return reminderFromComponent(reread.get(), lookup, localZone());
}

void checkReminder(ICalComponent* todo, const ZoneLookup& lookup)
{
    const StoreReminder read = reminderFromComponent(todo, lookup, localZone());
    BRIVET_FUZZ_CHECK(isUtf8(read.uid) && isUtf8(read.title) && isUtf8(read.notes.value_or("")), describe(read));
    BRIVET_FUZZ_CHECK(read.priority >= 0 && read.priority <= 9, describe(read));
    for (const auto& date : { read.dueDate, read.completionDate, read.lastModifiedDate })
        if (date)
            BRIVET_FUZZ_CHECK(*date >= earliestStorableInstant && *date <= latestStorableInstant, describe(read));

    // Unchanged: the same fields come back; a completion without a date is
    // stamped with the time of the write.
    std::string text;
    StoreReminder expected = read;
    if (expected.isCompleted && !expected.completionDate)
        expected.completionDate = now;
    const StoreReminder same = writtenAndRead(todo, read, lookup, text);
    BRIVET_FUZZ_CHECK(sameReminder(same, expected), describe(expected) + " became " + describe(same) + " in " + shown(text));

    // Changed: what the engine writes is what the next read finds, the due
    // date to the minute.
    StoreReminder changed = read;
    changed.title = read.title + " (edited)";
    changed.notes = read.notes.value_or("").empty() ? std::string("details") : std::string();
    changed.priority = (read.priority + 4) % 10;
    changed.isCompleted = !read.isCompleted;
    changed.completionDate = changed.isCompleted ? std::optional<Instant>(instantFromSeconds(1'795'000'000)) : std::nullopt;
    changed.dueDate = read.dueDate ? std::optional<Instant>() : std::optional<Instant>(instantFromSeconds(1'797'000'000));
    const StoreReminder after = writtenAndRead(todo, changed, lookup, text);
    StoreReminder want = changed;
    want.title = storable(want.title);
    want.notes = storable(*want.notes);
    BRIVET_FUZZ_CHECK(sameReminder(after, want), describe(want) + " became " + describe(after) + " in " + shown(text));
}

std::vector<StoreEvent> occurrences(ICalComponent* event, ComponentZones& zones)
{
    struct Collect {
        ICalComponent* event;
        std::vector<StoreEvent> found;
    } collect { event, {} };
    // 2025 to 2031, around the seeds' dates.
    ICalTimezone* utc = i_cal_timezone_get_utc_timezone();
    GObjectRef<ICalTime> start = adopt(i_cal_time_new_from_timet_with_zone(1'735'689'600, FALSE, utc));
    GObjectRef<ICalTime> end = adopt(i_cal_time_new_from_timet_with_zone(1'956'528'000, FALSE, utc));
    e_cal_recur_generate_instances_sync(
        event, start.get(), end.get(),
        [](ICalComponent* component, ICalTime* instanceStart, ICalTime*, gpointer data, GCancellable*, GError**) -> gboolean {
            auto* collect = static_cast<Collect*>(data);
            if (auto occurrence = eventOccurrence(component, instanceStart, localZone()))
                collect->found.push_back(std::move(*occurrence));
            return collect->found.size() < 400;
        },
        &collect,
        [](const gchar* tzid, gpointer data, GCancellable*, GError**) -> ICalTimezone* {
            return static_cast<ComponentZones*>(data)->find(tzid);
        },
        &zones, localZone(), nullptr, nullptr);
    return std::move(collect.found);
}

void checkEvent(ICalComponent* event, ComponentZones& zones)
{
    const std::vector<StoreEvent> first = occurrences(event, zones);
    for (const StoreEvent& e : first) {
        BRIVET_FUZZ_CHECK(isUtf8(e.uid) && isUtf8(e.title) && isUtf8(e.notes.value_or("")) && isUtf8(e.location.value_or("")),
            e.uid);
        BRIVET_FUZZ_CHECK(e.startDate >= earliestStorableInstant && e.startDate <= latestStorableInstant, e.uid);
    }
    // The app never writes events; the round trip through libical's own
    // writer only holds for what libical read without complaint. A property
    // it could not parse (marked X-LIC-ERROR) may be written in a form that
    // parses differently, or next to a repeated one that then wins.
    if (e_cal_util_component_has_property(event, I_CAL_XLICERROR_PROPERTY))
        return;
    const std::string text = written(event);
    GObjectRef<ICalComponent> reread = adopt(i_cal_component_new_from_string(text.c_str()));
    BRIVET_FUZZ_CHECK(reread, "written event does not parse: " + text);
    const std::vector<StoreEvent> second = occurrences(reread.get(), zones);
    BRIVET_FUZZ_CHECK(first.size() == second.size(), text);
    for (std::size_t i = 0; i < first.size(); ++i) {
        const StoreEvent &a = first[i], &b = second[i];
        BRIVET_FUZZ_CHECK(a.uid == b.uid && a.title == b.title && a.notes == b.notes && a.location == b.location
                && a.startDate == b.startDate && a.lastModifiedDate == b.lastModifiedDate,
            text);
    }
}

void checkComponent(ICalComponent* component, ComponentZones& zones, const ZoneLookup& lookup)
{
    switch (i_cal_component_isa(component)) {
    case I_CAL_VTODO_COMPONENT:
        // Detached instances are skipped by the store.
        if (!e_cal_util_component_has_property(component, I_CAL_RECURRENCEID_PROPERTY))
            checkReminder(component, lookup);
        break;
    case I_CAL_VEVENT_COMPONENT:
        checkEvent(component, zones);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    GObjectRef<ICalComponent> root = adopt(i_cal_component_new_from_string(input.c_str()));
    if (!root)
        return 0;
    ComponentZones zones;
    const ZoneLookup lookup = [&zones](const char* tzid) { return zones.find(tzid); };
    if (i_cal_component_isa(root.get()) != I_CAL_VCALENDAR_COMPONENT) {
        checkComponent(root.get(), zones, lookup);
        return 0;
    }
    for (GObjectRef<ICalComponent> child = adopt(i_cal_component_get_first_component(root.get(), I_CAL_VTIMEZONE_COMPONENT));
         child; child = adopt(i_cal_component_get_next_component(root.get(), I_CAL_VTIMEZONE_COMPONENT))) {
        // The zone takes over the native component of a copy that no
        // calendar owns; it refuses one without a TZID, and the copy it
        // was handed then leaks, so such a zone is never handed over.
        if (!e_cal_util_component_has_property(child.get(), I_CAL_TZID_PROPERTY))
            continue;
        GObjectRef<ICalTimezone> zone = adopt(i_cal_timezone_new());
        GObjectRef<ICalComponent> copy = adopt(i_cal_component_clone(child.get()));
        if (i_cal_timezone_set_component(zone.get(), copy.get()))
            zones.own.push_back(std::move(zone));
    }
    std::vector<GObjectRef<ICalComponent>> children;
    for (GObjectRef<ICalComponent> child = adopt(i_cal_component_get_first_component(root.get(), I_CAL_ANY_COMPONENT)); child;
         child = adopt(i_cal_component_get_next_component(root.get(), I_CAL_ANY_COMPONENT)))
        children.push_back(std::move(child));
    for (const auto& child : children)
        checkComponent(child.get(), zones, lookup);
    return 0;
}
