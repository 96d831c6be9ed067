#pragma once

#include "model/Uuid.h"

#include <optional>

namespace brivet {

class AppState;

// The overview's record of its open note editor.
struct DashboardEditorSession {
    Uuid noteID;
    // Put the note back on the desktop and focus it when the editor closes
    // by save (and by cancel when not deleting).
    bool revealAfterFinish = false;
    bool deleteOnCancel = false;

    friend bool operator==(const DashboardEditorSession&, const DashboardEditorSession&) = default;

    // Hides the note when it is on the desktop and opens a session that
    // remembers it was; nothing for an id that names no note.
    static std::optional<DashboardEditorSession> begin(AppState& state, const Uuid& noteId);

    enum class Outcome { saved, cancelled };
    // What closing the editor does after the draft was saved or dropped:
    // deletes the note (cancel with deleteOnCancel) or reveals and focuses
    // it again when it was on the desktop.
    void finish(AppState& state, Outcome outcome) const;
};

} // namespace brivet
