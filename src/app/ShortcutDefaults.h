#pragma once

#include "ui/GlobalShortcuts.h"

#include <vector>

namespace brivet {

// The actions that have a global shortcut, with their titles and the keys
// proposed to the portal or grabbed on X11 when the user chose none:
// 新建悬笺 Super+Alt+N, 生成今日桌面板 Super+Alt+B, 显示或隐藏桌面悬笺
// Super+Alt+H, 打开面板 Super+Alt+P.
std::vector<GlobalShortcuts::Action> shortcutActions();

} // namespace brivet
