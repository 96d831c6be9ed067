#include "dashboard/DashboardFilters.h"

namespace brivet {

DashboardFilterTexts filterTexts(DashboardOverviewFilter filter)
{
    switch (filter) {
    case DashboardOverviewFilter::today:
        return { "今日", "今日悬笺", "适合查看今天必须处理的事项。", "今天没有待处理悬笺",
            "给悬笺设置今天的截止时间后，会显示在这里。" };
    case DashboardOverviewFilter::sceneBoards:
        return { "场景板", "桌面场景板", "这些卡片代表你主动固定到桌面的工作场景。", "还没有场景板",
            "从上方快捷操作生成今日板、会议板或自定义场景板。" };
    case DashboardOverviewFilter::sources:
        return { "来源", "来源", "按来源复盘当前导入和本地沉淀的任务，不按颜色做筛选。", "这个来源下暂无任务",
            "先同步系统来源，或者新建本地悬笺后再回来筛选。" };
    case DashboardOverviewFilter::deferred:
        return { "已延期", "已延期事项", "所有“稍后 1 小时 / 下午 / 明天再看”的事项会先沉到这里。", "暂无延期事项",
            "当你把事项“稍后处理”后，它们会暂时离开桌面并收纳在这里。" };
    case DashboardOverviewFilter::surfaced:
        return { "已上桌面", "桌面可见事项", "当前真正已经出现在桌面的便签和场景板。", "当前没有桌面悬笺",
            "点“上桌面”或生成场景板后，这里会显示当前可见的桌面执行项。" };
    }
    return {};
}

std::string sectionTitle(DashboardOverviewFilter filter, DashboardSourceFilter source)
{
    if (filter == DashboardOverviewFilter::sources)
        return std::string(title(source)) + "来源";
    return std::string(filterTexts(filter).sectionTitle);
}

std::string_view title(DashboardSourceFilter source)
{
    switch (source) {
    case DashboardSourceFilter::all: return "全部";
    case DashboardSourceFilter::local: return "本地";
    case DashboardSourceFilter::reminders: return "提醒事项";
    case DashboardSourceFilter::calendar: return "日历";
    }
    return {};
}

std::optional<NoteSource> noteSource(DashboardSourceFilter source)
{
    switch (source) {
    case DashboardSourceFilter::all: return std::nullopt;
    case DashboardSourceFilter::local: return NoteSource::local;
    case DashboardSourceFilter::reminders: return NoteSource::reminders;
    case DashboardSourceFilter::calendar: return NoteSource::calendar;
    }
    return std::nullopt;
}

} // namespace brivet
