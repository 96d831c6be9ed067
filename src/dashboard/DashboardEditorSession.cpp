#include "dashboard/DashboardEditorSession.h"

#include "state/AppState.h"

namespace brivet {

std::optional<DashboardEditorSession> DashboardEditorSession::begin(AppState& state, const Uuid& noteId)
{
    const StickyNote* note = state.findNote(noteId);
    if (!note)
        return std::nullopt;
    bool wasVisible = !note->isHidden;
    if (wasVisible)
        state.hide(noteId);
    return DashboardEditorSession { noteId, wasVisible, false };
}

void DashboardEditorSession::finish(AppState& state, Outcome outcome) const
{
    if (outcome == Outcome::cancelled && deleteOnCancel) {
        state.deleteNote(noteID);
        return;
    }
    // Bypasses the surface policy; a note that has gone sets the status text.
    if (revealAfterFinish)
        state.reveal(noteID, SurfacePolicy::bypass, WindowFocus::take);
}

} // namespace brivet
