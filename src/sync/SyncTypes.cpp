#include "sync/SyncTypes.h"

namespace brivet {

std::string SyncReport::statusText() const
{
    return "同步完成：新增提醒 " + std::to_string(remindersImported) + " 条，回写提醒 " + std::to_string(remindersWritten)
        + " 条，导入日历 " + std::to_string(calendarImported) + " 条，刷新场景板 " + std::to_string(boardsRefreshed) + " 张";
}

} // namespace brivet
