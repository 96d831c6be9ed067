#include "model/Enums.h"

namespace brivet {

std::string_view rawValue(NoteTheme v)
{
    switch (v) {
    case NoteTheme::work: return "work";
    case NoteTheme::life: return "life";
    case NoteTheme::urgent: return "urgent";
    case NoteTheme::custom: return "custom";
    }
    return {};
}

std::string_view rawValue(NoteSource v)
{
    switch (v) {
    case NoteSource::local: return "local";
    case NoteSource::reminders: return "reminders";
    case NoteSource::calendar: return "calendar";
    }
    return {};
}

std::string_view rawValue(NoteDisplayMode v)
{
    return v == NoteDisplayMode::detail ? "detail" : "board";
}

std::string_view rawValue(NoteSurfaceRole v)
{
    switch (v) {
    case NoteSurfaceRole::regular: return "regular";
    case NoteSurfaceRole::todayBoard: return "todayBoard";
    case NoteSurfaceRole::upcomingBoard: return "upcomingBoard";
    case NoteSurfaceRole::meetingBoard: return "meetingBoard";
    case NoteSurfaceRole::weeklyBoard: return "weeklyBoard";
    case NoteSurfaceRole::customBoard: return "customBoard";
    }
    return {};
}

std::string_view rawValue(NoteSizePreset v)
{
    switch (v) {
    case NoteSizePreset::small: return "small";
    case NoteSizePreset::medium: return "medium";
    case NoteSizePreset::large: return "large";
    }
    return {};
}

std::string_view rawValue(DesktopSurfaceMode v)
{
    switch (v) {
    case DesktopSurfaceMode::sceneBoardsOnly: return "sceneBoardsOnly";
    case DesktopSurfaceMode::sceneBoardsAndPinned: return "sceneBoardsAndPinned";
    case DesktopSurfaceMode::allImportedNotes: return "allImportedNotes";
    }
    return {};
}

std::string_view rawValue(NoteWindowLayerMode v)
{
    switch (v) {
    case NoteWindowLayerMode::desktop: return "desktop";
    case NoteWindowLayerMode::floating: return "floating";
    case NoteWindowLayerMode::topMost: return "topMost";
    }
    return {};
}

std::string_view rawValue(MenuBarTitleMode v)
{
    return v == MenuBarTitleMode::brand ? "brand" : "currentTask";
}

std::string_view rawValue(SyncDateScope v)
{
    switch (v) {
    case SyncDateScope::today: return "today";
    case SyncDateScope::next3Days: return "next3Days";
    case SyncDateScope::next7Days: return "next7Days";
    case SyncDateScope::next30Days: return "next30Days";
    case SyncDateScope::custom: return "custom";
    }
    return {};
}

std::string_view rawValue(SyncSourceKind v)
{
    return v == SyncSourceKind::reminderList ? "reminderList" : "calendar";
}

std::string_view rawValue(NoteDeferPreset v)
{
    switch (v) {
    case NoteDeferPreset::oneHour: return "oneHour";
    case NoteDeferPreset::thisAfternoon: return "thisAfternoon";
    case NoteDeferPreset::tomorrowMorning: return "tomorrowMorning";
    }
    return {};
}

std::optional<NotePriority> priorityFromRawValue(long long number)
{
    switch (number) {
    case 1: return NotePriority::low;
    case 5: return NotePriority::normal;
    case 9: return NotePriority::high;
    default: return std::nullopt;
    }
}

std::string_view title(NotePriority v)
{
    switch (v) {
    case NotePriority::low: return "低";
    case NotePriority::normal: return "中";
    case NotePriority::high: return "高";
    }
    return {};
}

std::string_view title(NoteTheme v)
{
    switch (v) {
    case NoteTheme::work: return "工作";
    case NoteTheme::life: return "生活";
    case NoteTheme::urgent: return "紧急";
    case NoteTheme::custom: return "自定义";
    }
    return {};
}

std::string_view title(NoteSource v)
{
    switch (v) {
    case NoteSource::local: return "本地";
    case NoteSource::reminders: return "提醒事项";
    case NoteSource::calendar: return "日历";
    }
    return {};
}

std::string_view shortLabel(NoteSource v)
{
    switch (v) {
    case NoteSource::local: return "本地";
    case NoteSource::reminders: return "提醒";
    case NoteSource::calendar: return "日历";
    }
    return {};
}

std::string_view title(NoteSizePreset v)
{
    switch (v) {
    case NoteSizePreset::small: return "小";
    case NoteSizePreset::medium: return "中";
    case NoteSizePreset::large: return "大";
    }
    return {};
}

std::string_view title(DesktopSurfaceMode v)
{
    switch (v) {
    case DesktopSurfaceMode::sceneBoardsOnly: return "仅场景板上桌面";
    case DesktopSurfaceMode::sceneBoardsAndPinned: return "场景板 + 手动打开";
    case DesktopSurfaceMode::allImportedNotes: return "导入项也直接上桌面";
    }
    return {};
}

std::string_view caption(DesktopSurfaceMode v)
{
    switch (v) {
    case DesktopSurfaceMode::sceneBoardsOnly: return "桌面默认只显示场景板";
    case DesktopSurfaceMode::sceneBoardsAndPinned: return "场景板优先，普通项按需打开";
    case DesktopSurfaceMode::allImportedNotes: return "导入项也会直接显示到桌面";
    }
    return {};
}

std::string_view title(NoteWindowLayerMode v)
{
    switch (v) {
    case NoteWindowLayerMode::desktop: return "贴桌面显示";
    case NoteWindowLayerMode::floating: return "持续悬浮";
    case NoteWindowLayerMode::topMost: return "最顶层";
    }
    return {};
}

std::string_view title(MenuBarTitleMode v)
{
    return v == MenuBarTitleMode::brand ? "固定显示「悬笺」" : "显示当前任务标题";
}

std::string_view title(SyncDateScope v)
{
    switch (v) {
    case SyncDateScope::today: return "仅今天";
    case SyncDateScope::next3Days: return "未来 3 天";
    case SyncDateScope::next7Days: return "未来 7 天";
    case SyncDateScope::next30Days: return "未来 30 天";
    case SyncDateScope::custom: return "自定义";
    }
    return {};
}

std::string_view title(NoteDeferPreset v)
{
    switch (v) {
    case NoteDeferPreset::oneHour: return "稍后 1 小时";
    case NoteDeferPreset::thisAfternoon: return "下午再看";
    case NoteDeferPreset::tomorrowMorning: return "明天再看";
    }
    return {};
}

std::string_view roleTitle(NoteSurfaceRole v)
{
    switch (v) {
    case NoteSurfaceRole::regular: return "普通悬笺";
    case NoteSurfaceRole::todayBoard: return "今日聚焦";
    case NoteSurfaceRole::upcomingBoard: return "即将到期";
    case NoteSurfaceRole::meetingBoard: return "会议准备";
    case NoteSurfaceRole::weeklyBoard: return "本周推进";
    case NoteSurfaceRole::customBoard: return "自定义场景板";
    }
    return {};
}

} // namespace brivet
