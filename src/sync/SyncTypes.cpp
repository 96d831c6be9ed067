#include "sync/SyncTypes.h"

#include "sync/EventStore.h"

#include <algorithm>

namespace brivet {

std::string SyncReport::statusText() const
{
    return "同步完成：新增提醒 " + std::to_string(remindersImported) + " 条，回写提醒 " + std::to_string(remindersWritten)
        + " 条，导入日历 " + std::to_string(calendarImported) + " 条，刷新场景板 " + std::to_string(boardsRefreshed) + " 张";
}

std::string SyncFailure::statusText() const
{
    std::string names;
    for (const std::string& source : sources)
        names += (names.empty() ? "「" : "、「") + source + "」";
    switch (kind) {
    case SyncFailureKind::storeUnreachable:
        return "同步失败：无法连接 Evolution Data Server（" + description
            + "）。请安装 evolution-data-server 并确认其服务可以启动；便签没有任何改动";
    case SyncFailureKind::missingSources:
        return "同步失败：所选的列表或日历 " + names
            + " 已不在 Evolution Data Server 中。便签没有任何改动；如已删除它，请在“同步源”中关闭它后再同步";
    case SyncFailureKind::emptyAnswer:
        return "同步失败：提醒事项列表 " + names
            + " 处于离线状态且没有返回任何提醒，而有便签关联着系统提醒。为免重复写入提醒，便签没有任何改动；请在能连上其服务器时再同步";
    case SyncFailureKind::storeError:
        break;
    }
    return "同步失败：" + (explanation.empty() ? description : explanation);
}

bool SyncActions::changedAnything() const
{
    if (omitted > 0)
        return true;
    return std::any_of(list.begin(), list.end(), [](const SyncAction& action) {
        return action.kind != SyncActionKind::skipped && action.kind != SyncActionKind::failed;
    });
}

std::string storeErrorReason(const StoreError& error)
{
    std::string words;
    switch (error.cause) {
    case StoreErrorCause::serviceStopped:
        words = "Evolution Data Server 的日历服务已停止";
        break;
    case StoreErrorCause::serverUnreachable:
        words = "无法连接服务器";
        break;
    case StoreErrorCause::readOnly:
        words = "该列表是只读的";
        break;
    case StoreErrorCause::other:
        words = "系统存储报告了错误";
        break;
    }
    const std::string& detail = error.detail.empty() && error.cause == StoreErrorCause::other ? error.description : error.detail;
    return detail.empty() ? words : words + "（" + detail + "）";
}

} // namespace brivet
