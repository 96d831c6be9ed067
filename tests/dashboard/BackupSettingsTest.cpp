#include "DashboardFixture.h"

#include "dashboard/BackupSection.h"
#include "dashboard/NoteTransferActions.h"
#include "dashboard/SettingsView.h"
#include "model/BackupArchive.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace brivet;
using namespace brivet::testing;

namespace {

class BackupSettingsTest : public DashboardTest {
protected:
    TempDir temp;
    BackupArchive archive { DataFolder(temp.path() / "Brivet"), fixture.clock, fixture.calendar };

    BackupSettingsTest() { fixture.backups = &archive; }
    std::string keep(std::vector<StickyNote> notes)
    {
        auto entry = archive.keep(notes, fixture.preferencesStore.fallback);
        fixture.clock.advance(std::chrono::seconds(1));
        return std::get<BackupEntry>(entry).name;
    }
    static void waitForCounts(BackupSection* section)
    {
        QSignalSpy counted(section, &BackupSection::countsFinished);
        ASSERT_TRUE(counted.wait(5000));
    }
};

TEST_F(BackupSettingsTest, BackupsAreListedWithTheirNoteCountsAndARestoreReplacesTheNotes)
{
    const std::string two = keep({ makeNote("甲"), makeNote("乙") });
    const std::string damaged = keep({ makeNote("丙") });
    writeFile(temp.path() / "Brivet" / "backups" / damaged / "notes.json", "{\"notes\": [");
    launch({ makeNote("现在的") });
    BackupSection* section = open(DashboardDestination::settings).settings()->backupSection();
    section->reload();
    waitForCounts(section);
    ASSERT_NE(section->rowLabel(QString::fromStdString(two)), nullptr);
    EXPECT_TRUE(section->rowLabel(QString::fromStdString(two))->text().endsWith(QStringLiteral("2 条便签")));
    EXPECT_TRUE(section->rowLabel(QString::fromStdString(damaged))->text().contains(QStringLiteral("已损坏")));

    section->restore(QString::fromStdString(damaged), BackupSection::Confirmation::given);
    EXPECT_EQ(state().notes()[0].title, "现在的") << "a damaged backup changes nothing";
    EXPECT_TRUE(section->statusLabel()->text().contains(QStringLiteral("已损坏")));

    section->restore(QString::fromStdString(two), BackupSection::Confirmation::given);
    ASSERT_EQ(state().notes().size(), 2u);
    EXPECT_EQ(state().notes()[0].title, "甲");
    EXPECT_TRUE(section->statusLabel()->text().contains(QStringLiteral("已从")));
    waitForCounts(section);
    EXPECT_EQ(archive.list().size(), 3u);
    EXPECT_TRUE(section->rowLabel(QString::fromStdString(archive.list()[0].name))->text().contains(QStringLiteral("恢复前")));
}

TEST_F(BackupSettingsTest, AnImportTellsWhatItAddedAndAnExportShowsItsFolder)
{
    StickyNote present = makeNote("已有");
    launch({ present });
    SettingsView* settings = open(DashboardDestination::settings).settings();
    EXPECT_FALSE(settings->exportSection()->isVisible());

    StickyNote incoming = makeNote("新来的");
    incoming.isHidden = false;
    const auto file = temp.path() / "in.json";
    ASSERT_TRUE(exportNotes({ present, incoming }, ExportFormat::json, file, fixture.clock.now()).ok());
    QString message = settings->transfer()->importFrom(file, NoteTransferActions::Confirmation::given);
    EXPECT_EQ(message, QStringLiteral("已导入 1 条便签，跳过 1 条。"));
    EXPECT_EQ(settings->transferStatus()->text(), message);
    EXPECT_TRUE(stored(incoming.id).isHidden);

    writeFile(temp.path() / "fake.ics", "not a calendar");
    const auto before = state().notes();
    EXPECT_TRUE(settings->transfer()->importFrom(temp.path() / "fake.ics", NoteTransferActions::Confirmation::given).startsWith(QStringLiteral("无法导入")));
    EXPECT_EQ(state().notes(), before);

    const auto folder = settings->transfer()->markdownFolderIn(temp.path());
    ASSERT_TRUE(state().exportNotes(state().notes(), ExportFormat::markdown, folder).ok());
    settle();
    EXPECT_TRUE(settings->exportSection()->isVisible());
    EXPECT_EQ(settings->exportPath()->text(), QString::fromStdString(folder.string()));
    EXPECT_TRUE(settings->openExportFolderButton()->isVisible());
    EXPECT_NE(settings->transfer()->markdownFolderIn(temp.path()), folder) << "the next export never merges into it";
}

} // namespace
