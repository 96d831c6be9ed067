#include "dashboard/DashboardNoteDraft.h"

#include "model/UserCalendar.h"
#include "state/AppState.h"

#include <algorithm>

namespace brivet {

DashboardNoteDraft DashboardNoteDraft::from(const StickyNote& note)
{
    return DashboardNoteDraft { note.title, note.details, note.tasks, note.isCompleted, note.priority, note.dueDate,
        note.syncToReminders, note.style.theme };
}

void DashboardNoteDraft::setHasDueDate(bool on, Instant now, const UserCalendar& calendar)
{
    if (!on) {
        dueDate.reset();
        return;
    }
    if (!dueDate)
        dueDate = calendar.addingHours(now, 4).value_or(now + std::chrono::hours(4));
}

Uuid DashboardNoteDraft::appendTask()
{
    NoteTask task;
    task.id = Uuid::random();
    tasks.push_back(task);
    return task.id;
}

void DashboardNoteDraft::removeTask(const Uuid& taskId)
{
    std::erase_if(tasks, [&taskId](const NoteTask& task) { return task.id == taskId; });
}

StickyNote DashboardNoteDraft::appliedTo(StickyNote stored) const
{
    stored.title = title;
    stored.details = details;
    stored.tasks = tasks;
    stored.priority = priority;
    stored.dueDate = dueDate;
    stored.syncToReminders = syncToReminders;
    stored.style.theme = theme;
    stored.isCompleted = isCompleted;
    if (!tasks.empty())
        stored.isCompleted = std::all_of(tasks.begin(), tasks.end(), [](const NoteTask& task) { return task.isCompleted; });
    return stored;
}

bool DashboardNoteDraft::triggersSync(const StickyNote& stored) const
{
    return syncToReminders || stored.source == NoteSource::reminders;
}

bool saveDraft(AppState& state, const Uuid& noteId, const DashboardNoteDraft& draft)
{
    std::optional<StickyNote> stored = state.note(noteId);
    if (!stored || isReadOnlyInEditor(*stored))
        return false;
    state.update(draft.appliedTo(*stored), draft.triggersSync(*stored));
    return true;
}

} // namespace brivet
