#pragma once

#include "model/AppPreferences.h"
#include "model/Enums.h"

#include <string>
#include <string_view>

namespace brivet {

class UserCalendar;

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

} // namespace DashboardTexts

} // namespace brivet
