#include "dashboard/DashboardTexts.h"

#include "model/UserCalendar.h"
#include "sync/SyncRange.h"

#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <cmath>
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

} // namespace brivet::DashboardTexts
