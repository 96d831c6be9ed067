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

bool AppState::isExecutionCandidate(const StickyNote& note, Instant current) const
{
    return !note.isCompleted && !note.isSceneBoard() && (!note.deferredUntil || *note.deferredUntil <= current);
}

std::vector<StickyNote> AppState::prioritizedExecutionNotes(std::vector<StickyNote> notes) const
{
    std::stable_sort(notes.begin(), notes.end(), executionBefore);
    return notes;
}

std::vector<StickyNote> AppState::todayExecutionNotes() const
{
    Instant current = now();
    Instant dayStart = m_deps.calendar.startOfDay(current);
    Instant nextDayStart = m_deps.calendar.addingDays(dayStart, 1).value_or(dayStart + std::chrono::hours(24));
    std::vector<StickyNote> result;
    for (const StickyNote& note : m_notes)
        if (isExecutionCandidate(note, current) && note.dueDate && *note.dueDate >= dayStart && *note.dueDate < nextDayStart)
            result.push_back(note);
    return prioritizedExecutionNotes(std::move(result));
}

std::vector<StickyNote> AppState::upcomingExecutionNotes() const
{
    Instant current = now();
    Instant dayStart = m_deps.calendar.startOfDay(current);
    Instant nextDayStart = m_deps.calendar.addingDays(dayStart, 1).value_or(dayStart + std::chrono::hours(24));
    Instant end = m_deps.calendar.addingDays(current, lookaheadDays(m_preferences.syncDateScope)).value_or(distantFuture());
    std::vector<StickyNote> result;
    for (const StickyNote& note : m_notes) {
        if (!isExecutionCandidate(note, current) || !note.dueDate)
            continue;
        bool today = *note.dueDate >= dayStart && *note.dueDate < nextDayStart;
        if (!today && *note.dueDate <= end)
            result.push_back(note);
    }
    return prioritizedExecutionNotes(std::move(result));
}

std::vector<StickyNote> AppState::localDraftNotes() const
{
    Instant current = now();
    std::vector<StickyNote> result;
    for (const StickyNote& note : m_notes)
        if (isExecutionCandidate(note, current) && note.source == NoteSource::local && !note.dueDate)
            result.push_back(note);
    return prioritizedExecutionNotes(std::move(result));
}

std::optional<StickyNote> AppState::primaryExecutionNote() const
{
    if (auto today = todayExecutionNotes(); !today.empty())
        return today.front();
    if (auto upcoming = upcomingExecutionNotes(); !upcoming.empty())
        return upcoming.front();
    if (auto drafts = localDraftNotes(); !drafts.empty())
        return drafts.front();
    return std::nullopt;
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
