#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brivet {

// What the desktop can ask of the running app from outside its windows: a
// launcher's right-click menu (the desktop entry's actions, over D-Bus
// activation) and the global shortcuts. Each one does what the same choice
// in the tray panel or the dashboard does.
enum class DesktopAction { newNote,
    todayBoard,
    dashboard,
    toggleNotes,
    panel };

inline constexpr std::array<DesktopAction, 5> allDesktopActions { DesktopAction::newNote, DesktopAction::todayBoard,
    DesktopAction::dashboard, DesktopAction::toggleNotes, DesktopAction::panel };

// The stable id used in the desktop entry, over D-Bus and in the
// preferences: "new-note", "today-board", "open-dashboard", "toggle-notes",
// "open-panel".
std::string_view actionId(DesktopAction action);
// What the user reads: "新建悬笺", "生成今日桌面板", "打开控制台",
// "显示或隐藏桌面悬笺", "打开面板".
std::string_view actionTitle(DesktopAction action);
// The action with this id, or with this title (a launcher may hand either).
std::optional<DesktopAction> desktopActionNamed(std::string_view name);

} // namespace brivet
