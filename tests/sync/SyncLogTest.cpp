#include "sync/SyncLog.h"

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

SyncLogEntry entryWith(std::string trigger, std::vector<SyncAction> actions)
{
    SyncLogEntry entry;
    entry.startedAt = instantFromSeconds(1'796'000'000);
    entry.duration = Duration(1234);
    entry.trigger = std::move(trigger);
    entry.succeeded = false;
    entry.status = "同步失败：无法保存「买牛奶」到「共享提醒」：无法连接服务器（Connection refused）";
    entry.report = SyncReport { 1, 2, 3, 4, 5 };
    for (SyncAction& action : actions)
        entry.actions.add(std::move(action));
    return entry;
}

struct SyncLogFile : ::testing::Test {
    TempDir temp;
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    AppLogger logger { clock, calendar };
    fs::path file = temp.path() / "sync-log.json";
    JsonSyncLogStore store { file, clock, &logger };
};

TEST_F(SyncLogFile, KeepsEverySyncWithItsActionsAcrossLaunches)
{
    SyncLog log;
    log.add(entryWith("手动", { { SyncActionKind::imported, "交周报", {}, {} } }));
    log.add(entryWith("系统数据变更",
        { { SyncActionKind::updatedFromStore, "他们改的", {}, SyncSide::reminder },
            { SyncActionKind::writtenToStore, "新标题 \"引号\"\n换行", {}, SyncSide::note },
            { SyncActionKind::skipped, "没日期", "没有截止日期", {} },
            { SyncActionKind::failed, "买牛奶", "无法连接服务器（Connection refused）", {} } }));
    ASSERT_TRUE(store.save(log).ok());
    EXPECT_EQ((fs::status(file).permissions() & fs::perms::all), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(store.load(), log);

    // Actions beyond what one sync records are counted, not listed.
    SyncLogEntry busy = entryWith("便签更新", {});
    for (std::size_t i = 0; i < syncActionLimit + 7; ++i)
        busy.actions.add({ SyncActionKind::imported, "第 " + std::to_string(i) + " 条", {}, {} });
    log.add(busy);
    ASSERT_TRUE(store.save(log).ok());
    SyncLog read = store.load();
    EXPECT_EQ(read.entries().front().actions.list.size(), syncActionLimit);
    EXPECT_EQ(read.entries().front().actions.omitted, 7u);
}

TEST_F(SyncLogFile, ADamagedLogIsSetAsideAndANewOneStarted)
{
    for (const char* damaged : { "{\"entries\": [{\"trigger\": 3}], \"version\": 1}", "{\"entries\": [", "not json at all",
             "{\"entries\": [], \"version\": 2}" }) {
        SCOPED_TRACE(damaged);
        std::ofstream(file) << damaged;
        EXPECT_TRUE(store.load().entries().empty());
        EXPECT_FALSE(fs::exists(file)) << "set aside, not read again";
        int kept = 0;
        for (const auto& entry : fs::directory_iterator(temp.path()))
            kept += entry.path().filename().string().rfind("sync-log.json.unreadable-", 0) == 0;
        EXPECT_GE(kept, 1);
        for (const auto& entry : fs::directory_iterator(temp.path()))
            fs::remove(entry.path());
        clock.advance(std::chrono::seconds(1));
    }
    EXPECT_TRUE(store.load().entries().empty()) << "no file: an empty log";
}

} // namespace
