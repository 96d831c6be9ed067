#pragma once

#include "model/Enums.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace brivet {

// The task view's filters, in chip order.
enum class DashboardOverviewFilter { today, sceneBoards, sources, deferred, surfaced };
// The source chips shown under the "来源" filter, in chip order.
enum class DashboardSourceFilter { all, local, reminders, calendar };

inline constexpr std::array<DashboardOverviewFilter, 5> allOverviewFilters { DashboardOverviewFilter::today,
    DashboardOverviewFilter::sceneBoards, DashboardOverviewFilter::sources, DashboardOverviewFilter::deferred,
    DashboardOverviewFilter::surfaced };
inline constexpr std::array<DashboardSourceFilter, 4> allSourceFilters { DashboardSourceFilter::all,
    DashboardSourceFilter::local, DashboardSourceFilter::reminders, DashboardSourceFilter::calendar };

// The fixed texts of one filter.
struct DashboardFilterTexts {
    std::string_view chipTitle;
    std::string_view sectionTitle;
    std::string_view description;
    std::string_view emptyTitle;
    std::string_view emptyText;
};

DashboardFilterTexts filterTexts(DashboardOverviewFilter filter);
// The section title; for the sources filter the source's title followed
// by "来源" ("全部来源", "本地来源", ...).
std::string sectionTitle(DashboardOverviewFilter filter, DashboardSourceFilter source);
std::string_view title(DashboardSourceFilter source);
// The note source a source chip stands for; nothing for "全部".
std::optional<NoteSource> noteSource(DashboardSourceFilter source);

inline std::size_t index(DashboardOverviewFilter filter) { return static_cast<std::size_t>(filter); }
inline std::size_t index(DashboardSourceFilter source) { return static_cast<std::size_t>(source); }

} // namespace brivet
