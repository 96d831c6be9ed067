#include "state/AppState.h"

#include "model/UserCalendar.h"
#include "state/ScreenPlacement.h"
#include "state/WindowManaging.h"

#include <algorithm>
#include <unordered_set>

namespace brivet {

namespace {

struct GeneratedRole {
    const char* summary;
    NoteTheme theme;
    const char* emptyStatus;
};

GeneratedRole generatedRole(NoteSurfaceRole role)
{
    if (role == NoteSurfaceRole::todayBoard)
        return { "把今天必须推进的事项固定到桌面。", NoteTheme::work, "今天还没有待推进事项，先给你一张空白今日板" };
    return { "提前看到接下来最容易卡住你的事项。", NoteTheme::urgent, "当前没有临近到期事项，先给你一张空白即将到期板" };
}

struct BoardTemplate {
    const char* details;
    std::vector<const char*> tasks;
    NoteTheme theme;
};

BoardTemplate boardTemplate(NoteSurfaceRole role)
{
    switch (role) {
    case NoteSurfaceRole::todayBoard:
        return { "把今天最重要的任务固定在桌面。", { "今天最重要的事", "第二优先级", "收尾与复盘" }, NoteTheme::work };
    case NoteSurfaceRole::upcomingBoard:
        return { "把接下来几天最容易被遗忘的任务提前浮出来。", { "需要提前准备的事项", "未来三天风险点", "延期或拆解决策" }, NoteTheme::urgent };
    case NoteSurfaceRole::meetingBoard:
        return { "桌面上只保留会前要确认的关键项和会后动作。", { "确认议程与目标", "补齐资料与链接", "记录会后跟进事项" }, NoteTheme::life };
    case NoteSurfaceRole::weeklyBoard:
        return { "把本周最重要的推进项和阻塞点固定在桌面。", { "本周最重要的一件事", "当前阻塞点", "下一步动作" }, NoteTheme::work };
    case NoteSurfaceRole::customBoard:
        return { "把你自己的主题、任务和上下文固定在桌面。", { "第一项关键任务", "第二项关键任务" }, NoteTheme::custom };
    case NoteSurfaceRole::regular:
        break;
    }
    return { "", {}, NoteTheme::work };
}

} // namespace

std::string AppState::formattedSceneTaskTitle(const StickyNote& note) const
{
    std::string title(shortLabel(note.source));
    if (note.dueDate)
        title += " · " + m_deps.calendar.formatSkeleton(*note.dueDate, "MMMdhm");
    title += " · ";
    title += note.title.empty() ? std::string("未命名任务") : note.title;
    return title;
}

NoteTask AppState::linkedTask(const StickyNote& source) const
{
    return NoteTask { Uuid::random(), formattedSceneTaskTitle(source), source.isCompleted, source.id, source.source, source.dueDate };
}

NoteSizePreset AppState::storedSceneBoardSizePreset(NoteSurfaceRole role, NoteSizePreset fallback) const
{
    for (const StickyNote& note : m_notes)
        if (note.surfaceRole == role)
            return note.frame.sizePreset;
    return fallback;
}

// --- Generated boards ------------------------------------------------------------

std::vector<StickyNote> AppState::boardSource(NoteSurfaceRole role) const
{
    // A board shows the first few of its list only.
    std::size_t limit = static_cast<std::size_t>(AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit));
    return executionNotes(role == NoteSurfaceRole::todayBoard ? ExecutionList::today : ExecutionList::upcoming, limit);
}

std::optional<Uuid> AppState::upsertGeneratedSceneBoard(NoteSurfaceRole role, const std::vector<StickyNote>& from,
    RevealBoard reveal, const std::string& summary, NoteTheme theme, NoteSizePreset sizePreset)
{
    std::size_t limit = static_cast<std::size_t>(AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit));
    std::size_t count = std::min(limit, from.size());
    if (count == 0)
        return std::nullopt;
    Operation op(*this);
    Instant stamp = now();

    auto existing = std::find_if(m_notes.begin(), m_notes.end(), [role](const StickyNote& n) { return n.surfaceRole == role; });
    bool isNew = existing == m_notes.end();
    std::size_t index = isNew ? 0 : static_cast<std::size_t>(existing - m_notes.begin());
    StickyNote board = isNew ? StickyNote::placeholder(Uuid::random(), stamp) : *existing;
    bool hidden = reveal == RevealBoard::yes ? false : board.isHidden;

    board.title = roleTitle(role);
    board.details = summary;
    board.tasks.clear();
    board.tasks.reserve(count);
    std::optional<Instant> earliestDue;
    for (std::size_t i = 0; i < count; ++i) {
        board.tasks.push_back(linkedTask(from[i]));
        if (from[i].dueDate && (!earliestDue || *from[i].dueDate < *earliestDue))
            earliestDue = from[i].dueDate;
    }
    board.isCompleted = std::all_of(board.tasks.begin(), board.tasks.end(), [](const NoteTask& t) { return t.isCompleted; });
    board.priority = NotePriority::high;
    board.dueDate = earliestDue;
    if (role == NoteSurfaceRole::todayBoard && !board.dueDate)
        board.dueDate = defaultTodayBoardDueDate(stamp);
    board.category = "桌面执行层";
    board.group = "场景板";
    board.style.theme = theme;
    board.style.opacity = m_preferences.defaultOpacity;
    board.source = NoteSource::local;
    board.externalLink.reset();
    board.syncToReminders = false;
    board.displayMode = NoteDisplayMode::board;
    board.surfaceRole = role;
    Size size = boardSize(sizePreset);
    board.frame.sizePreset = sizePreset;
    board.frame.width = size.width;
    board.frame.height = size.height;
    if (isNew) {
        Point2 origin = nextOrigin(std::nullopt);
        board.frame.x = origin.x;
        board.frame.y = origin.y;
    }
    board.isHidden = hidden;
    board.touch(stamp);
    ScreenPlacement::place(board, screens());

    Uuid id = board.id;
    if (isNew)
        m_notes.push_back(std::move(board));
    else
        m_notes[index] = std::move(board);
    notesDidChange();
    persistNotes(true);
    reconcileWindows();
    return id;
}

std::optional<Uuid> AppState::generateBoard(NoteSurfaceRole role, RevealBoard revealBoard, NoteSizePreset sizePreset)
{
    Operation op(*this);
    GeneratedRole kind = generatedRole(role);
    std::vector<StickyNote> source = boardSource(role);
    std::optional<Uuid> id = upsertGeneratedSceneBoard(role, source, revealBoard, kind.summary, kind.theme, sizePreset);
    if (id) {
        if (revealBoard == RevealBoard::yes)
            reveal(*id, SurfacePolicy::respect, WindowFocus::take);
        return id;
    }
    if (revealBoard == RevealBoard::no)
        return std::nullopt;
    std::optional<Uuid> empty = prepareSceneBoard(role, sizePreset);
    if (empty) {
        if (findNote(*empty)) {
            setSyncStatus(kind.emptyStatus);
            reveal(*empty, SurfacePolicy::bypass, WindowFocus::take);
        } else {
            setSyncStatus("当前偏好设置只允许场景板上桌面");
        }
    }
    return empty;
}

std::optional<Uuid> AppState::generateTodayFocusBoard(RevealBoard reveal, NoteSizePreset sizePreset)
{
    return generateBoard(NoteSurfaceRole::todayBoard, reveal, sizePreset);
}

std::optional<Uuid> AppState::generateUpcomingBoard(RevealBoard reveal, NoteSizePreset sizePreset)
{
    return generateBoard(NoteSurfaceRole::upcomingBoard, reveal, sizePreset);
}

int AppState::refreshGeneratedBoards(bool revealNewBoards)
{
    Operation op(*this);
    int count = 0;
    for (NoteSurfaceRole role : { NoteSurfaceRole::todayBoard, NoteSurfaceRole::upcomingBoard }) {
        bool enabled = role == NoteSurfaceRole::todayBoard ? m_preferences.autoGenerateFocusBoard : m_preferences.autoGenerateUpcomingBoard;
        if (!enabled) {
            hideGeneratedSceneBoard(role);
            continue;
        }
        GeneratedRole kind = generatedRole(role);
        std::vector<StickyNote> source = boardSource(role);
        NoteSizePreset preset = storedSceneBoardSizePreset(role, NoteSizePreset::medium);
        if (upsertGeneratedSceneBoard(role, source, revealNewBoards ? RevealBoard::yes : RevealBoard::no, kind.summary, kind.theme, preset))
            ++count;
        else
            hideGeneratedSceneBoard(role);
    }
    return count;
}

void AppState::hideGeneratedSceneBoard(NoteSurfaceRole role)
{
    if (role != NoteSurfaceRole::todayBoard && role != NoteSurfaceRole::upcomingBoard)
        return;
    StickyNote* board = nullptr;
    for (StickyNote& note : m_notes) {
        if (note.surfaceRole == role) {
            board = &note;
            break;
        }
    }
    if (!board)
        return;
    Operation op(*this);
    board->isHidden = true;
    board->touch(now());
    notesDidChange();
    persistNotes(true);
    reconcileWindows();
}

// --- Template boards ---------------------------------------------------------------

void AppState::configureSceneBoardTemplate(StickyNote& note, NoteSurfaceRole role, NoteSizePreset sizePreset) const
{
    note.surfaceRole = role;
    note.source = NoteSource::local;
    note.syncToReminders = false;
    note.displayMode = NoteDisplayMode::board;
    note.group = "场景板";
    note.category = "桌面执行层";
    Size size = boardSize(sizePreset);
    note.frame.sizePreset = sizePreset;
    note.frame.width = size.width;
    note.frame.height = size.height;
    if (role != NoteSurfaceRole::regular) {
        BoardTemplate board = boardTemplate(role);
        note.title = roleTitle(role);
        note.details = board.details;
        note.tasks.clear();
        for (const char* title : board.tasks)
            note.tasks.push_back(NoteTask { Uuid::random(), title, false, std::nullopt, std::nullopt, std::nullopt });
        note.style.theme = board.theme;
        if (role == NoteSurfaceRole::todayBoard)
            note.dueDate = defaultTodayBoardDueDate(now());
    }
    note.isCompleted = !note.tasks.empty()
        && std::all_of(note.tasks.begin(), note.tasks.end(), [](const NoteTask& t) { return t.isCompleted; });
}

std::optional<Uuid> AppState::prepareSceneBoard(NoteSurfaceRole role, NoteSizePreset sizePreset)
{
    if (role == NoteSurfaceRole::regular)
        return createSceneBoard(role, sizePreset);
    Operation op(*this);
    Uuid id = createNote(nullptr, sizePreset, NewNoteWindow::hidden);
    StickyNote* board = mutableNote(id);
    if (!board)
        return id;
    configureSceneBoardTemplate(*board, role, sizePreset);
    board->touch(now());
    ScreenPlacement::place(*board, screens());
    notesDidChange();
    rescheduleDeferredRevealTask();
    persistNotes(false);
    return id;
}

std::optional<Uuid> AppState::createSceneBoard(NoteSurfaceRole role, NoteSizePreset sizePreset)
{
    Operation op(*this);
    switch (role) {
    case NoteSurfaceRole::regular:
        return createNote(nullptr, sizePreset, NewNoteWindow::focused);
    case NoteSurfaceRole::todayBoard:
        return generateTodayFocusBoard(RevealBoard::yes, sizePreset);
    case NoteSurfaceRole::upcomingBoard:
        return generateUpcomingBoard(RevealBoard::yes, sizePreset);
    default:
        break;
    }
    std::optional<Uuid> id = prepareSceneBoard(role, sizePreset);
    if (!id)
        return std::nullopt;
    if (findNote(*id))
        reveal(*id, SurfacePolicy::bypass, WindowFocus::take);
    else
        setSyncStatus("当前偏好设置只允许场景板上桌面");
    return id;
}

std::optional<Uuid> AppState::createCustomSceneBoard(std::optional<Uuid> seedNoteId, NoteSizePreset sizePreset)
{
    Operation op(*this);
    std::optional<Uuid> id = createSceneBoard(NoteSurfaceRole::customBoard, sizePreset);
    if (id && seedNoteId)
        addExecutionNote(*seedNoteId, *id);
    return id;
}

// --- Custom boards -------------------------------------------------------------------

void AppState::addExecutionNote(const Uuid& noteId, const Uuid& boardId)
{
    const StickyNote* source = findNote(noteId);
    if (!source || source->isSceneBoard())
        return;
    StickyNote* board = nullptr;
    for (StickyNote& note : m_notes) {
        if (note.id == boardId && note.surfaceRole == NoteSurfaceRole::customBoard) {
            board = &note;
            break;
        }
    }
    if (!board)
        return;
    bool alreadyLinked = std::any_of(board->tasks.begin(), board->tasks.end(),
        [&](const NoteTask& t) { return t.linkedNoteID == noteId; });
    if (alreadyLinked) {
        setSyncStatus("该任务已在场景板中");
        return;
    }
    Operation op(*this);
    board->tasks.push_back(linkedTask(*source));
    board->isCompleted = std::all_of(board->tasks.begin(), board->tasks.end(), [](const NoteTask& t) { return t.isCompleted; });
    board->isHidden = false;
    board->displayMode = NoteDisplayMode::board;
    board->touch(now());
    // The preset's exact board size, as every stored board has.
    normalizeAndPlace(*board);
    notesDidChange();
    persistNotes(true);
    reconcileWindows();
    setSyncStatus("已加入自定义场景板");
}

bool AppState::refreshCustomSceneBoardTasks(const StickyNote& source)
{
    bool anyChanged = false;
    std::string title = formattedSceneTaskTitle(source);
    for (StickyNote& board : m_notes) {
        if (board.surfaceRole != NoteSurfaceRole::customBoard)
            continue;
        bool changed = false;
        for (NoteTask& task : board.tasks) {
            if (task.linkedNoteID != source.id)
                continue;
            if (task.title != title) {
                task.title = title;
                changed = true;
            }
            if (task.isCompleted != source.isCompleted) {
                task.isCompleted = source.isCompleted;
                changed = true;
            }
            if (task.linkedDueDate != source.dueDate) {
                task.linkedDueDate = source.dueDate;
                changed = true;
            }
            if (task.linkedSource != source.source) {
                task.linkedSource = source.source;
                changed = true;
            }
        }
        if (!changed)
            continue;
        board.isCompleted = std::all_of(board.tasks.begin(), board.tasks.end(), [](const NoteTask& t) { return t.isCompleted; });
        std::optional<Instant> earliest;
        for (const NoteTask& task : board.tasks)
            if (task.linkedDueDate && (!earliest || *task.linkedDueDate < *earliest))
                earliest = task.linkedDueDate;
        if (earliest)
            board.dueDate = earliest;
        board.touch(now());
        anyChanged = true;
    }
    if (anyChanged)
        notesDidChange();
    return anyChanged;
}

void AppState::deferSceneBoard(const StickyNote& board, Instant until)
{
    std::unordered_set<Uuid> ids;
    for (const NoteTask& task : board.tasks)
        if (!task.isCompleted && task.linkedNoteID)
            ids.insert(*task.linkedNoteID);
    if (ids.empty())
        return;

    Operation op(*this);
    Instant stamp = now();
    std::vector<StickyNote> changed;
    for (StickyNote& note : m_notes) {
        if (!ids.count(note.id))
            continue;
        note.deferredUntil = until;
        if (note.source != NoteSource::calendar)
            note.dueDate = until;
        note.isHidden = true;
        note.displayMode = NoteDisplayMode::board;
        note.touch(stamp);
        normalizeAndPlace(note);
        changed.push_back(note);
    }
    // Lines whose note was deleted stand for nothing that can be put off.
    if (changed.empty())
        return;
    notesDidChange();
    for (const StickyNote& note : changed)
        refreshCustomSceneBoardTasks(note);
    int rebuilt = refreshGeneratedBoards(false);
    rescheduleDeferredRevealTask();
    persistNotes(true);
    reconcileWindows();

    auto syncing = std::find_if(changed.begin(), changed.end(), [](const StickyNote& n) {
        return n.source != NoteSource::calendar && (n.syncToReminders || n.source == NoteSource::reminders);
    });
    if (syncing != changed.end())
        scheduleSyncIfActive(syncAfterEditDelay, "延后任务");
    setSyncStatus("已延后 " + std::to_string(changed.size()) + " 项任务，刷新场景板 " + std::to_string(rebuilt) + " 张");
}

void AppState::toggleExecutionNoteCompletion(const Uuid& noteId)
{
    const StickyNote* found = findNote(noteId);
    if (!found || found->source == NoteSource::calendar)
        return;
    Operation op(*this);
    StickyNote copy = *found;
    copy.isCompleted = !copy.isCompleted;
    for (NoteTask& task : copy.tasks)
        task.isCompleted = copy.isCompleted;
    update(copy, copy.syncToReminders ? SyncAfterEdit::yes : SyncAfterEdit::no);
    refreshGeneratedBoards(false);
}

} // namespace brivet
