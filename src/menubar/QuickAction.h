#pragma once

#include <array>
#include <string_view>

namespace brivet {

// The tray panel's quick actions, in the order it lists them.
enum class QuickAction { create, board, sync, dashboard, settings, quit };

inline constexpr std::array<QuickAction, 6> allQuickActions { QuickAction::create, QuickAction::board,
    QuickAction::sync, QuickAction::dashboard, QuickAction::settings, QuickAction::quit };

// "create", "board", "sync", "dashboard", "settings", "quit".
std::string_view rowId(QuickAction action);
// "新建悬笺", "今日板", "同步", "控制台", "设置", "退出".
std::string_view title(QuickAction action);
// The rows that open a size submenu: "create" and "board".
constexpr bool hasSizeSubmenu(QuickAction action)
{
    return action == QuickAction::create || action == QuickAction::board;
}

} // namespace brivet
