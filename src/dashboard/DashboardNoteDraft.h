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

    // `stored` with the fields the user changed since `start` (the draft as
    // the editor opened it); every other field keeps the value `stored` has
    // now, so that a tick, a deferral or a sync made meanwhile survives and
    // a field changed on both sides takes the draft's value. Tasks merge by
    // id (see the definition). Where the tasks or the switch changed and
    // tasks remain, completed exactly when every task is (the switch counts
    // only for notes without tasks).
    StickyNote appliedTo(StickyNote stored, const DashboardNoteDraft& start) const;

    friend bool operator==(const DashboardNoteDraft&, const DashboardNoteDraft&) = default;
};

// Calendar notes are read-only in every editor.
inline bool isReadOnlyInEditor(const StickyNote& note) { return note.source == NoteSource::calendar; }

// Writes what the user changed in the draft since `start` into the note
// the state holds now (see appliedTo), asking for a sync when the note
// syncs to reminders or came from them. Returns false, writing nothing, for
// a read-only note or one that has gone.
bool saveDraft(AppState& state, const Uuid& noteId, const DashboardNoteDraft& draft, const DashboardNoteDraft& start);
// Keeps the draft of a note that has gone as a new hidden local note;
// returns its id.
Uuid saveDraftAsNewNote(AppState& state, const DashboardNoteDraft& draft);

} // namespace brivet
