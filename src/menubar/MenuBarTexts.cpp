#include "menubar/MenuBarTexts.h"

#include "model/UserCalendar.h"
#include "state/AppState.h"

#include <algorithm>

namespace brivet::MenuBarTexts {

double panelMaximumHeight(std::optional<double> visibleScreenHeight)
{
    if (!visibleScreenHeight)
        return panelFallbackMaximumHeight;
    return std::clamp(*visibleScreenHeight * 0.74, 440.0, 640.0);
}

double panelHeight(double contentHeight, double maximum)
{
    return std::clamp(contentHeight, panelMinimumHeight, std::max(panelMinimumHeight, maximum));
}

std::vector<StickyNote> executionQueue(const AppState& state)
{
    std::optional<StickyNote> primary = state.primaryExecutionNote();
    std::vector<StickyNote> queue;
    auto take = [&](std::vector<StickyNote> notes) {
        for (StickyNote& note : notes) {
            if (queue.size() == queueLength)
                return;
            if (!primary || note.id != primary->id)
                queue.push_back(std::move(note));
        }
    };
    take(state.todayExecutionNotes());
    take(state.upcomingExecutionNotes());
    take(state.localDraftNotes());
    return queue;
}

std::vector<StickyNote> listedSceneBoards(const AppState& state)
{
    std::vector<StickyNote> boards = state.sceneBoards();
    if (boards.size() > listedBoardCount)
        boards.resize(listedBoardCount);
    return boards;
}

std::string primaryDueText(const StickyNote& note, const UserCalendar& calendar, Instant now)
{
    if (!note.dueDate)
        return "未排期";
    Instant due = *note.dueDate;
    if (calendar.isSameDay(due, now))
        return "今天 " + calendar.formatSkeleton(due, "hm");
    if (std::optional<Instant> tomorrow = calendar.addingDays(now, 1); tomorrow && calendar.isSameDay(due, *tomorrow))
        return "明天 " + calendar.formatSkeleton(due, "hm");
    return calendar.formatSkeleton(due, "MMMdhm");
}

std::string primaryDetailLine(const StickyNote& note)
{
    if (!note.details.empty())
        return note.details;
    if (!note.tasks.empty())
        return "任务 " + note.taskProgressText();
    return "点击打开详情，或者直接把它加入场景板。";
}

std::string executionMetaLine(const StickyNote& note, const UserCalendar& calendar)
{
    std::string when = note.dueDate ? calendar.formatSkeleton(*note.dueDate, "MMMdhm") : std::string("未排期");
    return std::string(title(note.source)) + " · " + when;
}

std::string sceneBoardMetaLine(const StickyNote& board)
{
    return std::string(roleTitle(board.surfaceRole)) + " · 任务 " + board.taskProgressText();
}

std::string noteTitle(const StickyNote& note)
{
    return note.title.empty() ? std::string("未命名悬笺") : note.title;
}

std::string boardTitle(const StickyNote& board)
{
    return board.title.empty() ? std::string("未命名场景板") : board.title;
}

} // namespace brivet::MenuBarTexts
