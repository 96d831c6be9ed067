#include "model/AppLogger.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "state/SaveQueue.h"
#include "support/FileFaults.h"
#include "support/ManualClock.h"
#include "support/StateFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Saves through the writer thread into real files, while the file-size
// limit makes every write of the notes fail as a full disk does.
struct DiskFull : ::testing::Test {
    TempDir temp;
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    AppLogger logger { clock, calendar };
    DataFolder folder { temp.path() / "Brivet" };
    JsonNoteRepository notesFile { folder, clock, &logger };
    JsonPreferencesStore preferencesFile { folder, clock, calendar, &logger };
    JsonTrashStore trashFile { folder, clock, &logger };

    std::vector<StickyNote> notesTitled(const std::string& title, int count = 40) const
    {
        std::vector<StickyNote> notes;
        for (int i = 0; i < count; ++i) {
            StickyNote note = StickyNote::placeholder(Uuid::random(), clock.now());
            note.title = title + " " + std::to_string(i);
            note.details = std::string(100, 'x');
            notes.push_back(note);
        }
        return notes;
    }
    // The limit lets a file grow to less than the notes need.
    std::uintmax_t tooSmall() const { return fs::file_size(folder.notesFile()) / 2; }
    std::size_t linesWith(const std::string& text)
    {
        const auto& entries = logger.entries();
        return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
            [&](const std::string& entry) { return entry.find(text) != std::string::npos; }));
    }
    std::vector<std::string> namesInFolder() const
    {
        std::vector<std::string> names;
        for (auto& entry : fs::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string firstTitleOnDisk() const
    {
        auto decoded = decodeNotesFile(readFile(folder.notesFile()), clock.now());
        const auto* notes = std::get_if<std::vector<StickyNote>>(&decoded);
        return notes && !notes->empty() ? notes->front().title : std::string("(unreadable)");
    }
};

TEST_F(DiskFull, SavesFailWithTheFileWholeAreLoggedOnceAndTheNextChangeWritesEverything)
{
    SaveQueue queue(notesFile, preferencesFile, trashFile, logger, SaveThread::writer);
    queue.saveNotes(notesTitled("before"));
    queue.waitUntilWritten();
    const std::string before = readFile(folder.notesFile());
    {
        FileSizeLimit full(tooSmall());
        for (int keystroke = 1; keystroke <= 5; ++keystroke) {
            queue.saveNotes(notesTitled("typed " + std::to_string(keystroke)));
            queue.waitUntilWritten();
        }
    }
    EXPECT_EQ(readFile(folder.notesFile()), before);
    EXPECT_EQ(namesInFolder(), (std::vector<std::string> { "notes.json" })) << "a temporary file was left";
    EXPECT_EQ(linesWith("Save notes failed: "), 1u) << "one line for the whole spell, not one per keystroke";
    EXPECT_EQ(linesWith("File too large"), 1u);

    // Space again: the next change writes the whole state.
    queue.saveNotes(notesTitled("typed 6"));
    queue.waitUntilWritten();
    EXPECT_EQ(firstTitleOnDisk(), "typed 6 0");
    EXPECT_EQ(linesWith("Saving the notes works again"), 1u);
    EXPECT_TRUE(queue.flush());
}

TEST_F(DiskFull, QuitTriesTheFailedSaveOnceMoreAndReportsWhatStillFails)
{
    SaveQueue queue(notesFile, preferencesFile, trashFile, logger, SaveThread::writer);
    queue.saveNotes(notesTitled("before"));
    queue.waitUntilWritten();
    const std::string before = readFile(folder.notesFile());
    {
        FileSizeLimit full(tooSmall());
        queue.saveNotes(notesTitled("last words"));
        queue.waitUntilWritten();
        // Still full at quit: the last try fails and says so.
        EXPECT_FALSE(queue.flush());
    }
    EXPECT_EQ(readFile(folder.notesFile()), before);
    EXPECT_EQ(linesWith("Quitting with the notes unsaved: "), 1u);

    // Space came back before the next quit, with no change since: the kept
    // snapshot is what gets written.
    {
        FileSizeLimit full(tooSmall());
        queue.saveNotes(notesTitled("typed while full"));
        queue.waitUntilWritten();
    }
    EXPECT_TRUE(queue.flush());
    EXPECT_EQ(firstTitleOnDisk(), "typed while full 0");
}

TEST(StoreFaults, AnEditWhoseSaveFailedIsWrittenAtQuitOnceTheDiskTakesItAgain)
{
    TempDir temp;
    StateFixture f;
    f.saveThread = SaveThread::writer;
    DataFolder folder(temp.path() / "Brivet");
    JsonNoteRepository notesFile(folder, f.clock, f.logger.get());
    JsonPreferencesStore preferencesFile(folder, f.clock, f.calendar, f.logger.get());
    ASSERT_TRUE(notesFile.save({ StateFixture::makeNote("a") }).ok());
    f.repositoryInUse = &notesFile;
    f.preferencesStoreInUse = &preferencesFile;
    AppState& state = f.launch();
    ASSERT_TRUE(state.flushPendingSaves());
    const Uuid id = state.notes().at(0).id;

    {
        FileSizeLimit full(0);
        state.updateNoteTitle(id, "typed while the disk was full");
        f.scheduler.advance(AppState::notesSaveDelay);
        state.hideAllNotes(); // an immediate save
        ASSERT_FALSE(state.flushPendingSaves());
    }
    EXPECT_EQ(state.notes().at(0).title, "typed while the disk was full") << "the state keeps what was typed";
    EXPECT_TRUE(state.flushPendingSaves());
    auto decoded = decodeNotesFile(readFile(folder.notesFile()), f.clock.now());
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(decoded));
    EXPECT_EQ(std::get<std::vector<StickyNote>>(decoded).at(0).title, "typed while the disk was full");
    EXPECT_TRUE(std::get<std::vector<StickyNote>>(decoded).at(0).isHidden);
}

// Nobody has to change a note for a save that failed to be written once
// the disk takes it again: it is tried after 1 s, then 2, 4 … up to a minute.
TEST(StoreFaults, AFailedSaveIsTriedAgainOnATimerThatBacksOffUntilItWorks)
{
    StateFixture f;
    f.store({ StateFixture::makeNote("a") });
    AppState& state = f.launch();
    f.scheduler.runDue();
    ASSERT_EQ(f.scheduler.pendingCount(), 0u);
    f.repository.failFromWrite = f.repository.attempts + 1;
    const int before = f.repository.attempts;

    const Uuid id = state.notes().at(0).id;
    state.updateNoteTitle(id, "typed while full");
    f.scheduler.advance(AppState::notesSaveDelay); // the save, which fails
    EXPECT_EQ(f.repository.attempts, before + 1);
    int tries = 1;
    for (int seconds : { 1, 2, 4, 8, 16, 32, 60, 60 }) {
        f.scheduler.advance(std::chrono::milliseconds(seconds * 1000 - 1));
        EXPECT_EQ(f.repository.attempts, before + tries) << "not before " << seconds << " s";
        f.scheduler.advance(1ms);
        EXPECT_EQ(f.repository.attempts, before + ++tries) << "after " << seconds << " s";
    }
    EXPECT_EQ(f.repository.stored.at(0).title, "a");

    f.repository.failFromWrite.reset(); // space again
    f.scheduler.advance(60s);
    EXPECT_EQ(f.repository.stored.at(0).title, "typed while full") << "the retry wrote the kept snapshot";
    EXPECT_EQ(f.scheduler.pendingCount(), 0u) << "no timer is left once the file is written";
    const auto& entries = f.logger->entries();
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                  [](const std::string& line) { return line.find("Save notes failed: ") != std::string::npos; }),
        1);
    EXPECT_NE(entries.back().find("Saving the notes works again"), std::string::npos);

    // A later failure starts again from one second.
    f.repository.failFromWrite = f.repository.attempts + 1;
    state.updateNoteTitle(id, "again");
    f.scheduler.advance(AppState::notesSaveDelay);
    const int failed = f.repository.attempts;
    f.scheduler.advance(1s);
    EXPECT_EQ(f.repository.attempts, failed + 1);
}

} // namespace
