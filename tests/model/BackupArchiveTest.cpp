#include "model/AppLogger.h"
#include "model/BackupArchive.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "support/FileFaults.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

struct Backups : ::testing::Test {
    TempDir temp;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    // 2026-12-08 23:30 in Shanghai.
    ManualClock clock { *calendar.instant({ 2026, 12, 8, 23, 30, 0 }) };
    AppLogger logger { clock, calendar };
    DataFolder folder { temp.path() / "Brivet" };
    BackupArchive archive { folder, clock, calendar, &logger };
    JsonNoteRepository notes { folder, clock, &logger };
    JsonPreferencesStore preferences { folder, clock, calendar, &logger };

    void SetUp() override
    {
        notes.setBackups(&archive);
        preferences.setBackups(&archive);
    }
    StickyNote sample(const std::string& title) const
    {
        StickyNote n = StickyNote::placeholder(Uuid::random(), clock.now());
        n.title = title;
        return n;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const BackupEntry& e : archive.list())
            out.push_back(e.name);
        return out;
    }
    std::vector<std::string> everythingIn(const fs::path& dir) const
    {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    static BackupEntry entry(std::string name, std::uintmax_t bytes = 1000)
    {
        BackupEntry e;
        e.name = name;
        e.takenAt = { std::stoi(name.substr(0, 4)), std::stoi(name.substr(5, 2)), std::stoi(name.substr(8, 2)) };
        e.bytes = bytes;
        return e;
    }
};

} // namespace

TEST_F(Backups, TheFirstSaveOfEachLocalDayKeepsTheFilesAsTheyStoodBefore)
{
    ASSERT_TRUE(notes.save({ sample("一") }).ok());
    ASSERT_TRUE(preferences.save(AppPreferences::defaultValue(calendar, clock.now())).ok());
    EXPECT_TRUE(names().empty()) << "nothing to keep before the first file existed";

    const std::string lastOfTheDay = readFile(folder.notesFile());
    const std::string preferencesBefore = readFile(folder.preferencesFile());
    clock.advance(std::chrono::hours(1)); // 00:30 on the 9th, local time
    ASSERT_TRUE(notes.save({ sample("二") }).ok());
    const std::string firstOfTheNewDay = readFile(folder.notesFile());
    ASSERT_TRUE(notes.save({ sample("三") }).ok());
    ASSERT_TRUE(preferences.save(AppPreferences::defaultValue(calendar, clock.now())).ok());

    ASSERT_EQ(names(), (std::vector<std::string> { "2026-12-09" }));
    const fs::path day = archive.path() / "2026-12-09";
    EXPECT_EQ(readFile(day / "notes.json"), lastOfTheDay);
    EXPECT_EQ(readFile(day / "preferences.json"), preferencesBefore);
    struct stat info { };
    ::stat((day / "notes.json").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Another process (or a restart) the same day finds the day's copy.
    BackupArchive restarted(folder, clock, calendar, &logger);
    restarted.beforeSave();
    EXPECT_EQ(readFile(day / "notes.json"), lastOfTheDay);

    clock.advance(std::chrono::hours(24));
    ASSERT_TRUE(preferences.save(AppPreferences::defaultValue(calendar, clock.now())).ok());
    EXPECT_EQ(names(), (std::vector<std::string> { "2026-12-10", "2026-12-09" }));
    EXPECT_NE(readFile(archive.path() / "2026-12-10" / "notes.json"), firstOfTheNewDay);
}

TEST_F(Backups, RetentionKeepsFourteenDaysAndOnePerMonthForSixMonths)
{
    std::vector<BackupEntry> entries;
    for (int day = 1; day <= 20; ++day)
        entries.push_back(entry("2026-12-" + std::string(day < 10 ? "0" : "") + std::to_string(day)));
    for (const char* name : { "2026-11-30", "2026-11-02", "2026-10-15", "2026-07-01", "2026-06-30", "2026-01-05" })
        entries.push_back(entry(name));
    // Two backups of one day count as one day.
    entries.push_back(entry("2026-12-20_10-00-00"));

    std::vector<std::string> dropped = BackupArchive::expired(entries, { 2026, 12, 20 });
    std::sort(dropped.begin(), dropped.end());
    EXPECT_EQ(dropped,
        (std::vector<std::string> { "2026-01-05", "2026-06-30", "2026-11-02", "2026-12-01", "2026-12-02", "2026-12-03",
            "2026-12-04", "2026-12-05", "2026-12-06" }))
        << "12-07..12-20 are the 14 days; 11-30, 10-15 and 07-01 the newest of their months; June is 6 months back";
}

TEST_F(Backups, RetentionDropsTheOldestBeyondTheSizeLimitButNeverTheNewest)
{
    std::vector<BackupEntry> entries { entry("2026-12-03", 60), entry("2026-12-02", 30), entry("2026-12-01", 30) };
    std::vector<std::string> dropped = BackupArchive::expired(entries, { 2026, 12, 3 }, 100);
    EXPECT_EQ(dropped, (std::vector<std::string> { "2026-12-01" }));

    std::vector<BackupEntry> huge { entry("2026-12-03", 500), entry("2026-12-02", 30) };
    EXPECT_EQ(BackupArchive::expired(huge, { 2026, 12, 3 }, 100), (std::vector<std::string> { "2026-12-02" }));
}

TEST_F(Backups, OldCopiesGoWhenANewOneIsTaken)
{
    fs::create_directories(archive.path());
    std::vector<std::string> existing { "2026-05-01", "2026-10-01", "2026-10-20", "not-a-backup" };
    for (int day = 20; day <= 30; ++day)
        existing.push_back("2026-11-" + std::to_string(day));
    for (int day = 1; day <= 3; ++day)
        existing.push_back("2026-12-0" + std::to_string(day));
    for (const std::string& name : existing) {
        fs::create_directories(archive.path() / name);
        writeFile(archive.path() / name / "notes.json", encodeNotesFile({}));
    }
    fs::create_directories(archive.path() / ".2026-12-01.abcdef"); // left by a crash
    ASSERT_TRUE(notes.save({ sample("一") }).ok());
    clock.advance(std::chrono::hours(1));
    ASSERT_TRUE(notes.save({ sample("二") }).ok());

    std::vector<std::string> left = everythingIn(archive.path());
    EXPECT_EQ(left.size(), 16u); // 14 days, October, and the stranger
    EXPECT_EQ(left.front(), "2026-10-20") << "October's newest stays; May is past six months";
    EXPECT_EQ(left[1], "2026-11-21") << "11-20 is the fifteenth day back";
    EXPECT_EQ(left.back(), "not-a-backup") << "what is not a backup is never touched";
}

TEST_F(Backups, AFullDiskDuringTheCopyLeavesTheFilesAndNoHalfBackup)
{
    std::vector<StickyNote> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(sample(std::string(200, 'x')));
    ASSERT_TRUE(notes.save(many).ok());
    const std::string before = readFile(folder.notesFile());
    clock.advance(std::chrono::hours(1));
    {
        FileSizeLimit limit(4096);
        archive.beforeSave();
    }
    ASSERT_TRUE(archive.lastFailure().has_value());
    EXPECT_EQ(readFile(folder.notesFile()), before);
    EXPECT_TRUE(everythingIn(archive.path()).empty());

    archive.beforeSave(); // the disk has room again: the next save tries again
    EXPECT_FALSE(archive.lastFailure().has_value());
    EXPECT_EQ(readFile(archive.path() / "2026-12-09" / "notes.json"), before);
}

TEST_F(Backups, AKeptSnapshotReadsBackAndADamagedOneIsReportedAndLeftAlone)
{
    std::vector<StickyNote> kept { sample("甲"), sample("乙") };
    AppPreferences settings = AppPreferences::defaultValue(calendar, clock.now());
    settings.defaultOpacity = 0.5;
    auto result = archive.keep(kept, settings);
    ASSERT_TRUE(std::holds_alternative<BackupEntry>(result));
    const BackupEntry entry = std::get<BackupEntry>(result);
    EXPECT_EQ(entry.name, "2026-12-08_23-30-00");
    EXPECT_EQ(entry.kind, BackupEntry::Kind::beforeRestore);
    auto second = archive.keep(kept, settings);
    ASSERT_TRUE(std::holds_alternative<BackupEntry>(second));
    EXPECT_EQ(std::get<BackupEntry>(second).name, "2026-12-08_23-30-00-2");

    auto read = BackupArchive::read(entry, calendar, clock.now());
    ASSERT_TRUE(std::holds_alternative<BackupContents>(read));
    EXPECT_EQ(std::get<BackupContents>(read).notes, kept);
    ASSERT_TRUE(std::get<BackupContents>(read).preferences.has_value());
    EXPECT_EQ(std::get<BackupContents>(read).preferences->defaultOpacity, 0.5);

    const std::string whole = readFile(entry.folder / "notes.json");
    const std::string truncated = whole.substr(0, whole.size() / 2);
    writeFile(entry.folder / "notes.json", truncated);
    auto damaged = BackupArchive::read(entry, calendar, clock.now());
    ASSERT_TRUE(std::holds_alternative<DecodeError>(damaged));
    EXPECT_NE(std::get<DecodeError>(damaged).message.find("已损坏"), std::string::npos);
    EXPECT_EQ(readFile(entry.folder / "notes.json"), truncated);

    writeFile(entry.folder / "preferences.json", "{\"version\": 1}");
    writeFile(entry.folder / "notes.json", whole);
    EXPECT_TRUE(std::holds_alternative<DecodeError>(BackupArchive::read(entry, calendar, clock.now())));
}
