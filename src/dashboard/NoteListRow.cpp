#include "dashboard/NoteListRow.h"

#include "model/UserCalendar.h"
#include "state/AppState.h"

namespace brivet {

namespace {

std::string_view roleTag(NoteSurfaceRole role)
{
    switch (role) {
    case NoteSurfaceRole::regular: return {};
    case NoteSurfaceRole::todayBoard: return "今日聚焦";
    case NoteSurfaceRole::upcomingBoard: return "即将到期";
    case NoteSurfaceRole::meetingBoard: return "会议准备";
    case NoteSurfaceRole::weeklyBoard: return "本周推进";
    case NoteSurfaceRole::customBoard: return "自定义场景板";
    }
    return {};
}

} // namespace

NoteListRow NoteListRow::make(const StickyNote& note, const AppState& state, bool hasCustomBoards, Instant now)
{
    NoteListRow row;
    row.title = note.title.empty() ? "未命名悬笺" : note.title;

    if (note.isSceneBoard())
        row.tags.push_back({ TagKind::role, std::string(roleTag(note.surfaceRole)) });
    if (note.isHidden)
        row.tags.push_back({ TagKind::hidden, "已收起" });
    else
        row.tags.push_back({ TagKind::onDesktop, "桌面中" });
    if (note.deferredUntil && *note.deferredUntil > now)
        row.tags.push_back({ TagKind::deferred, "已延期" });

    row.subtitle = std::string(brivet::title(note.source)) + " · " + note.category;
    if (note.dueDate)
        row.subtitle += " · " + state.calendar().formatSkeleton(*note.dueDate, "MMMdhm");
    if (!note.tasks.empty())
        row.subtitle += " · 任务 " + note.taskProgressText();

    row.buttons.push_back({ Action::edit, "编辑" });
    row.buttons.push_back({ Action::remove, "删除" });
    if (note.isHidden)
        row.buttons.push_back({ Action::reveal, "上桌面", state.canRevealOnDesktop(note) });
    else
        row.buttons.push_back({ Action::hide, "收起" });
    if (!note.isSceneBoard() && !note.isCompleted) {
        if (hasCustomBoards)
            row.buttons.push_back({ Action::addToBoard, "加入" });
        else
            row.buttons.push_back({ Action::createBoardWithNote, "新建自定义场景板并加入" });
    }
    return row;
}

std::vector<NoteListRow::BoardEntry> NoteListRow::boardEntries(const std::vector<StickyNote>& customBoards)
{
    std::vector<BoardEntry> entries;
    for (const StickyNote& board : customBoards)
        entries.push_back({ board.id, board.title.empty() ? "未命名场景板" : board.title });
    entries.push_back({ std::nullopt, "新建自定义场景板并加入" });
    return entries;
}

const NoteListRow::Button* NoteListRow::button(Action action) const
{
    for (const Button& candidate : buttons)
        if (candidate.action == action)
            return &candidate;
    return nullptr;
}

void performRowAction(AppState& state, const Uuid& noteId, NoteListRow::Action action, std::optional<Uuid> boardId)
{
    switch (action) {
    case NoteListRow::Action::edit:
        // The overview opens its editor; nothing to do on the state here.
        break;
    case NoteListRow::Action::remove: state.deleteNote(noteId); break;
    case NoteListRow::Action::hide: state.hide(noteId); break;
    case NoteListRow::Action::reveal: state.reveal(noteId, SurfacePolicy::respect, WindowFocus::take); break;
    case NoteListRow::Action::addToBoard:
        if (boardId)
            state.addExecutionNote(noteId, *boardId);
        else
            state.createCustomSceneBoard(noteId, NoteSizePreset::medium);
        break;
    case NoteListRow::Action::createBoardWithNote: state.createCustomSceneBoard(noteId, NoteSizePreset::medium); break;
    }
}

} // namespace brivet
