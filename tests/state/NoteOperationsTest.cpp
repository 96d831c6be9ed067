#include "support/StateFixture.h"

#include "state/ScreenList.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class NoteOperations : public ::testing::Test {
protected:
    StateFixture f;
};

TEST_F(NoteOperations, CreateCascadesFromTheLastNoteAndReachesTheDesktop)
{
    StickyNote hiddenLast = StateFixture::makeNote("last, hidden");
    hiddenLast.frame.x = 300;
    hiddenLast.frame.y = 400;
    StickyNote first = StateFixture::makeNote("first");
    AppState& state = f.launchWith({ first, hiddenLast });
    auto writes = f.repository.writes.size();

    Uuid a = state.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::focused);
    Uuid b = state.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::shown);
    Uuid c = state.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::shown);
    const StickyNote& na = *state.findNote(a);
    EXPECT_EQ(na.frame.x, 328);
    EXPECT_EQ(na.frame.y, 372);
    EXPECT_EQ(na.frame.width, 344);
    EXPECT_EQ(na.frame.height, 248);
    EXPECT_EQ(state.findNote(b)->frame.x, 356);
    EXPECT_EQ(state.findNote(c)->frame.y, 316);
    EXPECT_FALSE(na.isHidden) << "new notes reach the desktop even under sceneBoardsOnly";
    EXPECT_EQ(na.style.theme, f.preferencesStore.fallback.defaultTheme);
    EXPECT_EQ(f.repository.writes.size(), writes + 3) << "each creation is written at once";
    ASSERT_FALSE(f.windows.focused.empty());
    EXPECT_EQ(f.windows.focused.front(), a);
    EXPECT_EQ(f.windows.reconciles.back().notes, state.notes()) << "the focused panel existed before focus";
    EXPECT_NE(f.logger->entries().back().find("Created note " + c.toString()), std::string::npos);

    // Asked for from outside the app (a global key): open for editing and
    // focused, still in one write.
    Uuid d = state.createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::editing);
    EXPECT_EQ(state.findNote(d)->displayMode, NoteDisplayMode::detail);
    EXPECT_FALSE(state.findNote(d)->isHidden);
    EXPECT_EQ(f.windows.focused.back(), d);
    EXPECT_EQ(f.repository.writes.size(), writes + 4);
}

TEST_F(NoteOperations, CreateOnEmptyListStartsFromTheMainScreenAndCanStayHidden)
{
    f.screens.setFrames({ Rect { 0, 40, 1440, 835 } });
    AppState& state = f.build();
    state.hideAllNotes();
    // An empty list never happens after launch (samples); clear it directly.
    for (const StickyNote& note : std::vector<StickyNote>(state.notes()))
        state.deleteNote(note.id);
    f.scheduler.runDue();
    ASSERT_TRUE(state.notes().empty());

    std::string status = state.syncStatus();
    Uuid id = state.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::hidden);
    const StickyNote& note = *state.findNote(id);
    EXPECT_EQ(note.frame.x, 28);
    EXPECT_EQ(note.frame.y, 40) << "28 points down from the screen origin is off screen; kept on it";
    EXPECT_TRUE(note.isHidden);
    EXPECT_EQ(state.syncStatus(), status);
}

TEST_F(NoteOperations, ReportedFramesSnapBoardsAndIgnoreTinyMoves)
{
    StickyNote note = StateFixture::makeNote("board");
    note.isHidden = false;
    AppState& state = f.launchWith({ note });
    Uuid id = state.notes()[0].id;
    NoteFrame stored = state.notes()[0].frame;
    auto writesBefore = f.repository.writes.size();
    auto reconcilesBefore = f.windows.reconciles.size();

    state.updateWindowFrame(id, Rect { stored.x + 0.4, stored.y - 0.4, stored.width + 0.4, stored.height - 0.4 });
    f.scheduler.advance(1s);
    EXPECT_EQ(state.notes()[0].frame, stored);
    EXPECT_EQ(f.repository.writes.size(), writesBefore) << "an echo of the model's own frame stores nothing";

    state.updateWindowFrame(id, Rect { 100, 100, 590, 370 });
    EXPECT_EQ(state.notes()[0].frame, (NoteFrame { 100, 100, 600, 378, NoteSizePreset::large }));
    state.updateWindowFrame(id, Rect { 100, 100, 420, 280 });
    EXPECT_EQ(state.notes()[0].frame, (NoteFrame { 100, 100, 344, 248, NoteSizePreset::small }));
    EXPECT_EQ(f.windows.reconciles.size(), reconcilesBefore) << "the panel keeps what the user gave it";

    StickyNote detail = state.notes()[0];
    state.openNoteDetails(id);
    state.updateWindowFrame(id, Rect { 50, 60, 700, 600 });
    EXPECT_EQ(state.notes()[0].frame, (NoteFrame { 50, 60, 700, 600, NoteSizePreset::small }));
    state.updateWindowFrame(id, Rect { 50, 60, 2000, 100 });
    EXPECT_EQ(state.notes()[0].frame.width, 960);
    EXPECT_EQ(state.notes()[0].frame.height, 420);
}

TEST_F(NoteOperations, DisplayModeChangesResizeAndRevealFollowsThePolicy)
{
    StickyNote note = StateFixture::makeNote("n");
    note.deferredUntil = f.at(2026, 12, 6, 9);
    AppState& state = f.launchWith({ note });
    Uuid id = state.notes()[0].id;

    state.reveal(id, SurfacePolicy::respect, WindowFocus::keep);
    EXPECT_TRUE(state.notes()[0].isHidden);
    EXPECT_EQ(state.syncStatus(), "当前偏好设置只允许场景板上桌面");
    state.reveal(Uuid::random(), SurfacePolicy::bypass, WindowFocus::keep);
    EXPECT_EQ(state.syncStatus(), "当前偏好设置只允许场景板上桌面") << "an unknown note cannot be revealed either";

    state.openNoteDetails(id);
    const StickyNote& opened = state.notes()[0];
    EXPECT_FALSE(opened.isHidden);
    EXPECT_FALSE(opened.deferredUntil);
    EXPECT_EQ(opened.displayMode, NoteDisplayMode::detail);
    EXPECT_GE(opened.frame.width, 660);
    EXPECT_GE(opened.frame.height, 500);
    EXPECT_EQ(f.windows.focused.back(), id) << "its window takes the focus";

    state.hide(id);
    EXPECT_TRUE(state.notes()[0].isHidden);
    EXPECT_EQ(state.notes()[0].displayMode, NoteDisplayMode::board);
    EXPECT_EQ(state.notes()[0].frame.width, 500);
    EXPECT_EQ(state.notes()[0].frame.height, 318);

    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsAndPinned; });
    state.reveal(id, SurfacePolicy::respect, WindowFocus::take);
    EXPECT_FALSE(state.notes()[0].isHidden);
    EXPECT_EQ(f.windows.focused.back(), id);
}

TEST_F(NoteOperations, TaskChangesRecomputeCompletion)
{
    StickyNote note = StateFixture::makeNote("tasks");
    AppState& state = f.launchWith({ note });
    Uuid id = state.notes()[0].id;

    Uuid t1 = state.addTask(id, "one");
    EXPECT_FALSE(t1.isNull());
    EXPECT_TRUE(state.addTask(Uuid::random(), "nowhere").isNull());
    state.setTaskCompletion(id, t1, true);
    EXPECT_TRUE(state.notes()[0].isCompleted);
    state.deleteTask(id, t1);
    EXPECT_TRUE(state.notes()[0].isCompleted) << "the last task gone, the note stays completed";
    state.addTask(id, "two");
    EXPECT_FALSE(state.notes()[0].isCompleted) << "a new open task re-opens the note";

    Instant before = state.notes()[0].updatedAt;
    f.clock.advance(1s);
    state.updateTaskTitle(id, Uuid::random(), "no such task");
    EXPECT_GT(state.notes()[0].updatedAt, before) << "still stamped";
}

TEST_F(NoteOperations, DuplicateAndDelete)
{
    StickyNote board = StateFixture::makeNote("board");
    board.surfaceRole = NoteSurfaceRole::meetingBoard;
    board.isHidden = true;
    board.externalLink = ExternalLink { NoteSource::reminders, "R1", std::nullopt, std::nullopt };
    board.syncToReminders = true;
    AppState& state = f.launchWith({ board });
    Uuid id = state.notes()[0].id;

    state.duplicate(id);
    ASSERT_EQ(state.notes().size(), 2u);
    const StickyNote& copy = state.notes()[1];
    EXPECT_NE(copy.id, id);
    EXPECT_EQ(copy.surfaceRole, NoteSurfaceRole::meetingBoard);
    EXPECT_TRUE(copy.isHidden);
    EXPECT_FALSE(copy.externalLink);
    EXPECT_FALSE(copy.syncToReminders);
    EXPECT_EQ(copy.frame.x, state.notes()[0].frame.x + 28);
    EXPECT_EQ(copy.frame.y, state.notes()[0].frame.y - 28);

    state.deleteNote(id);
    ASSERT_EQ(state.notes().size(), 1u);
    EXPECT_NE(f.logger->entries().back().find("Deleted note " + id.toString()), std::string::npos);
    EXPECT_EQ(f.repository.stored.size(), 1u);
}

TEST_F(NoteOperations, BindingReadsPlaceholderOnceTheNoteIsGone)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("bound") });
    Uuid id = state.notes()[0].id;
    auto binding = state.binding(id);
    ASSERT_TRUE(binding);
    StickyNote value = binding->get();
    value.title = "through binding";
    binding->set(value);
    EXPECT_EQ(state.notes()[0].title, "through binding");
    state.deleteNote(id);
    EXPECT_EQ(binding->get().title, "");
    EXPECT_EQ(binding->get().id, id);
    EXPECT_FALSE(state.binding(id));
}

TEST_F(NoteOperations, DatesOutsideTheStorableYearsAreClampedWhereTheyEnter)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("far") });
    const Uuid id = state.notes()[0].id;
    const Instant pastTheEnd = latestStorableInstant + std::chrono::hours(5);

    state.deferNote(id, pastTheEnd);
    EXPECT_EQ(state.notes()[0].deferredUntil, latestStorableInstant);
    EXPECT_EQ(state.notes()[0].dueDate, latestStorableInstant);

    StickyNote edited = state.notes()[0];
    edited.dueDate = earliestStorableInstant - std::chrono::hours(24 * 400);
    edited.tasks.push_back(NoteTask { Uuid::random(), "t", false, std::nullopt, std::nullopt, pastTheEnd });
    state.update(edited);
    EXPECT_EQ(state.notes()[0].dueDate, earliestStorableInstant);
    EXPECT_EQ(state.notes()[0].tasks.at(0).linkedDueDate, latestStorableInstant);

    state.updatePreferences([&](AppPreferences& p) { p.syncEndDate = pastTheEnd; });
    EXPECT_LE(state.preferences().syncEndDate, latestStorableInstant);
    EXPECT_GE(state.preferences().syncEndDate, latestStorableInstant - std::chrono::hours(24));
    EXPECT_LE(state.resolvedDate(NoteDeferPreset::tomorrowMorning, latestStorableInstant), latestStorableInstant);
}

// The desktop's show-or-hide: what one toggle takes away the next brings
// back, except what has gone, is put off or is no longer allowed.
TEST_F(NoteOperations, ToggleDesktopNotesBringsBackWhatItPutAway)
{
    StickyNote kept = StateFixture::makeNote("kept");
    StickyNote deleted = StateFixture::makeNote("deleted");
    StickyNote deferred = StateFixture::makeNote("deferred");
    StickyNote library = StateFixture::makeNote("only in the library");
    AppState& state = f.launchWith({ kept, deleted, deferred, library },
        [](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsAndPinned; });
    for (const StickyNote& note : { kept, deleted, deferred })
        state.reveal(note.id, SurfacePolicy::respect, WindowFocus::keep);
    auto isShown = [&](const StickyNote& note) { return !state.findNote(note.id)->isHidden; };
    auto writes = f.repository.writes.size();
    auto reconciles = f.windows.reconciles.size();

    state.toggleDesktopNotes();
    EXPECT_EQ(state.visibleNoteCount(), 0);
    EXPECT_EQ(f.repository.writes.size(), writes + 1) << "put away at once, in one write";
    EXPECT_EQ(f.windows.reconciles.size(), reconciles + 1);
    EXPECT_TRUE(f.repository.stored[0].isHidden);
    state.toggleDesktopNotes();
    EXPECT_TRUE(isShown(kept) && isShown(deleted) && isShown(deferred));
    EXPECT_FALSE(isShown(library)) << "a note that was not on the desktop stays off it";
    EXPECT_EQ(f.repository.writes.size(), writes + 2);
    EXPECT_EQ(f.windows.reconciles.size(), reconciles + 2);

    // The dashboard's hide-all is remembered the same way; meanwhile one
    // note goes to the trash and one is put off.
    state.hideAllNotes();
    state.deleteNote(deleted.id);
    state.deferNote(deferred.id, f.clock.now() + std::chrono::hours(2));
    state.toggleDesktopNotes();
    EXPECT_TRUE(isShown(kept));
    EXPECT_TRUE(state.findNote(deferred.id)->isHidden) << "its deferral keeps it away";
    EXPECT_EQ(state.visibleNoteCount(), 1);

    // A mode that keeps regular notes off the desktop, chosen since the
    // hide, wins over the memory.
    state.toggleDesktopNotes();
    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsOnly; });
    writes = f.repository.writes.size();
    state.toggleDesktopNotes();
    EXPECT_EQ(state.visibleNoteCount(), 0);
    EXPECT_EQ(state.syncStatus(), "没有可放回桌面的悬笺");
    EXPECT_EQ(f.repository.writes.size(), writes) << "nothing changed, nothing written";
}

// "新建悬笺" shows a note in every mode, even one that keeps regular notes
// off the desktop; the toggle gives back what the user had there.
TEST_F(NoteOperations, ToggleDesktopNotesBringsBackNewNotesUnderSceneBoardsOnly)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("library") });
    ASSERT_EQ(state.preferences().desktopSurfaceMode, DesktopSurfaceMode::sceneBoardsOnly);
    Uuid created = state.createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::focused);
    state.toggleDesktopNotes();
    state.toggleDesktopNotes();
    ASSERT_EQ(state.visibleNoteCount(), 1);
    EXPECT_FALSE(state.findNote(created)->isHidden);
}

// With nothing remembered (as after a launch, which clears the desktop) the
// toggle shows what the surface mode puts on the desktop, never the
// library's local notes.
TEST_F(NoteOperations, ToggleDesktopNotesOnAFreshDesktopShowsWhatTheModeShows)
{
    auto board = [&](std::string title, bool open) {
        StickyNote note = StateFixture::makeNote(std::move(title));
        note.surfaceRole = NoteSurfaceRole::customBoard;
        note.tasks = { NoteTask { Uuid::random(), "t", !open } };
        note.recomputeCompletion();
        return note;
    };
    StickyNote openBoard = board("open board", true);
    StickyNote doneBoard = board("finished board", false);
    StickyNote deferredBoard = board("deferred board", true);
    deferredBoard.deferredUntil = f.clock.now() + std::chrono::hours(3);
    StickyNote imported = StateFixture::makeNote("imported");
    imported.source = NoteSource::reminders;
    StickyNote local = StateFixture::makeNote("local");
    AppState& state = f.launchWith({ openBoard, doneBoard, deferredBoard, imported, local },
        [](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsAndPinned; });
    ASSERT_EQ(state.visibleNoteCount(), 0);
    auto isShown = [&](const StickyNote& note) { return !state.findNote(note.id)->isHidden; };

    state.toggleDesktopNotes();
    EXPECT_TRUE(isShown(openBoard));
    EXPECT_FALSE(isShown(doneBoard) || isShown(deferredBoard) || isShown(imported) || isShown(local));

    // Once brought back, the memory is spent: with the desktop cleared by
    // hand, the toggle goes by the mode, which now takes imported notes.
    state.toggleDesktopNotes();
    state.updatePreferences([](AppPreferences& p) { p.desktopSurfaceMode = DesktopSurfaceMode::allImportedNotes; });
    ASSERT_TRUE(isShown(imported)) << "the mode switch shows it";
    state.toggleDesktopNotes();
    state.toggleDesktopNotes();
    EXPECT_EQ(state.visibleNoteCount(), 1) << "only what the last toggle put away";
    state.hide(imported.id);
    state.toggleDesktopNotes();
    EXPECT_TRUE(isShown(openBoard) && isShown(imported));
    EXPECT_FALSE(isShown(local));
}

} // namespace
