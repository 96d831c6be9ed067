#include "model/BackupArchive.h"
#include "model/NoteCoding.h"
#include "support/FileFaults.h"
#include "support/StateFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

struct BackupAndTransfer : ::testing::Test {
    StateFixture fixture;
    TempDir temp;
    BackupArchive archive { DataFolder(temp.path() / "Brivet"), fixture.clock, fixture.calendar };

    void SetUp() override { fixture.backups = &archive; }
    AppState& launchWithTwoNotes()
    {
        StickyNote shown = StateFixture::makeNote("桌面上的", fixture.at(2026, 12, 10, 9));
        shown.isHidden = false;
        StickyNote filed = StateFixture::makeNote("收起的");
        filed.isHidden = true;
        filed.tasks = { NoteTask { Uuid::random(), "子任务", true }, NoteTask { Uuid::random(), "另一个", false } };
        return fixture.launchWith({ shown, filed });
    }
    BackupEntry kept(const std::vector<StickyNote>& notes, const AppPreferences& preferences)
    {
        auto result = archive.keep(notes, preferences);
        EXPECT_TRUE(std::holds_alternative<BackupEntry>(result));
        return std::get<BackupEntry>(result);
    }
};

} // namespace

TEST_F(BackupAndTransfer, RestoringTheBackupARestoreMadeGivesBackTheStateBefore)
{
    AppState& state = launchWithTwoNotes();
    const std::vector<StickyNote> before = state.notes();
    const AppPreferences preferencesBefore = state.preferences();

    StickyNote old = StateFixture::makeNote("旧备份里的");
    old.frame = NoteFrame { -5000, -5000, 10, 10, NoteSizePreset::small }; // off every screen
    old.deferredUntil = fixture.clock.now() - std::chrono::hours(1);
    AppPreferences oldPreferences = preferencesBefore;
    oldPreferences.defaultOpacity = 0.4;
    BackupEntry older = kept({ old }, oldPreferences);
    fixture.clock.advance(std::chrono::seconds(5));

    ASSERT_TRUE(state.restoreBackup(older).ok());
    ASSERT_EQ(state.notes().size(), 1u);
    EXPECT_EQ(state.notes()[0].title, "旧备份里的");
    EXPECT_FALSE(state.notes()[0].deferredUntil.has_value()) << "an expired deferral ends as at a launch";
    EXPECT_GE(state.notes()[0].frame.x, 0) << "placed on a screen as at a launch";
    EXPECT_EQ(state.preferences().defaultOpacity, 0.4);
    EXPECT_EQ(fixture.repository.stored, state.notes()) << "the restored notes are saved";
    EXPECT_EQ(fixture.preferencesStore.stored->defaultOpacity, 0.4);

    std::vector<BackupEntry> entries = archive.list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].kind, BackupEntry::Kind::beforeRestore);
    EXPECT_NE(entries[0].name, older.name);
    fixture.clock.advance(std::chrono::seconds(5));
    ASSERT_TRUE(state.restoreBackup(entries[0]).ok());
    EXPECT_EQ(encodeNotesFile(state.notes()), encodeNotesFile(before));
    EXPECT_EQ(state.preferences(), preferencesBefore);
    EXPECT_EQ(archive.list().size(), 3u) << "that restore kept a backup too";
}

TEST_F(BackupAndTransfer, ADamagedBackupOrAFullDiskChangesNothing)
{
    AppState& state = launchWithTwoNotes();
    const std::vector<StickyNote> before = state.notes();
    const int writes = fixture.repository.attempts;
    BackupEntry entry = kept({ StateFixture::makeNote("x") }, state.preferences());
    writeFile(entry.folder / "notes.json", "{\"notes\": [{\"id\": ");

    Status damaged = state.restoreBackup(entry);
    ASSERT_FALSE(damaged.ok());
    EXPECT_NE(damaged.message().find("已损坏"), std::string::npos) << damaged.message();
    EXPECT_EQ(readFile(entry.folder / "notes.json"), "{\"notes\": [{\"id\": ") << "left alone";

    BackupEntry good = kept({ StateFixture::makeNote("y") }, state.preferences());
    Status full = Status::success();
    {
        FileSizeLimit limit(64); // the current notes cannot be kept first
        full = state.restoreBackup(good);
    }
    ASSERT_FALSE(full.ok());
    EXPECT_NE(full.message().find("没有恢复"), std::string::npos) << full.message();
    EXPECT_EQ(state.notes(), before);
    EXPECT_EQ(fixture.repository.attempts, writes) << "nothing was saved";
    EXPECT_EQ(archive.list().size(), 2u) << "no half backup";
}

TEST_F(BackupAndTransfer, ExportThenImportIntoAnEmptyStateGivesTheSameRecords)
{
    AppState& state = launchWithTwoNotes();
    std::vector<StickyNote> exported = state.notes();
    for (StickyNote& note : exported)
        note.isHidden = true; // imported notes arrive hidden: compare like with like
    const fs::path file = temp.path() / "导出.json";
    ASSERT_TRUE(state.exportNotes(exported, ExportFormat::json, file).ok());
    ASSERT_TRUE(state.lastExportURL().has_value());
    EXPECT_EQ(*state.lastExportURL(), fileUrl(file));

    fixture.destroyState();
    StateFixture empty;
    AppState& other = empty.launchWith({});
    const std::size_t samples = other.notes().size();
    auto read = readImport(file, empty.calendar, empty.clock.now());
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(read));
    EXPECT_EQ(other.importNotes(std::get<std::vector<StickyNote>>(read)), exported.size());
    std::vector<StickyNote> arrived(other.notes().begin() + static_cast<std::ptrdiff_t>(samples), other.notes().end());
    EXPECT_EQ(encodeNotesFile(arrived), encodeNotesFile(exported));
    EXPECT_EQ(empty.repository.stored, other.notes()) << "saved through the state";
    EXPECT_EQ(other.importNotes(exported), 0u) << "a second import adds nothing";
}

TEST_F(BackupAndTransfer, ImportedNotesArriveHiddenAndAFailedExportKeepsTheLastUrl)
{
    AppState& state = launchWithTwoNotes();
    StickyNote visible = StateFixture::makeNote("导入的");
    visible.isHidden = false;
    EXPECT_EQ(state.importNotes({ visible, state.notes()[0] }), 1u);
    EXPECT_TRUE(state.findNote(visible.id)->isHidden);

    ASSERT_TRUE(state.exportNotes(state.notes(), ExportFormat::iCalendar, temp.path() / "a.ics").ok());
    const auto url = state.lastExportURL();
    EXPECT_FALSE(state.exportNotes(state.notes(), ExportFormat::iCalendar, temp.path() / "missing" / "b.ics").ok());
    EXPECT_EQ(state.lastExportURL(), url);
}
