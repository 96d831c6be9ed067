#include "DesktopFixture.h"

#include "desktop/NotePanel.h"

namespace brivet::testing {
namespace {

using NotePanelTest = DesktopTest;

// Moves the window as a drag would, one step.
void moveTo(NotePanel* panel, int x, int y)
{
    panel->move(x, y);
    QCoreApplication::processEvents();
}

TEST_F(NotePanelTest, MovesCollapseIntoOneReportWithTheLastFrame)
{
    StickyNote note = makeNote("拖动");
    launch({ note });
    NotePanel* panel = controller(note.id)->panel();
    QPoint start = panel->pos();
    notesChanges.count = 0;

    for (int i = 1; i <= 10; ++i) {
        moveTo(panel, start.x() + i * 10, start.y());
        scheduler.advance(Duration(10));
    }
    EXPECT_EQ(notesChanges.count, 0) << "nothing is reported while the drag goes on";
    scheduler.advance(Duration(109)); // 119 ms after the last move
    EXPECT_EQ(notesChanges.count, 0);
    scheduler.advance(Duration(1));
    EXPECT_EQ(notesChanges.count, 1);
    EXPECT_EQ(stored(note.id).frame.x, 300);
    EXPECT_EQ(stored(note.id).frame.y, 300);
    scheduler.advance(Duration(1000));
    EXPECT_EQ(notesChanges.count, 1);
}

TEST_F(NotePanelTest, TransientPositionsNeverReachTheNote)
{
    // A reparenting window manager reports the window at 0,0 inside its
    // frame and then where it really is, well within the debounce.
    StickyNote note = makeNote("不动");
    launch({ note });
    NotePanel* panel = controller(note.id)->panel();
    ASSERT_TRUE(panel->isMapped());
    QPoint home = panel->pos();
    notesChanges.count = 0;

    moveTo(panel, 0, 0);
    scheduler.advance(Duration(30));
    moveTo(panel, home.x(), home.y());
    scheduler.advance(Duration(1000));
    EXPECT_EQ(notesChanges.count, 0);
    EXPECT_EQ(stored(note.id).frame, note.frame);
    EXPECT_FALSE(controller(note.id)->hasPendingFrameReport());

    // A window that stays at the transient place is where the user sees
    // it: the note follows, and follows again when the window returns.
    moveTo(panel, 0, 0);
    scheduler.advance(Duration(120));
    EXPECT_EQ(stored(note.id).frame.x, 0);
    moveTo(panel, home.x(), home.y());
    scheduler.advance(Duration(120));
    EXPECT_EQ(stored(note.id).frame, note.frame);
}

TEST_F(NotePanelTest, NothingIsReportedBeforeTheWindowIsMapped)
{
    launch({});
    Uuid id = state().createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::shown);
    NotePanelController* panel = controller(id);
    ASSERT_NE(panel, nullptr);
    ASSERT_FALSE(panel->panel()->isMapped()) << "not yet exposed";
    NoteFrame frame = stored(id).frame;
    int before = notesChanges.count;
    panel->panel()->move(0, 0); // the window manager placing it
    scheduler.advance(Duration(500));
    EXPECT_EQ(notesChanges.count, before);
    EXPECT_EQ(stored(id).frame, frame);
    processEvents();
    ASSERT_TRUE(panel->panel()->isMapped());
    EXPECT_EQ(toModelRect(panel->panel()->geometry()), (Rect { frame.x, frame.y, frame.width, frame.height }))
        << "the stored frame wins once the window is mapped";
    scheduler.advance(Duration(500));
    EXPECT_EQ(notesChanges.count, before);
}

TEST_F(NotePanelTest, HalfPointIsNoChangeButMoreIs)
{
    // The window sits on whole pixels; the stored frame does not.
    StickyNote note = makeNote("半点");
    note.frame.x = 300.4;
    launch({ note });
    NotePanelController* panel = controller(note.id);
    ASSERT_EQ(panel->panel()->x(), 300);
    notesChanges.count = 0;

    panel->reportWindowFrame(false); // 0.4 from the model
    scheduler.advance(Duration(200));
    EXPECT_EQ(notesChanges.count, 0);

    moveTo(panel->panel(), 301, panel->panel()->y()); // 0.6 from the model
    scheduler.advance(Duration(120));
    EXPECT_EQ(notesChanges.count, 1);
    EXPECT_DOUBLE_EQ(stored(note.id).frame.x, 301);
}

TEST_F(NotePanelTest, EndOfResizeReportsAtOnceAndCancelsThePendingMove)
{
    StickyNote note = makeNote("缩放");
    launch({ note });
    NotePanel* panel = controller(note.id)->panel();
    notesChanges.count = 0;

    moveTo(panel, panel->x() + 20, panel->y());
    panel->resize(520, 330);
    QCoreApplication::processEvents();
    emit controller(note.id)->card()->resizeFinished();
    EXPECT_EQ(notesChanges.count, 1);
    scheduler.advance(Duration(500));
    EXPECT_EQ(notesChanges.count, 1);
    EXPECT_EQ(stored(note.id).frame.x, 220);
    EXPECT_EQ(stored(note.id).frame.width, 500) << "a board snaps to its preset size";
}

TEST_F(NotePanelTest, RefreshMovesTheWindowWithoutReportingBack)
{
    StickyNote note = makeNote("搬家");
    launch({ note });
    StickyNote moved = stored(note.id);
    moved.frame.x = 640;
    moved.frame.y = 410;
    state().update(moved);
    int afterUpdate = notesChanges.count;

    NotePanelController* panel = controller(note.id);
    EXPECT_EQ(toModelRect(panel->panel()->geometry()), (Rect { 640, 410, 500, 318 }));
    QCoreApplication::processEvents();
    scheduler.advance(Duration(500));
    EXPECT_EQ(notesChanges.count, afterUpdate) << "no frame report echoes the model";
    EXPECT_FALSE(panel->hasPendingFrameReport());
    EXPECT_EQ(panel->lastReportedFrame(), (Rect { 640, 410, 500, 318 }));
}

TEST_F(NotePanelTest, OpacityIsClampedAndSizeLimitsFollowTheDisplayMode)
{
    EXPECT_DOUBLE_EQ(NotePanelController::windowAlpha(0.05), 0.12);
    EXPECT_DOUBLE_EQ(NotePanelController::windowAlpha(0.12), 0.12);
    EXPECT_DOUBLE_EQ(NotePanelController::windowAlpha(0.5), 0.5);
    EXPECT_DOUBLE_EQ(NotePanelController::windowAlpha(1.4), 1.0);

    StickyNote faint = makeNote("很淡");
    faint.style.opacity = 0.05;
    launch({ faint });
    NotePanel* panel = controller(faint.id)->panel();
    EXPECT_NEAR(panel->windowOpacity(), 0.12, 0.005);
    EXPECT_EQ(panel->minimumSize(), QSize(344, 248));
    EXPECT_EQ(panel->maximumSize(), QSize(600, 378));

    state().setDisplayMode(faint.id, NoteDisplayMode::detail);
    panel = controller(faint.id)->panel();
    EXPECT_EQ(panel->minimumSize(), QSize(660, 500));
    EXPECT_EQ(panel->maximumSize(), QSize(960, 860));
    EXPECT_EQ(panel->size(), QSize(660, 500));
}

TEST_F(NotePanelTest, ClosingThePanelHidesTheNoteAndDesktopLayerGoesBack)
{
    StickyNote note = makeNote("关掉");
    launch({ note });
    EXPECT_EQ(controller(note.id)->currentLayerMode(), NoteWindowLayerMode::floating);
    controller(note.id)->panel()->close();
    EXPECT_TRUE(stored(note.id).isHidden);
    EXPECT_EQ(controller(note.id), nullptr);
}

TEST_F(NotePanelTest, WindowTitleFollowsTheNoteTitle)
{
    StickyNote note = makeNote("");
    launch({ note });
    NotePanel* panel = controller(note.id)->panel();
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("新悬笺"));
    state().updateNoteTitle(note.id, "周会纪要");
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("周会纪要"));
    state().updateNoteTitle(note.id, "");
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("新悬笺"));
}

TEST_F(NotePanelTest, PanelIsAFramelessToolWindowWithTranslucentBackground)
{
    StickyNote note = makeNote("样子");
    launch({ note });
    NotePanel* panel = controller(note.id)->panel();
    EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(panel->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
}

} // namespace
} // namespace brivet::testing
