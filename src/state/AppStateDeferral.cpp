#include "state/AppState.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"

namespace brivet {

Instant AppState::resolvedDate(NoteDeferPreset preset, Instant t) const
{
    const UserCalendar& calendar = m_deps.calendar;
    auto unclamped = [&] {
        switch (preset) {
        case NoteDeferPreset::oneHour:
            return calendar.addingHours(t, 1).value_or(t + std::chrono::hours(1));
        case NoteDeferPreset::thisAfternoon: {
            Instant candidate = calendar.settingTime(t, 15, 0, 0).value_or(t);
            if (candidate > t)
                return candidate;
            Instant nextDay = calendar.addingDays(t, 1).value_or(t);
            return calendar.settingTime(nextDay, 15, 0, 0).value_or(nextDay);
        }
        case NoteDeferPreset::tomorrowMorning: {
            Instant nextDay = calendar.addingDays(t, 1).value_or(t);
            return calendar.settingTime(nextDay, 9, 0, 0).value_or(nextDay);
        }
        }
        return t;
    };
    return clampedToStorable(unclamped());
}

void AppState::deferNote(const Uuid& noteId, Instant until)
{
    const StickyNote* found = findNote(noteId);
    if (!found || found->isCompleted)
        return;
    Operation op(*this);
    if (found->isSceneBoard()) {
        StickyNote board = *found;
        deferSceneBoard(board, until);
        return;
    }
    NoteSource source = found->source;
    bool moveDueDate = source != NoteSource::calendar;
    bool reachesStore = source != NoteSource::calendar && (source == NoteSource::reminders || found->syncToReminders);
    ChangeEffects effects { .sync = reachesStore ? SyncAfterEdit::yes : SyncAfterEdit::no,
        .windows = WindowsAfterChange::reconcile,
        .save = SaveTiming::now };
    mutate(noteId, effects, [&](StickyNote& note) {
        note.deferredUntil = until;
        if (moveDueDate)
            note.dueDate = until;
        note.isHidden = true;
        note.displayMode = NoteDisplayMode::board;
    });

    if (const StickyNote* deferred = findNote(noteId)) {
        StickyNote copy = *deferred;
        bool boardsChanged = refreshCustomSceneBoardTasks(copy);
        int rebuilt = refreshGeneratedBoards(false);
        if (boardsChanged && rebuilt == 0) {
            notesDidChange();
            persistNotes(true);
            reconcileWindows();
        }
    } else {
        refreshGeneratedBoards(false);
    }
    std::string when = m_deps.calendar.formatSkeleton(until, "MMMdhm");
    setSyncStatus((source == NoteSource::calendar ? "已隐藏到 " : "已延后截止时间到 ") + when);
}

void AppState::deferNote(const Uuid& noteId, NoteDeferPreset preset)
{
    deferNote(noteId, resolvedDate(preset, now()));
}

void AppState::clearExpiredDeferrals(Instant referenceDate)
{
    Operation op(*this);
    bool changed = false;
    DesktopSurfaceMode mode = m_preferences.desktopSurfaceMode;
    for (StickyNote& note : m_notes) {
        if (!note.deferredUntil || *note.deferredUntil > referenceDate)
            continue;
        m_endedDeferrals[note.id] = *note.deferredUntil;
        note.deferredUntil.reset();
        if (!note.isSceneBoard()) {
            switch (mode) {
            case DesktopSurfaceMode::sceneBoardsOnly: note.isHidden = true; break;
            case DesktopSurfaceMode::allImportedNotes: note.isHidden = false; break;
            case DesktopSurfaceMode::sceneBoardsAndPinned: note.isHidden = note.source != NoteSource::local; break;
            }
        }
        changed = true;
    }
    if (!changed)
        return;
    notesDidChange();
    refreshGeneratedBoards(false);
    persistNotes(true);
    reconcileWindows();
}

void AppState::rescheduleDeferredRevealTask()
{
    m_deferredRevealTask.cancel();
    Instant current = now();
    std::optional<Instant> earliest;
    for (const StickyNote& note : m_notes)
        if (note.deferredUntil && *note.deferredUntil > current && (!earliest || *note.deferredUntil < *earliest))
            earliest = note.deferredUntil;
    if (!earliest)
        return;
    // A deferral ends at a time of day, so the wake-up follows the wall
    // clock: a sleeping machine or a clock set forward must not make the
    // note come back late.
    Instant wakeUp = std::max(*earliest, current + deferredRevealMinimumWait);
    startTaskAt(&AppState::m_deferredRevealTask, wakeUp, [](AppState& self) {
        Operation op(self);
        self.clearExpiredDeferrals(self.now());
        self.rescheduleDeferredRevealTask();
    });
}

} // namespace brivet
