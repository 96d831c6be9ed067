#include "support/StateFixture.h"

#include "model/JsonStores.h"
#include "state/NoteTrash.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class Trash : public ::testing::Test {
protected:
    StateFixture f;

    // A note with something in every field a restore must give back.
    StickyNote fullNote(const std::string& title)
    {
        StickyNote note = StateFixture::makeNote(title, f.at(2026, 12, 5, 18, 0));
        note.details = "细节";
        note.tasks.push_back(NoteTask { Uuid::random(), "第一步", true, std::nullopt, std::nullopt, std::nullopt });
        note.tasks.push_back(NoteTask { Uuid::random(), "第二步", false, std::nullopt, std::nullopt, std::nullopt });
        note.deferredUntil = f.at(2026, 12, 9, 9, 0);
        note.isHidden = true;
        note.frame = NoteFrame { 640, 420, 500, 318, NoteSizePreset::medium };
        note.createdAt = f.at(2026, 11, 1, 8, 0);
        note.updatedAt = f.at(2026, 11, 2, 8, 0);
        return note;
    }

    static const StickyNote& boardOf(AppState& state, NoteSurfaceRole role)
    {
        auto found = std::find_if(state.notes().begin(), state.notes().end(),
            [&](const StickyNote& note) { return note.surfaceRole == role; });
        EXPECT_NE(found, state.notes().end());
        return *found;
    }

    TrashEntry entryDeletedAt(const std::string& title, Instant when)
    {
        return TrashEntry { StateFixture::makeNote(title), when, 0, {} };
    }
};

TEST_F(Trash, DeleteThenUndoGivesBackTheNoteItsPlaceAndItsBoardLines)
{
    StickyNote first = fullNote("first");
    StickyNote middle = fullNote("middle");
    StickyNote last = fullNote("last");
    AppState& state = f.launchWith({ first, middle, last });
    auto board = state.createCustomSceneBoard(middle.id, NoteSizePreset::medium);
    ASSERT_TRUE(board);
    const std::vector<StickyNote> before = state.notes();

    state.deleteNote(middle.id);
    EXPECT_FALSE(state.findNote(middle.id));
    ASSERT_TRUE(state.undoOffer());
    EXPECT_EQ(state.undoOffer()->title, "middle");
    ASSERT_EQ(f.trashStore.stored.size(), 1u) << "the trash is written with the delete";
    EXPECT_EQ(f.trashStore.stored[0].note, middle);
    EXPECT_EQ(f.trashStore.stored[0].position, 1u);

    f.scheduler.advance(AppState::undoDeleteWindow - 1ms);
    EXPECT_TRUE(state.undoLastDelete());
    EXPECT_EQ(state.notes(), before) << "the same note, in the same place, the board as it was";
    EXPECT_EQ(f.repository.stored, before);
    EXPECT_TRUE(f.trashStore.stored.empty());
    EXPECT_FALSE(state.undoOffer());
    EXPECT_FALSE(state.undoLastDelete()) << "one undo per delete";
}

TEST_F(Trash, ABoardLineRemovedWhileTheNoteWasInTheTrashComesBackWhereItStood)
{
    StickyNote a = StateFixture::makeNote("a", f.at(2026, 12, 5, 15, 0));
    StickyNote b = StateFixture::makeNote("b", f.at(2026, 12, 5, 16, 0));
    StickyNote c = StateFixture::makeNote("c", f.at(2026, 12, 5, 17, 0));
    AppState& state = f.launchWith({ a, b, c }, [](AppPreferences& p) { p.autoGenerateFocusBoard = true; });
    const std::vector<NoteTask> lines = boardOf(state, NoteSurfaceRole::todayBoard).tasks;
    ASSERT_EQ(lines.size(), 3u);
    ASSERT_EQ(lines[1].linkedNoteID, b.id);

    state.deleteNote(b.id);
    state.refreshGeneratedBoards(false);
    ASSERT_EQ(boardOf(state, NoteSurfaceRole::todayBoard).tasks.size(), 2u) << "the refresh dropped b's line";

    EXPECT_TRUE(state.restoreFromTrash(b.id));
    const std::vector<NoteTask>& after = boardOf(state, NoteSurfaceRole::todayBoard).tasks;
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1], lines[1]) << "the very line, in its place";
    EXPECT_EQ(after[0].linkedNoteID, a.id);
    EXPECT_EQ(after[2].linkedNoteID, c.id);
}

TEST_F(Trash, TheUndoOfferLapsesButTheTrashKeepsTheNote)
{
    StickyNote note = fullNote("kept");
    AppState& state = f.launchWith({ note });
    state.deleteNote(note.id);
    f.scheduler.advance(AppState::undoDeleteWindow);
    EXPECT_FALSE(state.undoOffer());
    EXPECT_FALSE(state.undoLastDelete());
    ASSERT_EQ(state.trash().size(), 1u);

    EXPECT_TRUE(state.restoreFromTrash(note.id));
    EXPECT_EQ(*state.findNote(note.id), note);
    EXPECT_FALSE(state.restoreFromTrash(note.id)) << "it is no longer in the trash";
}

TEST_F(Trash, ANoteIsRestoredAfterARelaunchFromTheTrashFile)
{
    TempDir temp;
    DataFolder folder(temp.path() / "Brivet");
    JsonTrashStore file(folder, f.clock, f.logger.get());
    f.trashStoreInUse = &file;
    StickyNote note = fullNote("across launches");
    note.externalLink = ExternalLink { NoteSource::reminders, "uid-1", f.at(2026, 12, 1), f.at(2026, 12, 1) };
    note.syncToReminders = true;
    note.source = NoteSource::reminders;
    AppState& state = f.launchWith({ note, fullNote("other") });
    state.deleteNote(note.id);
    f.destroyState();

    f.clock.advance(std::chrono::days(3));
    JsonTrashStore reopened(folder, f.clock, f.logger.get());
    f.trashStoreInUse = &reopened;
    AppState& relaunched = f.launch();
    ASSERT_EQ(relaunched.trash().size(), 1u);
    EXPECT_EQ(relaunched.trash()[0].note, note);
    EXPECT_TRUE(relaunched.restoreFromTrash(note.id));
    EXPECT_EQ(relaunched.notes().front(), note) << "back in first place, its reminder link kept for the next sync";
}

TEST_F(Trash, RestoringANoteWhoseReminderCameBackAsANewNoteKeepsOneNotePerReminder)
{
    StickyNote note = fullNote("linked");
    note.externalLink = ExternalLink { NoteSource::reminders, "uid-7", f.at(2026, 12, 1), f.at(2026, 12, 1) };
    note.source = NoteSource::reminders;
    note.syncToReminders = true;
    AppState& state = f.launchWith({ note });
    state.deleteNote(note.id);
    f.destroyState();
    // A sync meanwhile imported the reminder again as a note of its own.
    StickyNote reimported = StateFixture::makeNote("linked");
    reimported.externalLink = note.externalLink;
    reimported.source = NoteSource::reminders;
    f.store({ reimported });

    AppState& relaunched = f.launch();
    EXPECT_TRUE(relaunched.restoreFromTrash(note.id));
    ASSERT_EQ(relaunched.notes().size(), 1u);
    EXPECT_EQ(relaunched.notes()[0].id, note.id);
    ASSERT_EQ(relaunched.trash().size(), 1u) << "the copy is kept in the trash, not lost";
    EXPECT_EQ(relaunched.trash()[0].note.id, reimported.id);
}

TEST_F(Trash, NotesPastThirtyDaysLeaveAtLaunchOnceTheFirstCardsAreUp)
{
    f.trashStore.stored = { entryDeletedAt("31 days", f.clock.now() - std::chrono::days(31)),
        entryDeletedAt("29 days", f.clock.now() - std::chrono::days(29)) };
    f.build();
    f.scheduler.runDue();
    EXPECT_EQ(f.trashStore.loads, 0) << "the trash file is not read on the way to the first cards";
    f.scheduler.advance(AppState::trashPurgeDelay);
    EXPECT_EQ(f.trashStore.loads, 1);
    ASSERT_EQ(f.trashStore.stored.size(), 1u);
    EXPECT_EQ(f.trashStore.stored[0].note.title, "29 days");
}

TEST_F(Trash, AFullTrashLetsTheOldestDeletionGo)
{
    for (std::size_t i = 0; i < NoteTrash::capacity; ++i)
        f.trashStore.stored.push_back(entryDeletedAt("old " + std::to_string(i), f.clock.now() - std::chrono::minutes(1000 - i)));
    StickyNote note = StateFixture::makeNote("newest");
    AppState& state = f.launchWith({ note });
    state.deleteNote(note.id);
    ASSERT_EQ(f.trashStore.stored.size(), NoteTrash::capacity);
    EXPECT_EQ(f.trashStore.stored.front().note.title, "old 1");
    EXPECT_EQ(f.trashStore.stored.back().note.title, "newest");
}

TEST_F(Trash, DeletingForGoodAndEmptyingEndTheOfferAndReachTheFile)
{
    StickyNote a = StateFixture::makeNote("a");
    StickyNote b = StateFixture::makeNote("b");
    StickyNote c = StateFixture::makeNote("c");
    AppState& state = f.launchWith({ a, b, c });
    state.deleteNote(a.id);
    state.deleteNote(b.id);
    EXPECT_EQ(state.undoOffer()->noteId, b.id) << "the offer follows the last delete";

    state.deleteFromTrash(b.id);
    EXPECT_FALSE(state.undoOffer());
    EXPECT_FALSE(state.restoreFromTrash(b.id));
    ASSERT_EQ(f.trashStore.stored.size(), 1u);

    state.deleteNote(c.id);
    state.emptyTrash();
    EXPECT_TRUE(f.trashStore.stored.empty());
    EXPECT_FALSE(state.undoOffer());
    EXPECT_EQ(state.notes().size(), 0u);
}

TEST_F(Trash, AnUnreadableTrashFileIsReportedAndNoNoteIsLost)
{
    f.trashStore.problem = "回收站文件已损坏";
    StickyNote note = StateFixture::makeNote("note");
    AppState& state = f.launchWith({ note });
    EXPECT_TRUE(state.trash().empty());
    EXPECT_EQ(state.trashProblem(), "回收站文件已损坏");
    state.deleteNote(note.id);
    EXPECT_TRUE(state.undoLastDelete());
    EXPECT_EQ(state.notes().size(), 1u);
}

} // namespace
