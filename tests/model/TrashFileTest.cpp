#include "model/AppLogger.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

struct TrashFile : ::testing::Test {
    TempDir temp;
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    AppLogger logger { clock, calendar };
    DataFolder folder { temp.path() / "Brivet" };
    JsonTrashStore store { folder, clock, &logger };

    TrashFile() { clock.set(instantFromSeconds(1'796'000'000)); }

    TrashEntry entry()
    {
        StickyNote note = StickyNote::placeholder(Uuid::random(), clock.now());
        note.title = "删掉的";
        note.tasks.push_back(NoteTask { Uuid::random(), "一行", true, std::nullopt, std::nullopt, std::nullopt });
        note.isCompleted = true; // as reading recomputes it from the tasks
        NoteTask line { Uuid::random(), "删掉的 · 今天", false, note.id, NoteSource::local, clock.now() };
        return TrashEntry { note, clock.now(), 4, { TrashedBoardLine { Uuid::random(), 2, line } } };
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& item : std::filesystem::directory_iterator(folder.path()))
            found.push_back(item.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(TrashFile, EntriesComeBackAsWrittenInAPrivateFile)
{
    std::vector<TrashEntry> entries { entry(), entry() };
    ASSERT_TRUE(store.save(entries).ok());
    struct stat info { };
    ASSERT_EQ(::stat(folder.trashFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    const std::string text = readFile(folder.trashFile());
    EXPECT_LT(text.find("\"trash\""), text.find("\"version\"")) << "keys in order, like the notes file";

    TrashStore::Loaded loaded = JsonTrashStore(folder, clock, &logger).loadTrash();
    EXPECT_FALSE(loaded.problem);
    EXPECT_EQ(encodeTrashFile(loaded.entries), text);
    EXPECT_EQ(loaded.entries, entries);
}

TEST_F(TrashFile, AMissingFileIsAnEmptyTrashAndWritesNothing)
{
    TrashStore::Loaded loaded = store.loadTrash();
    EXPECT_TRUE(loaded.entries.empty());
    EXPECT_FALSE(loaded.problem);
    EXPECT_FALSE(std::filesystem::exists(folder.trashFile()));
}

TEST_F(TrashFile, ABadFileIsSetAsideUnchangedAndTheTrashStartsAfresh)
{
    const std::string good = encodeTrashFile({ entry() });
    const std::string cases[] = {
        good.substr(0, good.size() / 2), // truncated
        "{\"trash\": [{\"note\": {}}], \"version\": 1}", // hand-edited: no deletedAt, a note without fields
        encodeNotesFile({}), // another file's content
        "\x89PNG\r\n\x1a\n", // not text at all
    };
    for (const std::string& bytes : cases) {
        std::filesystem::remove_all(folder.path());
        ASSERT_TRUE(folder.ensureExists().ok());
        writeFile(folder.trashFile(), bytes);
        TrashStore::Loaded loaded = store.loadTrash();
        EXPECT_TRUE(loaded.entries.empty());
        ASSERT_TRUE(loaded.problem);
        EXPECT_NE(loaded.problem->find("trash.json.unreadable-"), std::string::npos) << *loaded.problem;
        ASSERT_EQ(names().size(), 1u);
        EXPECT_EQ(readFile(folder.path() / names()[0]), bytes) << "kept byte for byte";

        ASSERT_TRUE(store.save({ entry() }).ok());
        EXPECT_EQ(names().size(), 2u) << "a new trash beside the one kept aside";
    }
}

TEST_F(TrashFile, AHugeFileIsNotReadIntoMemory)
{
    ASSERT_TRUE(folder.ensureExists().ok());
    writeFile(folder.trashFile(), "{");
    std::filesystem::resize_file(folder.trashFile(), JsonTrashStore::largestReadableFile + 1); // sparse
    TrashStore::Loaded loaded = store.loadTrash();
    ASSERT_TRUE(loaded.problem);
    EXPECT_FALSE(std::filesystem::exists(folder.trashFile()));
}

} // namespace
