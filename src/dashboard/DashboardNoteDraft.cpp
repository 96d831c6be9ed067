#include "dashboard/DashboardNoteDraft.h"

#include "model/UserCalendar.h"
#include "state/AppState.h"

#include <algorithm>

namespace brivet {

namespace {

const NoteTask* taskWithId(const std::vector<NoteTask>& tasks, const Uuid& id)
{
    auto found = std::find_if(tasks.begin(), tasks.end(), [&id](const NoteTask& task) { return task.id == id; });
    return found == tasks.end() ? nullptr : &*found;
}

// The tasks to save once the user changed the list, merged per task id so
// that only what they did in the editor wins: a task they left alone keeps
// its stored state (a tick from a desktop card survives) and stays deleted
// when it went elsewhere; a task they edited takes the fields they changed
// (title, completion) over the stored ones and comes back if it went; a
// task they added or deleted stays added or deleted. Tasks added elsewhere
// meanwhile follow the draft's.
std::vector<NoteTask> mergedTasks(
    const std::vector<NoteTask>& draft, const std::vector<NoteTask>& start, const std::vector<NoteTask>& stored)
{
    std::vector<NoteTask> merged;
    for (const NoteTask& task : draft) {
        const NoteTask* before = taskWithId(start, task.id);
        const NoteTask* now = taskWithId(stored, task.id);
        if (!before || !now) {
            if (!before || task != *before)
                merged.push_back(task);
            continue;
        }
        NoteTask result = *now;
        if (task.title != before->title)
            result.title = task.title;
        if (task.isCompleted != before->isCompleted)
            result.isCompleted = task.isCompleted;
        merged.push_back(result);
    }
    for (const NoteTask& task : stored)
        if (!taskWithId(start, task.id) && !taskWithId(draft, task.id))
            merged.push_back(task);
    return merged;
}

} // namespace

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

StickyNote DashboardNoteDraft::appliedTo(StickyNote stored, const DashboardNoteDraft& start) const
{
    if (title != start.title)
        stored.title = title;
    if (details != start.details)
        stored.details = details;
    if (priority != start.priority)
        stored.priority = priority;
    if (dueDate != start.dueDate)
        stored.dueDate = dueDate;
    if (syncToReminders != start.syncToReminders)
        stored.syncToReminders = syncToReminders;
    if (theme != start.theme)
        stored.style.theme = theme;
    bool tasksChanged = tasks != start.tasks;
    bool switchChanged = isCompleted != start.isCompleted;
    if (tasksChanged)
        stored.tasks = mergedTasks(tasks, start.tasks, stored.tasks);
    if (switchChanged)
        stored.isCompleted = isCompleted;
    if ((tasksChanged || switchChanged) && !stored.tasks.empty())
        stored.isCompleted
            = std::all_of(stored.tasks.begin(), stored.tasks.end(), [](const NoteTask& task) { return task.isCompleted; });
    return stored;
}

bool saveDraft(AppState& state, const Uuid& noteId, const DashboardNoteDraft& draft, const DashboardNoteDraft& start)
{
    std::optional<StickyNote> stored = state.note(noteId);
    if (!stored || isReadOnlyInEditor(*stored))
        return false;
    StickyNote saved = draft.appliedTo(*stored, start);
    state.update(saved,
        saved.syncToReminders || saved.source == NoteSource::reminders ? SyncAfterEdit::yes : SyncAfterEdit::no);
    return true;
}

Uuid saveDraftAsNewNote(AppState& state, const DashboardNoteDraft& draft)
{
    Uuid id = state.createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::hidden);
    // Against a draft of the blank note every field of `draft` counts as
    // changed, so all of them are written.
    if (std::optional<StickyNote> created = state.note(id))
        saveDraft(state, id, draft, DashboardNoteDraft::from(*created));
    return id;
}

} // namespace brivet
