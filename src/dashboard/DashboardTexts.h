#pragma once

#include "model/AppPreferences.h"
#include "model/Enums.h"

#include <string>
#include <string_view>
#include <vector>

namespace brivet {

class UserCalendar;
struct SyncLogEntry;

// Texts of the sync center and the settings that depend on the state.
namespace DashboardTexts {

// "92%" for 0.92, as the locale writes a whole percentage.
std::string percent(double fraction, std::string_view localeId);
// "当前范围：" and both ends of the resolved sync window as abbreviated
// month and day ("当前范围：12月5日 - 12月12日").
std::string rangeLine(const AppPreferences& preferences, const UserCalendar& calendar);
// The sync center's button: "立即同步" once sync is activated.
std::string_view syncCenterButtonTitle(bool hasActivatedSync);
// The settings' button: "立即执行同步" once sync is activated.
std::string_view settingsSyncButtonTitle(bool hasActivatedSync);
std::string_view syncStatusHeadline(bool hasActivatedSync);
// "每张场景板最多展示 6 项".
std::string taskLimitLabel(long long limit);

// Why a source section lists nothing: before the first refresh of this
// dashboard the lists were simply not read yet; after a refresh without
// access Evolution Data Server did not answer, and the text says what to
// install or start.
std::string sourcesUnavailableText(SyncSourceKind kind, bool refreshed);

// The sync log ("同步记录"), one sync at a time:
// "12月8日 14:03:27 · 手动 · 1.2 秒 · 完成" (or "失败").
std::string syncLogHeadline(const SyncLogEntry& entry, const UserCalendar& calendar);
// "新增提醒 1 · 回写提醒 2 · 导入日历 3 · 刷新场景板 1".
std::string syncLogCounters(const SyncLogEntry& entry);
// What it did, one line a note: "导入「交周报」", "跳过「没日期」：没有截止日期",
// a conflict with the side that won, and "另有 3 项未列出".
std::vector<std::string> syncLogActionLines(const SyncLogEntry& entry);

} // namespace DashboardTexts

} // namespace brivet
