// Real components as Evolution Data Server hands them over (the fuzz seeds)
// converted as a sync reads them, against the expected text beside them in
// tests/data/eds. BRIVET_WRITE_GOLDEN=1 rewrites the expected files from
// what this version reads; review the diff before committing it.
#include "sync/eds/EdsComponents.h"
#include "sync/eds/GObjectRef.h"
#include "model/NoteCoding.h"

#include "fuzz/ComponentZones.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace brivet;
using namespace brivet::eds;
using namespace brivet::testing;

namespace {

const std::filesystem::path corpus = std::filesystem::path(BRIVET_SOURCE_DIR) / "tests/fuzz/corpus/eds_component";
const std::filesystem::path expectedDir = std::filesystem::path(BRIVET_SOURCE_DIR) / "tests/data/eds";
// Occurrences listed per event; a weekly event repeats for years.
constexpr std::size_t listedOccurrences = 8;

// Floating times are read here, as in the fuzz target.
ICalTimezone* readingZone() { return i_cal_timezone_get_builtin_timezone("America/Los_Angeles"); }

std::string shownDate(const std::optional<Instant>& instant) { return instant ? formatIsoDate(*instant) : "-"; }

void describeReminder(ICalComponent* todo, const ZoneLookup& lookup, std::ostream& out)
{
    StoreReminder r = reminderFromComponent(todo, lookup, readingZone());
    out << "reminder " << r.uid << "\n  title: " << r.title << "\n  notes: " << r.notes.value_or("-")
        << "\n  priority: " << r.priority << "\n  completed: " << (r.isCompleted ? "yes" : "no") << " at "
        << shownDate(r.completionDate) << "\n  due: " << shownDate(r.dueDate) << "\n  modified: " << shownDate(r.lastModifiedDate) << "\n";
}

void describeEvent(ICalComponent* event, ComponentZones& zones, std::ostream& out)
{
    struct Collect {
        std::vector<StoreEvent> found;
    } collect;
    // 2025 to 2031, around the files' dates.
    ICalTimezone* utc = i_cal_timezone_get_utc_timezone();
    GObjectRef<ICalTime> start = adopt(i_cal_time_new_from_timet_with_zone(1'735'689'600, FALSE, utc));
    GObjectRef<ICalTime> end = adopt(i_cal_time_new_from_timet_with_zone(1'956'528'000, FALSE, utc));
    e_cal_recur_generate_instances_sync(
        event, start.get(), end.get(),
        [](ICalComponent* component, ICalTime* instanceStart, ICalTime*, gpointer data, GCancellable*, GError**) -> gboolean {
            auto* collect = static_cast<Collect*>(data);
            if (auto occurrence = eventOccurrence(component, instanceStart, readingZone()))
                collect->found.push_back(std::move(*occurrence));
            return collect->found.size() < listedOccurrences;
        },
        &collect,
        [](const gchar* tzid, gpointer data, GCancellable*, GError**) -> ICalTimezone* {
            return static_cast<ComponentZones*>(data)->find(tzid);
        },
        &zones, readingZone(), nullptr, nullptr);
    StoreEvent e = eventFromComponent(event);
    out << "event " << e.uid << "\n  title: " << e.title << "\n  notes: " << e.notes.value_or("-")
        << "\n  location: " << e.location.value_or("-") << "\n  modified: " << shownDate(e.lastModifiedDate) << "\n";
    for (const StoreEvent& occurrence : collect.found)
        out << "  occurs: " << formatIsoDate(occurrence.startDate) << "\n";
}

void describe(ICalComponent* component, ComponentZones& zones, std::ostream& out)
{
    const ZoneLookup lookup = [&zones](const char* tzid) { return zones.find(tzid); };
    switch (i_cal_component_isa(component)) {
    case I_CAL_VTODO_COMPONENT:
        // The store skips a detached instance.
        if (!e_cal_util_component_has_property(component, I_CAL_RECURRENCEID_PROPERTY))
            describeReminder(component, lookup, out);
        break;
    case I_CAL_VEVENT_COMPONENT:
        describeEvent(component, zones, out);
        break;
    default:
        break;
    }
}

// What a sync reads from one file: each to-do and event in it, in order.
std::string converted(const std::string& ical)
{
    GObjectRef<ICalComponent> root = adopt(i_cal_component_new_from_string(ical.c_str()));
    if (!root)
        return "unreadable\n";
    std::ostringstream out;
    ComponentZones zones;
    if (i_cal_component_isa(root.get()) != I_CAL_VCALENDAR_COMPONENT) {
        describe(root.get(), zones, out);
        return out.str();
    }
    for (GObjectRef<ICalComponent> child = adopt(i_cal_component_get_first_component(root.get(), I_CAL_VTIMEZONE_COMPONENT));
         child; child = adopt(i_cal_component_get_next_component(root.get(), I_CAL_VTIMEZONE_COMPONENT))) {
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
        describe(child.get(), zones, out);
    return out.str();
}

} // namespace

TEST(EdsGoldenTest, EveryRealComponentReadsAsItsExpectedText)
{
    const bool rewrite = std::getenv("BRIVET_WRITE_GOLDEN") != nullptr;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u) << corpus;
    for (const auto& file : files) {
        const std::string actual = converted(readFile(file));
        const std::filesystem::path expected = expectedDir / (file.filename().string() + ".txt");
        if (rewrite)
            std::ofstream(expected, std::ios::binary) << actual;
        EXPECT_EQ(actual, readFile(expected)) << file.filename();
    }
}
