#include "state/AppState.h"

#include "model/UserCalendar.h"

#include <algorithm>

namespace brivet {

void AppState::updatePreferences(const std::function<void(AppPreferences&)>& change)
{
    Operation op(*this);
    AppPreferences old = m_preferences;
    change(m_preferences);
    normalizePreferenceRange();
    m_preferences.focusBoardTaskLimit = AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit);
    notify(StateField::preferences);
    persistPreferences(false);
    if (old.hasActivatedSync != m_preferences.hasActivatedSync)
        setSyncStatus(m_preferences.hasActivatedSync ? "同步已启用" : "同步未激活");
    updateChangeSubscription();
    if (old.desktopSurfaceMode != m_preferences.desktopSurfaceMode)
        applyDesktopSurfacePolicy();
    if (old.defaultOpacity != m_preferences.defaultOpacity)
        applyGlobalOpacityPreference();
    if (old.noteWindowLayerMode != m_preferences.noteWindowLayerMode)
        reconcileWindows();
    if (old.autoGenerateFocusBoard != m_preferences.autoGenerateFocusBoard
        || old.autoGenerateUpcomingBoard != m_preferences.autoGenerateUpcomingBoard
        || old.focusBoardTaskLimit != m_preferences.focusBoardTaskLimit)
        refreshGeneratedBoards(false);
}

void AppState::normalizePreferenceRange()
{
    const UserCalendar& calendar = m_deps.calendar;
    m_preferences.syncStartDate = calendar.startOfDay(clampedToStorable(m_preferences.syncStartDate));
    m_preferences.syncEndDate = calendar.startOfDay(clampedToStorable(std::max(m_preferences.syncEndDate, m_preferences.syncStartDate)));
}

void AppState::applyDesktopSurfacePolicy()
{
    Operation op(*this);
    DesktopSurfaceMode mode = m_preferences.desktopSurfaceMode;
    Instant current = now();
    bool changed = false;
    for (StickyNote& note : m_notes) {
        if (note.isSceneBoard() || note.source == NoteSource::local)
            continue;
        bool deferredAhead = note.deferredUntil && *note.deferredUntil > current;
        bool hidden = true;
        switch (mode) {
        case DesktopSurfaceMode::sceneBoardsOnly: hidden = true; break;
        case DesktopSurfaceMode::sceneBoardsAndPinned: hidden = note.isHidden || deferredAhead; break;
        case DesktopSurfaceMode::allImportedNotes: hidden = deferredAhead; break;
        }
        if (hidden != note.isHidden) {
            note.isHidden = hidden;
            changed = true;
        }
        if (mode == DesktopSurfaceMode::allImportedNotes)
            note.displayMode = NoteDisplayMode::board;
    }
    if (mode == DesktopSurfaceMode::allImportedNotes || changed)
        notesDidChange();
    if (!changed)
        return;
    persistNotes(true);
    reconcileWindows();
}

void AppState::applyGlobalOpacityPreference()
{
    if (m_notes.empty())
        return;
    Operation op(*this);
    for (StickyNote& note : m_notes)
        note.style.opacity = m_preferences.defaultOpacity;
    notesDidChange();
    persistNotes(false);
    reconcileWindows();
}

bool AppState::canRevealOnDesktop(const StickyNote& note) const
{
    if (note.isSceneBoard())
        return true;
    return m_preferences.desktopSurfaceMode != DesktopSurfaceMode::sceneBoardsOnly;
}

std::vector<StickyNote> AppState::visibleNotes() const
{
    std::vector<StickyNote> visible;
    for (const StickyNote& note : m_notes)
        if (!note.isHidden)
            visible.push_back(note);
    return visible;
}

int AppState::visibleNoteCount() const
{
    return static_cast<int>(std::count_if(m_notes.begin(), m_notes.end(), [](const StickyNote& n) { return !n.isHidden; }));
}

// --- Menu bar texts ---------------------------------------------------------------

std::string AppState::menuBarStatusTitle() const
{
    if (m_preferences.menuBarTitleMode == MenuBarTitleMode::brand)
        return "悬笺";
    if (const StickyNote* primary = primaryExecutionNoteInPlace()) {
        std::string title = primary->title.empty() ? "未命名悬笺" : primary->title;
        if (!primary->dueDate)
            return title;
        const UserCalendar& calendar = m_deps.calendar;
        bool today = calendar.isSameDay(*primary->dueDate, now());
        std::string when = calendar.formatSkeleton(*primary->dueDate, today ? "hm" : "MMMd");
        return when + " " + title;
    }
    bool anyBoard = std::any_of(m_notes.begin(), m_notes.end(), [](const StickyNote& n) { return n.isSceneBoard(); });
    return anyBoard ? "打开执行面板" : "今天已清空";
}

std::string AppState::menuBarSummaryText() const
{
    return "今 " + std::to_string(todayExecutionNoteCount()) + " · 即 " + std::to_string(upcomingExecutionNoteCount())
        + " · 桌面 " + std::to_string(visibleNoteCount());
}

} // namespace brivet
