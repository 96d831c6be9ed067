#include "state/AppState.h"

#include "model/AppLogger.h"
#include "state/NoteTemplate.h"
#include "state/ScreenPlacement.h"
#include "state/WindowManaging.h"

#include <algorithm>
#include <cmath>

namespace brivet {

// --- Lookup ------------------------------------------------------------------

StickyNote AppState::NoteBinding::get() const
{
    if (auto found = m_state->note(m_id))
        return *found;
    return StickyNote::placeholder(m_id, m_state->now());
}

void AppState::NoteBinding::set(const StickyNote& note) const
{
    StickyNote value = note;
    value.id = m_id;
    m_state->update(value);
}

std::optional<AppState::NoteBinding> AppState::binding(const Uuid& id)
{
    if (!findNote(id))
        return std::nullopt;
    return NoteBinding(*this, id);
}

// --- The single-note mutation -------------------------------------------------

bool AppState::noteRequiresWindowSync(const StickyNote& from, const StickyNote& to)
{
    return from.isHidden != to.isHidden || from.frame != to.frame || from.style.opacity != to.style.opacity;
}

bool AppState::mutate(const Uuid& noteId, ChangeEffects effects, const std::function<void(StickyNote&)>& change)
{
    StickyNote* stored = mutableNote(noteId);
    if (!stored)
        return false;
    Operation op(*this);
    StickyNote old = *stored;
    change(*stored);
    stored->touch(old, now());
    normalizeAndPlace(*stored);
    bool needsWindowSync = effects.windows == WindowsAfterChange::reconcile && noteRequiresWindowSync(old, *stored);
    notesDidChange();
    rescheduleDeferredRevealTask();
    persistNotes(effects.save == SaveTiming::now);
    if (needsWindowSync)
        reconcileWindows();
    if (effects.sync == SyncAfterEdit::yes)
        scheduleSyncIfActive(syncAfterEditDelay, "便签更新");
    return true;
}

void AppState::focusWindow(const Uuid& noteId)
{
    // The panel must exist before it can take focus.
    if (m_reconcileRequested) {
        m_reconcileRequested = false;
        m_windowManager->reconcile(m_notes, m_preferences);
    }
    m_windowManager->focus(noteId);
}

void AppState::scheduleSyncIfActive(Duration delay, const std::string& reason)
{
    if (m_preferences.autoSyncEnabled && m_preferences.hasActivatedSync)
        scheduleSync(delay, reason);
}

// --- Whole-note operations ------------------------------------------------------

AppState::Point2 AppState::nextOrigin(std::optional<Point2> from) const
{
    Point2 base { 120, 720 };
    std::vector<Rect> frames = screens();
    if (from) {
        base = *from;
    } else if (!m_notes.empty()) {
        base = { m_notes.back().frame.x, m_notes.back().frame.y };
    } else if (!frames.empty()) {
        base = { frames.front().minX(), frames.front().minY() };
    }
    Point placed = ScreenPlacement::sanitize(Point { base.x + 28, base.y - 28 }, frames);
    return { placed.x, placed.y };
}

Uuid AppState::createNote(const NoteTemplate* fromTemplate, NoteSizePreset sizePreset, NewNoteWindow window)
{
    Operation op(*this);
    Point2 origin = nextOrigin(std::nullopt);
    Instant stamp = now();
    StickyNote note;
    note.id = Uuid::random();
    if (fromTemplate) {
        note.title = fromTemplate->title;
        note.details = fromTemplate->details;
        note.tasks = fromTemplate->tasks;
        note.category = fromTemplate->category;
    }
    note.createdAt = stamp;
    note.touch(stamp);
    Size size = boardSize(sizePreset);
    note.frame = NoteFrame { origin.x, origin.y, size.width, size.height, sizePreset };
    note.style = NoteStyle { fromTemplate ? fromTemplate->theme : m_preferences.defaultTheme, m_preferences.defaultOpacity,
        std::nullopt, 1.0 };
    note.isHidden = true;
    if (window == NewNoteWindow::editing)
        note.displayMode = NoteDisplayMode::detail;
    normalizeAndPlace(note);
    Uuid id = note.id;
    m_notes.push_back(std::move(note));
    notesDidChange();
    m_deps.logger.log("Created note " + id.toString());
    persistNotes(true);
    if (window != NewNoteWindow::hidden)
        reveal(id, SurfacePolicy::bypass, window == NewNoteWindow::shown ? WindowFocus::keep : WindowFocus::take);
    return id;
}

void AppState::update(const StickyNote& note, SyncAfterEdit sync)
{
    StickyNote* stored = mutableNote(note.id);
    if (!stored)
        return;
    Operation op(*this);
    StickyNote old = *stored;
    StickyNote value = note;
    // Links are written by syncs alone; a view's copy taken before a sync
    // linked the note must not drop the link, or the next sync would write
    // the note as a second reminder.
    value.externalLink = stored->externalLink;
    normalizeAndPlace(value);
    value.touch(old, now());
    *stored = std::move(value);
    bool needsWindowSync = noteRequiresWindowSync(old, *stored);
    notesDidChange();
    rescheduleDeferredRevealTask();
    persistNotes(false);
    if (needsWindowSync)
        reconcileWindows();
    if (sync == SyncAfterEdit::yes)
        scheduleSyncIfActive(syncAfterEditDelay, "便签更新");
}

void AppState::duplicate(const Uuid& noteId)
{
    const StickyNote* source = findNote(noteId);
    if (!source)
        return;
    Operation op(*this);
    StickyNote copy = *source;
    Instant stamp = now();
    copy.id = Uuid::random();
    copy.createdAt = stamp;
    copy.touch(stamp);
    Point origin = ScreenPlacement::sanitize(Point { source->frame.x + 28, source->frame.y - 28 }, screens());
    copy.frame.x = origin.x;
    copy.frame.y = origin.y;
    copy.externalLink.reset();
    copy.syncToReminders = false;
    copy.source = NoteSource::local;
    copy.deferredUntil.reset();
    normalizeAndPlace(copy);
    m_notes.push_back(std::move(copy));
    notesDidChange();
    persistNotes(true);
    reconcileWindows();
}

void AppState::deleteNote(const Uuid& noteId)
{
    auto found = std::find_if(m_notes.begin(), m_notes.end(), [&](const StickyNote& n) { return n.id == noteId; });
    if (found == m_notes.end())
        return;
    Operation op(*this);
    // The trash is handed to the writer before the notes (at the end of
    // `op`): the note is never missing from both files.
    TrashEntry entry = takeIntoTrash(found);
    m_undoOffer = UndoOffer { noteId, entry.note.title };
    m_trash->add(std::move(entry), m_notes, now());
    startTask(&AppState::m_undoOfferTask, undoDeleteWindow, [](AppState& self) { self.endUndoOffer(); });
    notesDidChange();
    m_deps.logger.log("Deleted note " + noteId.toString());
    rescheduleDeferredRevealTask();
    persistNotes(true);
    reconcileWindows();
    notify(StateField::trash);
}

void AppState::hideAllNotes()
{
    Operation op(*this);
    // A hide of an empty desktop keeps what the last real one put away.
    std::vector<Uuid> shown;
    for (StickyNote& note : m_notes) {
        if (!note.isHidden)
            shown.push_back(note.id);
        note.isHidden = true;
    }
    if (!shown.empty()) {
        m_notesPutAway = std::move(shown);
        m_modeWhenPutAway = m_preferences.desktopSurfaceMode;
    }
    notesDidChange();
    persistNotes(true);
    reconcileWindows();
}

void AppState::toggleDesktopNotes()
{
    if (visibleNoteCount() > 0) {
        hideAllNotes();
        return;
    }
    Instant current = now();
    auto deferredAhead = [current](const StickyNote& note) { return note.deferredUntil && *note.deferredUntil > current; };
    auto mayShow = [&](const StickyNote& note) { return !deferredAhead(note) && canRevealOnDesktop(note); };
    std::vector<StickyNote*> shown;
    bool sameMode = m_modeWhenPutAway == m_preferences.desktopSurfaceMode;
    for (const Uuid& id : m_notesPutAway) {
        StickyNote* note = mutableNote(id);
        if (note && (sameMode ? !deferredAhead(*note) : mayShow(*note)))
            shown.push_back(note);
    }
    // Brought back once: a later toggle of an empty desktop falls back to
    // what the surface mode shows.
    m_notesPutAway.clear();
    if (shown.empty()) {
        bool importedToo = m_preferences.desktopSurfaceMode == DesktopSurfaceMode::allImportedNotes;
        for (StickyNote& note : m_notes) {
            bool belongs = note.isSceneBoard()
                ? std::any_of(note.tasks.begin(), note.tasks.end(), [](const NoteTask& task) { return !task.isCompleted; })
                : importedToo && note.source != NoteSource::local;
            if (belongs && mayShow(note))
                shown.push_back(&note);
        }
    }
    if (shown.empty()) {
        setSyncStatus("没有可放回桌面的悬笺");
        return;
    }
    Operation op(*this);
    for (StickyNote* note : shown) {
        note->isHidden = false;
        note->deferredUntil.reset();
    }
    notesDidChange();
    rescheduleDeferredRevealTask();
    persistNotes(true);
    reconcileWindows();
}

void AppState::reveal(const Uuid& noteId, SurfacePolicy policy, WindowFocus focus)
{
    const StickyNote* found = findNote(noteId);
    if (!found || (policy == SurfacePolicy::respect && !canRevealOnDesktop(*found))) {
        setSyncStatus("当前偏好设置只允许场景板上桌面");
        return;
    }
    Operation op(*this);
    mutate(noteId, { .windows = WindowsAfterChange::reconcile }, [](StickyNote& note) {
        note.isHidden = false;
        note.deferredUntil.reset();
    });
    if (focus == WindowFocus::take)
        focusWindow(noteId);
}

void AppState::hide(const Uuid& noteId)
{
    mutate(noteId, { .windows = WindowsAfterChange::reconcile }, [](StickyNote& note) {
        note.isHidden = true;
        note.displayMode = NoteDisplayMode::board;
    });
}

void AppState::openNoteDetails(const Uuid& noteId)
{
    mutate(noteId, { .windows = WindowsAfterChange::reconcile }, [](StickyNote& note) {
        note.isHidden = false;
        note.deferredUntil.reset();
        note.displayMode = NoteDisplayMode::detail;
    });
    focusWindow(noteId);
}

void AppState::setDisplayMode(const Uuid& noteId, NoteDisplayMode mode)
{
    mutate(noteId, { .windows = WindowsAfterChange::reconcile }, [mode](StickyNote& note) { note.displayMode = mode; });
}

void AppState::updateNoteTitle(const Uuid& noteId, const std::string& title)
{
    mutate(noteId, {}, [&](StickyNote& note) { note.title = title; });
}

void AppState::updateNoteDetails(const Uuid& noteId, const std::string& details)
{
    mutate(noteId, {}, [&](StickyNote& note) { note.details = details; });
}

void AppState::updateWindowFrame(const Uuid& noteId, const Rect& reported)
{
    const StickyNote* found = findNote(noteId);
    if (!found)
        return;
    Rect frame = ScreenPlacement::clamped(reported, found->displayMode, found->frame.sizePreset, screens());
    const NoteFrame& stored = found->frame;
    auto near = [](double a, double b) { return std::abs(a - b) <= 0.5; };
    if (near(frame.x, stored.x) && near(frame.y, stored.y) && near(frame.width, stored.width) && near(frame.height, stored.height))
        return;
    mutate(noteId, {}, [&](StickyNote& note) {
        if (note.displayMode == NoteDisplayMode::board)
            note.frame.sizePreset = closestPreset(Size { frame.width, frame.height });
        note.frame.x = frame.x;
        note.frame.y = frame.y;
        note.frame.width = frame.width;
        note.frame.height = frame.height;
    });
}

// --- Task lines -------------------------------------------------------------------

Uuid AppState::addTask(const Uuid& noteId, const std::string& title)
{
    Uuid taskId = Uuid::random();
    bool found = mutate(noteId, {}, [&](StickyNote& note) {
        note.tasks.push_back(NoteTask { taskId, title, false, std::nullopt, std::nullopt, std::nullopt });
        note.recomputeCompletion();
    });
    return found ? taskId : Uuid();
}

void AppState::updateTaskTitle(const Uuid& noteId, const Uuid& taskId, const std::string& title)
{
    mutate(noteId, {}, [&](StickyNote& note) {
        for (NoteTask& task : note.tasks) {
            if (task.id == taskId) {
                task.title = title;
                break;
            }
        }
    });
}

void AppState::setTaskCompletion(const Uuid& noteId, const Uuid& taskId, bool isCompleted)
{
    mutate(noteId, {}, [&](StickyNote& note) {
        for (NoteTask& task : note.tasks) {
            if (task.id == taskId) {
                task.isCompleted = isCompleted;
                break;
            }
        }
        note.recomputeCompletion();
    });
}

void AppState::deleteTask(const Uuid& noteId, const Uuid& taskId)
{
    mutate(noteId, {}, [&](StickyNote& note) {
        std::erase_if(note.tasks, [&](const NoteTask& task) { return task.id == taskId; });
        note.recomputeCompletion();
    });
}

} // namespace brivet
