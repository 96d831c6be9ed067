#include "dashboard/DashboardTexts.h"

#include "model/UserCalendar.h"
#include "sync/SyncLog.h"
#include "sync/SyncRange.h"

#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

namespace brivet::DashboardTexts {

std::string percent(double fraction, std::string_view localeId)
{
    double whole = std::round(fraction * 100.0) / 100.0;
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale(std::string(localeId).c_str());
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createPercentInstance(locale, status));
    if (U_FAILURE(status) || !format)
        return std::to_string(static_cast<int>(std::lround(fraction * 100.0))) + "%";
    format->setMaximumFractionDigits(0);
    icu::UnicodeString text;
    format->format(whole, text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

std::string rangeLine(const AppPreferences& preferences, const UserCalendar& calendar)
{
    SyncRange range = resolvedSyncRange(preferences, calendar);
    return "当前范围：" + calendar.formatSkeleton(range.lower, "MMMd") + " - " + calendar.formatSkeleton(range.upper, "MMMd");
}

std::string_view syncCenterButtonTitle(bool hasActivatedSync)
{
    return hasActivatedSync ? "立即同步" : "开始同步";
}

std::string_view settingsSyncButtonTitle(bool hasActivatedSync)
{
    return hasActivatedSync ? "立即执行同步" : "开始同步";
}

std::string_view syncStatusHeadline(bool hasActivatedSync)
{
    return hasActivatedSync ? "同步已激活" : "尚未开始同步";
}

std::string taskLimitLabel(long long limit)
{
    return "每张场景板最多展示 " + std::to_string(limit) + " 项";
}

std::string sourcesUnavailableText(SyncSourceKind kind, bool refreshed)
{
    std::string what = kind == SyncSourceKind::reminderList ? "提醒事项列表" : "日历";
    if (!refreshed)
        return "还没有读取" + what + "。点击“刷新源列表”，向 Evolution Data Server 读取可以同步的" + what + "。";
    return "Evolution Data Server 没有响应，读不到" + what
        + "。请安装 evolution-data-server（Debian：sudo apt install evolution-data-server），"
          "确认当前会话的 D-Bus 会话总线在运行，然后再点击“刷新源列表”。";
}

std::string syncLogHeadline(const SyncLogEntry& entry, const UserCalendar& calendar)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", std::chrono::duration<double>(entry.duration).count());
    return calendar.formatPattern(entry.startedAt, "M月d日 HH:mm:ss") + " · " + entry.trigger + " · " + seconds + " 秒 · "
        + (entry.succeeded ? "完成" : "失败");
}

std::string syncLogCounters(const SyncLogEntry& entry)
{
    const SyncReport& report = entry.report;
    return "新增提醒 " + std::to_string(report.remindersImported) + " · 回写提醒 " + std::to_string(report.remindersWritten)
        + " · 导入日历 " + std::to_string(report.calendarImported) + " · 刷新场景板 " + std::to_string(report.boardsRefreshed);
}

std::vector<std::string> syncLogActionLines(const SyncLogEntry& entry)
{
    std::vector<std::string> lines;
    for (const SyncAction& action : entry.actions.list) {
        const std::string title = "「" + action.title + "」";
        std::string line;
        switch (action.kind) {
        case SyncActionKind::imported:
            line = "导入" + title;
            break;
        case SyncActionKind::updatedFromStore:
            line = "按系统提醒更新" + title;
            break;
        case SyncActionKind::writtenToStore:
            line = "写入系统提醒" + title;
            break;
        case SyncActionKind::recreated:
            line = "重新创建已在别处删除的提醒" + title;
            break;
        case SyncActionKind::skipped:
            line = "跳过" + title + "：" + action.reason;
            break;
        case SyncActionKind::failed:
            line = "失败" + title + "：" + action.reason;
            break;
        }
        if (action.conflictWinner)
            line += *action.conflictWinner == SyncSide::note ? "（两边都改过，以便签为准）" : "（两边都改过，以系统提醒为准）";
        lines.push_back(std::move(line));
    }
    if (entry.actions.omitted > 0)
        lines.push_back("另有 " + std::to_string(entry.actions.omitted) + " 项未列出");
    return lines;
}

} // namespace brivet::DashboardTexts
