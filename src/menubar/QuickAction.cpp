#include "menubar/QuickAction.h"

namespace brivet {

std::string_view rowId(QuickAction action)
{
    switch (action) {
    case QuickAction::create: return "create";
    case QuickAction::board: return "board";
    case QuickAction::sync: return "sync";
    case QuickAction::dashboard: return "dashboard";
    case QuickAction::settings: return "settings";
    case QuickAction::quit: return "quit";
    }
    return "create";
}

std::string_view title(QuickAction action)
{
    switch (action) {
    case QuickAction::create: return "新建悬笺";
    case QuickAction::board: return "今日板";
    case QuickAction::sync: return "同步";
    case QuickAction::dashboard: return "控制台";
    case QuickAction::settings: return "设置";
    case QuickAction::quit: return "退出";
    }
    return "";
}

} // namespace brivet
