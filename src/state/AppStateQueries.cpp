#include "state/AppState.h"

#include "model/UserCalendar.h"

#include <algorithm>

namespace brivet {

namespace {

bool executionBefore(const StickyNote& a, const StickyNote& b)
{
    if (a.dueDate.has_value() != b.dueDate.has_value())
        return a.dueDate.has_value();
    if (a.dueDate && *a.dueDate != *b.dueDate)
        return *a.dueDate < *b.dueDate;
    if (a.priority != b.priority)
        return priorityRank(a.priority) > priorityRank(b.priority);
    return a.updatedAt > b.updatedAt;
}

int lookaheadDays(SyncDateScope scope)
{
    switch (scope) {
    case SyncDateScope::next30Days: return 30;
    case SyncDateScope::next7Days: return 7;
    default: return 3;
    }
}

} // namespace

// Which notes belong to one execution list at one moment: open, not a
// board, not put off; the day's bounds are worked out once, not per note.
struct AppState::ExecutionFilter {
    ExecutionList list;
    Instant current;
    Instant dayStart;
    Instant nextDayStart;
    Instant upcomingEnd;

    bool operator()(const StickyNote& note) const
    {
        if (note.isCompleted || note.isSceneBoard() || (note.deferredUntil && *note.deferredUntil > current))
            return false;
        switch (list) {
        case ExecutionList::today:
            return note.dueDate && *note.dueDate >= dayStart && *note.dueDate < nextDayStart;
        case ExecutionList::upcoming:
            return note.dueDate && !(*note.dueDate >= dayStart && *note.dueDate < nextDayStart) && *note.dueDate <= upcomingEnd;
        case ExecutionList::drafts:
            return note.source == NoteSource::local && !note.dueDate;
        }
        return false;
    }
};

AppState::ExecutionFilter AppState::executionFilter(ExecutionList list) const
{
    Instant current = now();
    Instant dayStart = m_deps.calendar.startOfDay(current);
    Instant nextDayStart = m_deps.calendar.addingDays(dayStart, 1).value_or(dayStart + std::chrono::hours(24));
    Instant end = list == ExecutionList::upcoming
        ? m_deps.calendar.addingDays(current, lookaheadDays(m_preferences.syncDateScope)).value_or(distantFuture())
        : distantFuture();
    return ExecutionFilter { list, current, dayStart, nextDayStart, end };
}

std::vector<StickyNote> AppState::executionNotes(ExecutionList list, std::size_t limit) const
{
    ExecutionFilter keep = executionFilter(list);
    std::vector<const StickyNote*> matches;
    for (const StickyNote& note : m_notes)
        if (keep(note))
            matches.push_back(&note);
    // The order of a stable sort: ties go to the note earlier in the list,
    // which is the one at the lower address. Only the first `count` are
    // put in order and copied.
    auto before = [](const StickyNote* a, const StickyNote* b) {
        if (executionBefore(*a, *b))
            return true;
        if (executionBefore(*b, *a))
            return false;
        return a < b;
    };
    std::size_t count = std::min(limit, matches.size());
    if (count < matches.size())
        std::partial_sort(matches.begin(), matches.begin() + std::ptrdiff_t(count), matches.end(), before);
    else
        std::sort(matches.begin(), matches.end(), before);
    std::vector<StickyNote> result;
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        result.push_back(*matches[i]);
    return result;
}

const StickyNote* AppState::firstExecutionNote(ExecutionList list) const
{
    // The note a stable sort would put first: the earliest of the smallest.
    ExecutionFilter keep = executionFilter(list);
    const StickyNote* first = nullptr;
    for (const StickyNote& note : m_notes)
        if (keep(note) && (!first || executionBefore(note, *first)))
            first = &note;
    return first;
}

std::size_t AppState::executionNoteCount(ExecutionList list) const
{
    ExecutionFilter keep = executionFilter(list);
    return std::size_t(std::count_if(m_notes.begin(), m_notes.end(), keep));
}

std::vector<StickyNote> AppState::prioritizedExecutionNotes(std::vector<StickyNote> notes) const
{
    std::stable_sort(notes.begin(), notes.end(), executionBefore);
    return notes;
}

std::vector<StickyNote> AppState::todayExecutionNotes() const
{
    return executionNotes(ExecutionList::today);
}

std::vector<StickyNote> AppState::upcomingExecutionNotes() const
{
    return executionNotes(ExecutionList::upcoming);
}

std::vector<StickyNote> AppState::localDraftNotes() const
{
    return executionNotes(ExecutionList::drafts);
}

const StickyNote* AppState::primaryExecutionNoteInPlace() const
{
    for (ExecutionList list : { ExecutionList::today, ExecutionList::upcoming, ExecutionList::drafts })
        if (const StickyNote* first = firstExecutionNote(list))
            return first;
    return nullptr;
}

std::optional<StickyNote> AppState::primaryExecutionNote() const
{
    if (const StickyNote* primary = primaryExecutionNoteInPlace())
        return *primary;
    return std::nullopt;
}

std::size_t AppState::todayExecutionNoteCount() const
{
    return executionNoteCount(ExecutionList::today);
}

std::size_t AppState::upcomingExecutionNoteCount() const
{
    return executionNoteCount(ExecutionList::upcoming);
}

std::vector<StickyNote> AppState::sceneBoards() const
{
    std::vector<StickyNote> boards;
    for (const StickyNote& note : m_notes)
        if (note.isSceneBoard())
            boards.push_back(note);
    std::stable_sort(boards.begin(), boards.end(), [](const StickyNote& a, const StickyNote& b) {
        std::string_view ra = rawValue(a.surfaceRole), rb = rawValue(b.surfaceRole);
        if (ra != rb)
            return ra < rb;
        return a.updatedAt > b.updatedAt;
    });
    return boards;
}

std::vector<StickyNote> AppState::customSceneBoards() const
{
    std::vector<StickyNote> boards = sceneBoards();
    std::erase_if(boards, [](const StickyNote& n) { return n.surfaceRole != NoteSurfaceRole::customBoard; });
    return boards;
}

Instant AppState::defaultTodayBoardDueDate(Instant current) const
{
    return m_deps.calendar.settingTime(current, 23, 59, 0).value_or(current);
}

} // namespace brivet
