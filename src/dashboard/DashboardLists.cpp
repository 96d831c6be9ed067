#include "dashboard/DashboardLists.h"

#include "model/Clock.h"
#include "state/AppState.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace brivet {

namespace {

std::vector<Uuid> idsOf(const std::vector<StickyNote>& notes)
{
    std::vector<Uuid> ids;
    ids.reserve(notes.size());
    for (const StickyNote& note : notes)
        ids.push_back(note.id);
    return ids;
}

} // namespace

NotePositions positionsOf(const std::vector<StickyNote>& notes, const std::vector<Uuid>& ids)
{
    // Map only the few wanted ids, then walk the notes once.
    std::unordered_map<Uuid, std::size_t> slot;
    slot.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i)
        slot.emplace(ids[i], i);
    constexpr auto missing = std::numeric_limits<std::uint32_t>::max();
    NotePositions result(ids.size(), missing);
    if (!ids.empty()) {
        for (std::size_t i = 0; i < notes.size(); ++i)
            if (auto found = slot.find(notes[i].id); found != slot.end())
                result[found->second] = std::uint32_t(i);
    }
    std::erase(result, missing);
    return result;
}

bool dashboardNoteBefore(const StickyNote& a, const StickyNote& b)
{
    if (a.dueDate.has_value() != b.dueDate.has_value())
        return a.dueDate.has_value();
    if (a.dueDate)
        return *a.dueDate < *b.dueDate;
    return a.updatedAt > b.updatedAt;
}

void sortByNoteOrder(NotePositions& positions, const std::vector<StickyNote>& notes)
{
    std::stable_sort(positions.begin(), positions.end(),
        [&notes](std::uint32_t a, std::uint32_t b) { return dashboardNoteBefore(notes[a], notes[b]); });
}

DashboardLists computeDashboardLists(const std::vector<StickyNote>& notes, const std::vector<Uuid>& today,
    const std::vector<Uuid>& boards, Instant now)
{
    DashboardLists lists;
    lists.byFilter[index(DashboardOverviewFilter::today)] = positionsOf(notes, today);
    lists.byFilter[index(DashboardOverviewFilter::sceneBoards)] = positionsOf(notes, boards);

    NotePositions& sources = lists.byFilter[index(DashboardOverviewFilter::sources)];
    NotePositions& deferred = lists.byFilter[index(DashboardOverviewFilter::deferred)];
    NotePositions& surfaced = lists.byFilter[index(DashboardOverviewFilter::surfaced)];
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const StickyNote& note = notes[i];
        bool deferredAhead = note.deferredUntil && *note.deferredUntil > now;
        if (deferredAhead)
            deferred.push_back(std::uint32_t(i));
        else if (!note.isSceneBoard())
            sources.push_back(std::uint32_t(i));
        if (!note.isHidden && !(note.isCompleted && !note.isSceneBoard()))
            surfaced.push_back(std::uint32_t(i));
    }
    sortByNoteOrder(sources, notes);
    sortByNoteOrder(deferred, notes);
    sortByNoteOrder(surfaced, notes);

    // Filtering a sorted list keeps its order.
    lists.bySource[index(DashboardSourceFilter::all)] = sources;
    for (DashboardSourceFilter filter : allSourceFilters) {
        std::optional<NoteSource> source = noteSource(filter);
        if (!source)
            continue;
        NotePositions& subset = lists.bySource[index(filter)];
        for (std::uint32_t position : sources)
            if (notes[position].source == *source)
                subset.push_back(position);
    }
    return lists;
}

DashboardLists computeDashboardLists(const AppState& state)
{
    return computeDashboardLists(state.notes(), idsOf(state.todayExecutionNotes()), idsOf(state.sceneBoards()),
        state.clock().now());
}

} // namespace brivet
