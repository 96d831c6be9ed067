#include "app/DesktopAction.h"

namespace brivet {

std::string_view actionId(DesktopAction action)
{
    switch (action) {
    case DesktopAction::newNote: return "new-note";
    case DesktopAction::todayBoard: return "today-board";
    case DesktopAction::dashboard: return "open-dashboard";
    case DesktopAction::toggleNotes: return "toggle-notes";
    case DesktopAction::panel: return "open-panel";
    }
    return {};
}

std::string_view actionTitle(DesktopAction action)
{
    switch (action) {
    case DesktopAction::newNote: return "新建悬笺";
    case DesktopAction::todayBoard: return "生成今日桌面板";
    case DesktopAction::dashboard: return "打开控制台";
    case DesktopAction::toggleNotes: return "显示或隐藏桌面悬笺";
    case DesktopAction::panel: return "打开面板";
    }
    return {};
}

std::optional<DesktopAction> desktopActionNamed(std::string_view name)
{
    for (DesktopAction action : allDesktopActions) {
        if (name == actionId(action) || name == actionTitle(action))
            return action;
    }
    return std::nullopt;
}

} // namespace brivet
