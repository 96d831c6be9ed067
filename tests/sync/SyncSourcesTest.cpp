#include "model/UserCalendar.h"
#include "sync/SyncConflictResolver.h"
#include "sync/SyncRange.h"
#include "sync/SyncSourceCoding.h"
#include "sync/SyncSourceOptions.h"

#include <gtest/gtest.h>

using namespace brivet;

namespace {

class SyncRangeTest : public ::testing::Test {
protected:
    Instant at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const
    {
        return *calendar.instant({ year, month, day, hour, minute, second });
    }

    SyncRange range(SyncDateScope scope, Instant start, Instant end = {}) const
    {
        AppPreferences preferences;
        preferences.syncDateScope = scope;
        preferences.syncStartDate = start;
        preferences.syncEndDate = end;
        return resolvedSyncRange(preferences, calendar);
    }

    UserCalendar calendar { "Europe/Berlin", "de_DE" };
};

TEST_F(SyncRangeTest, PresetsCoverTheFirstDayAndTheFollowingDays)
{
    EXPECT_EQ(range(SyncDateScope::today, at(2026, 3, 5, 15)), (SyncRange { at(2026, 3, 5), at(2026, 3, 5, 23, 59, 59) }));
    EXPECT_EQ(range(SyncDateScope::next3Days, at(2026, 3, 5)), (SyncRange { at(2026, 3, 5), at(2026, 3, 8, 23, 59, 59) }));
    EXPECT_EQ(range(SyncDateScope::next30Days, at(2026, 3, 5)).upper, at(2026, 4, 4, 23, 59, 59));
    // Across the change to summer time (29 March) the window still ends at
    // the last local second of its eighth day.
    EXPECT_EQ(range(SyncDateScope::next7Days, at(2026, 3, 25)).upper, at(2026, 4, 1, 23, 59, 59));

    SyncRange week = range(SyncDateScope::next7Days, at(2026, 3, 5));
    EXPECT_TRUE(week.contains(week.upper));
    EXPECT_FALSE(week.contains(week.upper + std::chrono::seconds(1)));
    EXPECT_TRUE(week.contains(week.lower));
    EXPECT_FALSE(week.contains(week.lower - std::chrono::seconds(1)));
}

TEST_F(SyncRangeTest, CustomRunsToTheLaterDateAndNeverEndsBeforeItStarts)
{
    EXPECT_EQ(range(SyncDateScope::custom, at(2026, 3, 5, 9), at(2026, 3, 9, 18)),
        (SyncRange { at(2026, 3, 5), at(2026, 3, 9, 23, 59, 59) }));
    EXPECT_EQ(range(SyncDateScope::custom, at(2026, 3, 5, 9), at(2026, 3, 5, 10)),
        (SyncRange { at(2026, 3, 5), at(2026, 3, 5, 23, 59, 59) }));
    EXPECT_EQ(range(SyncDateScope::custom, at(2026, 3, 5, 9), at(2026, 3, 1)),
        (SyncRange { at(2026, 3, 5), at(2026, 3, 5, 23, 59, 59) }));
}

TEST(SyncSourceOptionsTest, ColourRuleRoundsAndFallsBack)
{
    EXPECT_EQ(SyncSourceOptions::colorHex(std::nullopt), std::nullopt);
    EXPECT_EQ(SyncSourceOptions::colorHex(StoreColor { {} }), "#7A7A7A");
    EXPECT_EQ(SyncSourceOptions::colorHex(StoreColor { { 0.5, 0.5 } }), "#7A7A7A");
    // 0.5 × 255 = 127.5 rounds away from zero.
    EXPECT_EQ(SyncSourceOptions::colorHex(StoreColor { { 0.5, 0.0, 1.0, 0.3 } }), "#8000FF");
    EXPECT_EQ(SyncSourceOptions::colorHex(StoreColor { { 1.2, -0.1, 0.0 } }), "#FF0000") << "out-of-gamut values clamp";
}

TEST(SyncSourceOptionsTest, TitlesSortLikeAFileBrowser)
{
    std::vector<SyncSourceOption> options;
    for (const char* title : { "List 10", "list 2", "Work", "alpha", "List 2" })
        options.push_back({ title, title, "", SyncSourceKind::reminderList, std::nullopt });
    SyncSourceOptions::sortByTitle(options, "en_US");
    std::vector<std::string> ids;
    for (const auto& option : options)
        ids.push_back(option.id);
    // Case is ignored (equal titles keep their order), numbers by value.
    EXPECT_EQ(ids, (std::vector<std::string> { "alpha", "list 2", "List 2", "List 10", "Work" }));
}

TEST(SyncSourceCodingTest, OptionsAndSnapshotsRoundTrip)
{
    SyncSourceSnapshot snapshot;
    snapshot.reminderLists.push_back({ "A1", "工作", "iCloud", SyncSourceKind::reminderList, "#FF8000" });
    snapshot.calendars.push_back({ "C1", "日程", "本地", SyncSourceKind::calendar, std::nullopt });
    snapshot.remindersAuthorized = true;

    std::string json = encodeSyncSourceSnapshot(snapshot);
    EXPECT_EQ(json.find("colorHex"), json.rfind("colorHex")) << "an absent colour is omitted";
    EXPECT_EQ(decodeSyncSourceSnapshot(json), snapshot);
    EXPECT_EQ(decodeSyncSourceOption(encodeSyncSourceOption(snapshot.calendars[0])), snapshot.calendars[0]);

    EXPECT_EQ(decodeSyncSourceOption(R"({"id":"x","title":"t","subtitle":"s","kind":"folder"})"), std::nullopt);
    EXPECT_EQ(decodeSyncSourceOption(R"({"id":1,"title":"t","subtitle":"s","kind":"calendar"})"), std::nullopt);
    EXPECT_EQ(decodeSyncSourceSnapshot(R"({"reminderLists":[],"calendars":[]})"), std::nullopt);
    EXPECT_EQ(decodeSyncSourceSnapshot("not json"), std::nullopt);
}

TEST(SyncConflictResolverTest, LaterChangeWinsAndTiesGoToTheNote)
{
    auto t = [](int hour, int minute) { return instantFromSeconds(1'800'000'000 + hour * 3600 + minute * 60); };
    struct Row {
        Instant local;
        std::optional<Instant> remote;
        std::optional<Instant> synced;
        bool preferLocal;
    };
    const Row rows[] = {
        { t(10, 0), std::nullopt, t(10, 5), true },
        { t(10, 0), t(9, 0), t(10, 5), false },
        { t(10, 10), t(10, 7), t(10, 5), true },
        { t(10, 6), t(10, 7), t(10, 5), false },
        { t(10, 0), t(10, 0), std::nullopt, true },
        { t(9, 59), t(10, 0), std::nullopt, false },
        { t(10, 5), t(10, 0), t(10, 5), true },
    };
    for (const Row& row : rows)
        EXPECT_EQ(SyncConflictResolver::shouldPreferLocal(row.local, row.remote, row.synced), row.preferLocal)
            << "row " << (&row - rows);
}

} // namespace
