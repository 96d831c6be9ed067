#pragma once

#include "dashboard/DashboardFilters.h"
#include "model/Instant.h"
#include "model/StickyNote.h"

#include <array>
#include <cstdint>
#include <vector>

namespace brivet {

class AppState;

// Positions in the state's notes list. Valid until the notes change.
using NotePositions = std::vector<std::uint32_t>;

// The overview's order of listed notes: dated before undated, earlier due
// first; undated ones most recently updated first.
bool dashboardNoteBefore(const StickyNote& a, const StickyNote& b);
// Stable: notes that compare equal keep their order in `notes`.
void sortByNoteOrder(NotePositions& positions, const std::vector<StickyNote>& notes);

// The positions of the notes with these ids, in the order of `ids`; ids
// that name no note are skipped.
NotePositions positionsOf(const std::vector<StickyNote>& notes, const std::vector<Uuid>& ids);

// Every list of the task view and the count of each chip, for one moment.
struct DashboardLists {
    std::array<NotePositions, 5> byFilter;
    // The sources list restricted to each source chip.
    std::array<NotePositions, 4> bySource;

    const NotePositions& list(DashboardOverviewFilter filter, DashboardSourceFilter source) const
    {
        return filter == DashboardOverviewFilter::sources ? bySource[index(source)] : byFilter[index(filter)];
    }
    int count(DashboardOverviewFilter filter) const { return int(byFilter[index(filter)].size()); }
    int count(DashboardSourceFilter source) const { return int(bySource[index(source)].size()); }
};

// The lists over `notes`: `today` and `boards` are the state's today
// execution notes and scene boards (ids in their order), `now` decides
// which deferrals still lie ahead. Ids that name no note are skipped.
DashboardLists computeDashboardLists(const std::vector<StickyNote>& notes, const std::vector<Uuid>& today,
    const std::vector<Uuid>& boards, Instant now);
// The same from the state's queries at the state's current time.
DashboardLists computeDashboardLists(const AppState& state);

} // namespace brivet
