#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "support/FileFaults.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

struct StoreFiles : ::testing::Test {
    TempDir temp;
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    AppLogger logger { clock, calendar };
    DataFolder folder { temp.path() / "Brivet" };

    static unsigned mode(const fs::path& p)
    {
        struct stat st { };
        ::stat(p.c_str(), &st);
        return st.st_mode & 0777;
    }
    std::vector<std::string> namesIn(const fs::path& dir) const
    {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    StickyNote sample(const std::string& title) const
    {
        StickyNote n = StickyNote::placeholder(Uuid::random(), clock.now());
        n.title = title;
        return n;
    }
};

} // namespace

TEST_F(StoreFiles, FirstLoadCreatesAPrivateFolderAndNoFiles)
{
    JsonNoteRepository notes(folder, clock, &logger);
    JsonPreferencesStore prefs(folder, clock, calendar, &logger);
    EXPECT_TRUE(notes.loadNotes().empty());
    EXPECT_EQ(prefs.loadPreferences(), AppPreferences::defaultValue(calendar, clock.now()));
    ASSERT_TRUE(fs::is_directory(folder.path()));
    EXPECT_EQ(mode(folder.path()), 0700u);
    EXPECT_TRUE(namesIn(folder.path()).empty());

    ASSERT_TRUE(notes.save({ sample("a") }).ok());
    ASSERT_TRUE(prefs.save(AppPreferences::defaultValue(calendar, clock.now())).ok());
    EXPECT_EQ(mode(folder.notesFile()), 0600u);
    EXPECT_EQ(mode(folder.preferencesFile()), 0600u);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string> { "notes.json", "preferences.json" }));
}

TEST_F(StoreFiles, SavedNotesReadBackInFileOrder)
{
    JsonNoteRepository notes(folder, clock);
    std::vector<StickyNote> written { sample("一"), sample("二"), sample("三") };
    ASSERT_TRUE(notes.save(written).ok());
    JsonNoteRepository again(folder, clock);
    EXPECT_EQ(again.loadNotes(), written);
}

TEST_F(StoreFiles, UnreadableFilesAreKeptAsideBeforeTheFirstSave)
{
    ASSERT_TRUE(folder.ensureExists().ok());
    writeFile(folder.notesFile(), R"({"version":1,"notes":[{"id":"0F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F"}]})");
    writeFile(folder.preferencesFile(), "not json at all");

    JsonNoteRepository notes(folder, clock, &logger);
    JsonPreferencesStore prefs(folder, clock, calendar, &logger);
    EXPECT_TRUE(notes.loadNotes().empty());
    EXPECT_EQ(prefs.loadPreferences(), AppPreferences::defaultValue(calendar, clock.now()));
    // Loading alone changes nothing on disk.
    EXPECT_EQ(namesIn(folder.path()).size(), 2u);

    ASSERT_TRUE(notes.save({ sample("new") }).ok());
    ASSERT_TRUE(prefs.save(AppPreferences::defaultValue(calendar, clock.now())).ok());
    auto names = namesIn(folder.path());
    ASSERT_EQ(names.size(), 4u);
    std::string notesAside, prefsAside;
    for (auto& name : names) {
        if (name.starts_with("notes.json.unreadable-"))
            notesAside = name;
        if (name.starts_with("preferences.json.unreadable-"))
            prefsAside = name;
    }
    ASSERT_FALSE(notesAside.empty());
    ASSERT_FALSE(prefsAside.empty());
    EXPECT_EQ(notesAside.size(), std::string("notes.json.unreadable-20261130T005320Z").size()) << notesAside;
    EXPECT_EQ(readFile(folder.path() / prefsAside), "not json at all");
    EXPECT_NE(readFile(folder.notesFile()).find("\"new\""), std::string::npos);

    int keptAsideLines = 0;
    for (auto& entry : logger.entries())
        keptAsideLines += entry.find("unreadable") != std::string::npos;
    EXPECT_EQ(keptAsideLines, 2);

    // Only the first save keeps a file aside.
    ASSERT_TRUE(notes.save({ sample("newer") }).ok());
    EXPECT_EQ(namesIn(folder.path()).size(), 4u);
}

TEST_F(StoreFiles, ALargeFileReadInTheBackgroundComesBackWhole)
{
    // Large enough that its fingerprint is taken beside the decoding.
    std::vector<StickyNote> generated = generateRealisticNotes(2000, clock.now(), 11);
    std::string bytes = encodeNotesFile(generated);
    ASSERT_GT(bytes.size(), std::size_t(1) << 20);
    ASSERT_TRUE(folder.ensureExists().ok());
    writeFile(folder.notesFile(), bytes);

    JsonNoteRepository notes(folder, clock, &logger);
    notes.usePrefetched(JsonNoteRepository::readInBackground(folder));
    std::vector<StickyNote> loaded = notes.loadNotes();
    ASSERT_EQ(loaded.size(), generated.size());
    EXPECT_TRUE(loaded == generated);
    // What was read counts as written: saving it unchanged writes nothing.
    ASSERT_TRUE(notes.save(loaded).ok());
    EXPECT_EQ(readFile(folder.notesFile()), bytes);
}

TEST_F(StoreFiles, OneBadNoteAmongThousandsIsNamedAndTheFileIsKeptByteForByte)
{
    std::vector<StickyNote> generated = generateRealisticNotes(3000, clock.now(), 7);
    generated[1234].title = "MEND-ME";
    std::string bytes = encodeNotesFile(generated);
    const std::size_t marker = bytes.find("\"MEND-ME\"");
    ASSERT_NE(marker, std::string::npos);
    bytes.replace(marker, std::string("\"MEND-ME\"").size(), "42"); // a title that is no text
    ASSERT_TRUE(folder.ensureExists().ok());
    writeFile(folder.notesFile(), bytes);

    // The way the app reads it: decoded on a thread of its own.
    JsonNoteRepository notes(folder, clock, &logger);
    notes.usePrefetched(JsonNoteRepository::readInBackground(folder));
    EXPECT_TRUE(notes.loadNotes().empty());
    std::string line;
    for (const std::string& entry : logger.entries()) {
        if (entry.find("notes.json cannot be read") != std::string::npos)
            line = entry;
    }
    ASSERT_FALSE(line.empty());
    EXPECT_NE(line.find("note 1234 "), std::string::npos) << line;
    EXPECT_NE(line.find("title: expected a string"), std::string::npos) << line;
    // The byte offset and line point at the start of that very note.
    std::size_t at = line.find("byte ");
    ASSERT_NE(at, std::string::npos) << line;
    const std::size_t offset = std::stoul(line.substr(at + 5));
    ASSERT_LT(offset, marker);
    EXPECT_EQ(bytes[offset], '{');
    const std::string noteText = bytes.substr(offset, marker - offset);
    // Every note has one creation date (a task has none).
    EXPECT_NE(noteText.find("\"createdAt\""), std::string::npos);
    EXPECT_EQ(noteText.find("\"createdAt\""), noteText.rfind("\"createdAt\"")) << "the offset is not within the bad note";
    const auto lineNumber = 1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    EXPECT_NE(line.find("(line " + std::to_string(lineNumber) + ","), std::string::npos) << line;

    // The first save keeps the original aside, byte for byte.
    ASSERT_TRUE(notes.save({ sample("new") }).ok());
    std::string aside;
    for (const std::string& name : namesIn(folder.path()))
        if (name.starts_with("notes.json.unreadable-"))
            aside = name;
    ASSERT_FALSE(aside.empty());
    EXPECT_TRUE(readFile(folder.path() / aside) == bytes);
}

TEST_F(StoreFiles, AnUnreadableFileIsNeverReplacedWhileItCannotBeKeptAside)
{
    ASSERT_TRUE(folder.ensureExists().ok());
    const std::string hand = R"({"version":1,"notes":[{"id":"not a uuid","title":"x"}]})";
    writeFile(folder.notesFile(), hand);
    JsonNoteRepository notes(folder, clock, &logger);
    EXPECT_TRUE(notes.loadNotes().empty());

    // The folder is read-only for the first save: neither moving the file
    // aside nor writing works.
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    Status status = Status::success();
    {
        PermissionsBindThisThread bound;
        status = notes.save({ sample("first") });
    }
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(readFile(folder.notesFile()), hand);

    // Writable again: the file still goes aside before it is replaced.
    ASSERT_TRUE(notes.save({ sample("second") }).ok());
    bool kept = false;
    for (const std::string& name : namesIn(folder.path()))
        kept |= name.starts_with("notes.json.unreadable-") && readFile(folder.path() / name) == hand;
    EXPECT_TRUE(kept) << "the hand-edited file was overwritten";
}

TEST_F(StoreFiles, FailedWriteKeepsThePreviousFileAndLeavesNoTemporary)
{
    // The folder becomes read-only; the permissions bind this thread even
    // as root.
    JsonNoteRepository notes(folder, clock);
    ASSERT_TRUE(notes.save({ sample("old") }).ok());
    std::string before = readFile(folder.notesFile());

    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    Status status = Status::success();
    {
        PermissionsBindThisThread bound;
        status = notes.save({ sample("lost?") });
    }
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.message().empty());
    EXPECT_EQ(readFile(folder.notesFile()), before);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string> { "notes.json" }));
}

TEST_F(StoreFiles, WriteFailingHalfwayKeepsThePreviousFile)
{
    // A file-size limit makes the write itself fail (even for root), after
    // the temporary file has been created.
    JsonNoteRepository notes(folder, clock);
    ASSERT_TRUE(notes.save({ sample("old") }).ok());
    std::string before = readFile(folder.notesFile());

    std::vector<StickyNote> many;
    for (int i = 0; i < 200; ++i)
        many.push_back(sample(std::string(200, 'x')));
    Status status = Status::success();
    {
        FileSizeLimit limit(4096);
        status = notes.save(many);
    }

    EXPECT_FALSE(status.ok());
    EXPECT_EQ(readFile(folder.notesFile()), before);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string> { "notes.json" }));
    EXPECT_TRUE(notes.save(many).ok()) << "the next save tries again";
}

TEST_F(StoreFiles, AtomicWriteIntoAMissingFolderFailsCleanly)
{
    Status status = writeFileAtomically(temp.path() / "missing" / "x.json", "{}");
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(fs::exists(temp.path() / "missing"));

    // A directory standing where the file should go is not replaced.
    fs::create_directories(temp.path() / "dir.json");
    EXPECT_FALSE(writeFileAtomically(temp.path() / "dir.json", "{}").ok());
    EXPECT_TRUE(fs::is_directory(temp.path() / "dir.json"));
    EXPECT_EQ(namesIn(temp.path()), (std::vector<std::string> { "dir.json" }));
}

TEST_F(StoreFiles, OnlyOneLockHolderPerFolder)
{
    ASSERT_TRUE(folder.ensureExists().ok());
    auto first = FolderLock::acquire(folder);
    ASSERT_TRUE(std::holds_alternative<FolderLock>(first));
    auto second = FolderLock::acquire(folder);
    ASSERT_TRUE(std::holds_alternative<Status>(second));
    EXPECT_NE(std::get<Status>(second).message().find("already running"), std::string::npos);
    first = Status::failure("released");
    EXPECT_TRUE(std::holds_alternative<FolderLock>(FolderLock::acquire(folder)));
}

TEST_F(StoreFiles, TakingTheLockRemovesTemporariesLeftByACrashedSave)
{
    ASSERT_TRUE(folder.ensureExists().ok());
    auto put = [&](const std::string& name) { writeFile(folder.path() / name, "left over"); };
    put(".notes.json.a1B2c3");
    put(".preferences.json.Zz9yX8");
    put("notes.json");
    put("notes.json.unreadable-20261130T005320Z");
    put(".notes.json.toolong1"); // not a name the writer makes
    put(".other.json.a1B2c3");
    fs::create_directory(folder.path() / ".notes.json.dir123");

    {
        auto lock = FolderLock::acquire(folder);
        ASSERT_TRUE(std::holds_alternative<FolderLock>(lock));
        EXPECT_EQ(namesIn(folder.path()),
            (std::vector<std::string> { ".lock", ".notes.json.dir123", ".notes.json.toolong1", ".other.json.a1B2c3",
                "notes.json", "notes.json.unreadable-20261130T005320Z" }));

        // A second instance that finds the folder locked leaves the
        // running one's temporaries alone.
        put(".notes.json.Q1w2E3");
        EXPECT_TRUE(std::holds_alternative<Status>(FolderLock::acquire(folder)));
        EXPECT_TRUE(fs::exists(folder.path() / ".notes.json.Q1w2E3"));
    }
}

TEST(DataFolderLocation, FollowsXdgDataHome)
{
    const char* saved = std::getenv("XDG_DATA_HOME");
    std::string savedValue = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", "/tmp/xdg-test-data", 1);
    EXPECT_EQ(DataFolder::forCurrentUser().path(), fs::path("/tmp/xdg-test-data/Brivet"));
    ::setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(DataFolder::forCurrentUser().path().filename(), "Brivet");
    EXPECT_TRUE(DataFolder::forCurrentUser().path().is_absolute()) << "a relative XDG_DATA_HOME is ignored";
    if (saved)
        ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(Logger, KeepsTheLastTwoHundredStampedEntries)
{
    ManualClock clock(instantFromSeconds(1'796'000'000)); // 08:53:20 in Shanghai
    UserCalendar calendar("Asia/Shanghai", "zh_CN");
    AppLogger logger(clock, calendar);
    logger.log("");
    EXPECT_EQ(logger.entries().back(), "[08:53:20] ");
    for (int i = 1; i <= 201; ++i)
        logger.log("message " + std::to_string(i));
    ASSERT_EQ(logger.entries().size(), 200u);
    EXPECT_EQ(logger.entries().front(), "[08:53:20] message 2");
    EXPECT_EQ(logger.entries().back(), "[08:53:20] message 201");
}

TEST(Logger, LinesFromOtherThreadsJoinTheListInOrder)
{
    ManualClock clock;
    UserCalendar calendar("Asia/Shanghai", "zh_CN");
    AppLogger logger(clock, calendar);
    logger.log("first");
    std::thread([&] { logger.log("from the writer"); }).join();
    logger.log("third");
    ASSERT_EQ(logger.entries().size(), 3u);
    EXPECT_EQ(logger.entries()[1], "[08:53:20] from the writer");
    EXPECT_EQ(logger.entries()[2], "[08:53:20] third");
}
