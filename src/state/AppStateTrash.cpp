#include "state/AppState.h"

#include "model/AppLogger.h"
#include "state/NoteTrash.h"

#include <algorithm>

namespace brivet {

TrashEntry AppState::takeIntoTrash(std::vector<StickyNote>::iterator note)
{
    TrashEntry entry;
    entry.deletedAt = now();
    entry.position = static_cast<std::size_t>(note - m_notes.begin());
    for (const StickyNote& board : m_notes)
        for (std::size_t i = 0; i < board.tasks.size(); ++i)
            if (board.tasks[i].linkedNoteID == note->id)
                entry.boardLines.push_back(TrashedBoardLine { board.id, i, board.tasks[i] });
    entry.note = std::move(*note);
    m_notes.erase(note);
    return entry;
}

void AppState::endUndoOffer()
{
    m_undoOfferTask.cancel();
    if (!m_undoOffer)
        return;
    m_undoOffer.reset();
    notify(StateField::trash);
}

const std::vector<TrashEntry>& AppState::trash()
{
    m_trash->ensureLoaded(m_notes, now());
    m_trash->purge(now());
    return m_trash->entries();
}

const std::optional<std::string>& AppState::trashProblem() const
{
    return m_trash->problem();
}

bool AppState::undoLastDelete()
{
    if (!m_undoOffer)
        return false;
    return restoreFromTrash(m_undoOffer->noteId);
}

bool AppState::restoreFromTrash(const Uuid& noteId)
{
    m_trash->ensureLoaded(m_notes, now());
    const TrashEntry* found = m_trash->find(noteId);
    if (!found || findNote(noteId))
        return false;
    TrashEntry entry = *found;
    {
        Operation op(*this);
        // A sync while the note was in the trash brought its reminder (or
        // event) back as a note of its own. The restored note takes the
        // link back; that copy goes to the trash in its place, so nothing
        // is lost and the next sync finds one note per reminder.
        if (entry.note.externalLink) {
            const ExternalLink& link = *entry.note.externalLink;
            auto copy = std::find_if(m_notes.begin(), m_notes.end(), [&](const StickyNote& note) {
                return note.externalLink && note.externalLink->source == link.source
                    && note.externalLink->externalID == link.externalID;
            });
            if (copy != m_notes.end()) {
                m_deps.logger.log("Moved note " + copy->id.toString() + " to the trash: the restored note "
                    + noteId.toString() + " holds its link");
                m_trash->add(takeIntoTrash(copy), m_notes, now());
            }
        }
        StickyNote note = entry.note;
        normalizeAndPlace(note);
        const std::size_t position = std::min(entry.position, m_notes.size());
        m_notes.insert(m_notes.begin() + static_cast<std::ptrdiff_t>(position), note);
        // Lines a board refresh removed meanwhile come back where they stood.
        for (const TrashedBoardLine& line : entry.boardLines) {
            StickyNote* board = mutableNote(line.boardId);
            if (!board)
                continue;
            const bool present = std::any_of(board->tasks.begin(), board->tasks.end(),
                [&](const NoteTask& task) { return task.linkedNoteID == noteId; });
            if (present)
                continue;
            const std::size_t at = std::min(line.position, board->tasks.size());
            board->tasks.insert(board->tasks.begin() + static_cast<std::ptrdiff_t>(at), line.line);
            board->touch(now());
        }
        refreshCustomSceneBoardTasks(note);
        notesDidChange();
        m_deps.logger.log("Restored note " + noteId.toString() + " from the trash");
        rescheduleDeferredRevealTask();
        persistNotes(true);
        reconcileWindows();
    }
    // Only once the notes are on their way to the writer does the trash
    // let go of the note.
    m_trash->take(noteId);
    if (m_undoOffer && m_undoOffer->noteId == noteId) {
        m_undoOfferTask.cancel();
        m_undoOffer.reset();
    }
    notify(StateField::trash);
    return true;
}

void AppState::deleteFromTrash(const Uuid& noteId)
{
    m_trash->ensureLoaded(m_notes, now());
    if (!m_trash->take(noteId))
        return;
    m_deps.logger.log("Deleted note " + noteId.toString() + " from the trash for good");
    if (m_undoOffer && m_undoOffer->noteId == noteId) {
        m_undoOfferTask.cancel();
        m_undoOffer.reset();
    }
    notify(StateField::trash);
}

void AppState::emptyTrash()
{
    m_trash->ensureLoaded(m_notes, now());
    m_deps.logger.log("Emptied the trash (" + std::to_string(m_trash->entries().size()) + " notes)");
    m_trash->clear();
    m_undoOfferTask.cancel();
    m_undoOffer.reset();
    notify(StateField::trash);
}

} // namespace brivet
