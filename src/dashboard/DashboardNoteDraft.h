#pragma once

#include "model/Instant.h"
#include "model/StickyNote.h"

#include <optional>
#include <string>
#include <vector>

namespace brivet {

class AppState;
class UserCalendar;

// The dashboard editor's working copy of a note; nothing reaches the state
// until it is saved.
struct DashboardNoteDraft {
    std::string title;
    std::string details;
    std::vector<NoteTask> tasks;
    bool isCompleted = false;
    NotePriority priority = NotePriority::normal;
    std::optional<Instant> dueDate;
    bool syncToReminders = false;
    NoteTheme theme = NoteTheme::work;

    static DashboardNoteDraft from(const StickyNote& note);

    bool hasDueDate() const { return dueDate.has_value(); }
    // On: four calendar hours after `now`; off: no due date.
    void setHasDueDate(bool on, Instant now, const UserCalendar& calendar);
    // Appends an empty open task without links; returns its id.
    Uuid appendTask();
    // Removes every task with that id.
    void removeTask(const Uuid& taskId);

    // `stored` with the draft's fields; with tasks, completed exactly when
    // every task is (the switch counts only for notes without tasks).
    StickyNote appliedTo(StickyNote stored) const;
    // Whether saving asks for a sync: the draft syncs to reminders or the
    // note came from them.
    bool triggersSync(const StickyNote& stored) const;

    friend bool operator==(const DashboardNoteDraft&, const DashboardNoteDraft&) = default;
};

// Calendar notes are read-only in every editor.
inline bool isReadOnlyInEditor(const StickyNote& note) { return note.source == NoteSource::calendar; }

// Writes the draft into the note the state holds now (every field the draft
// does not hold stays as stored). Returns false, writing nothing, for a
// read-only note or one that has gone.
bool saveDraft(AppState& state, const Uuid& noteId, const DashboardNoteDraft& draft);

} // namespace brivet
