#include "DesktopUnderX.h"
#include "DesktopFixture.h"

#include "desktop/NotePanel.h"
#include "desktop/ResizeGrip.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace brivet::testing {
namespace {

// One button of a card's bottom row (board face) or of the detail face's
// toolbar and bottom bar, on a card of its own.
struct ButtonCase {
    const char* face;
    NoteDisplayMode mode;
    NoteSizePreset preset;
    bool due;
    const char* button;
};

std::vector<ButtonCase> buttonCases()
{
    std::vector<ButtonCase> cases;
    for (NoteSizePreset preset : { NoteSizePreset::small, NoteSizePreset::large })
        for (const char* button : { "completionButton", "deferButton", "editButton", "hideButton", "deleteButton" })
            cases.push_back({ "board", NoteDisplayMode::board, preset, false, button });
    for (const char* button : { "doneButton", "backButton", "deleteNoteButton", "addDueButton", "completionButton" })
        cases.push_back({ "detail", NoteDisplayMode::detail, NoteSizePreset::small, false, button });
    cases.push_back({ "detail", NoteDisplayMode::detail, NoteSizePreset::small, true, "clearDueButton" });
    return cases;
}

StickyNote noteFor(const ButtonCase& c, Instant now)
{
    StickyNote note = StickyNote::placeholder(Uuid::random(), Instant {});
    note.title = std::string(c.face) + " " + c.button;
    Size size = boardSize(c.preset);
    note.frame = NoteFrame { 300, 300, size.width, size.height, c.preset };
    if (c.due)
        note.dueDate = now + Duration(3 * 86'400'000);
    return note;
}

std::string describe(const ButtonCase& c)
{
    std::string preset = c.preset == NoteSizePreset::small ? "small" : c.preset == NoteSizePreset::medium ? "medium" : "large";
    return std::string(c.face) + " (" + preset + ") " + c.button;
}

// Clicks with `click` and expects the button itself to take it; a menu
// button's menu is closed again.
void expectClickReaches(QAbstractButton* button, const std::function<void()>& click)
{
    QSignalSpy pressed(button, &QAbstractButton::pressed);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    bool opensMenu = qobject_cast<QToolButton*>(button) && static_cast<QToolButton*>(button)->menu();
    bool menuShown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    closer.start(20);
    click();
    if (opensMenu) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return menuShown; }, 5000)) << "the menu did not open";
    } else {
        EXPECT_TRUE(QTest::qWaitFor([&] { return clicked.count() == 1; }, 5000))
            << "the click went elsewhere (pressed " << pressed.count() << " times)";
    }
}

QAbstractButton* buttonOn(StickyNoteView* card, const char* name)
{
    for (QAbstractButton* button : card->findChildren<QAbstractButton*>(QLatin1String(name)))
        if (button->isVisible())
            return button;
    return nullptr;
}

using BottomRowTest = DesktopTest;

TEST_F(BottomRowTest, EveryButtonTakesAClickAtItsCentreAndTheGripCoversNone)
{
    std::vector<ButtonCase> cases = buttonCases();
    std::vector<StickyNote> notes;
    for (const ButtonCase& c : cases)
        notes.push_back(noteFor(c, clock.now()));
    launch(notes);
    // Launch shows every note as a board.
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (cases[i].mode == NoteDisplayMode::detail)
            state().setDisplayMode(notes[i].id, NoteDisplayMode::detail);
    processEvents();

    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(describe(cases[i]));
        StickyNoteView* view = card(notes[i].id);
        ASSERT_NE(view, nullptr);
        QWidget* window = view->window();
        QRect grip(view->resizeGrip()->mapTo(window, QPoint(0, 0)), view->resizeGrip()->size());
        ASSERT_TRUE(view->resizeGrip()->isVisible());
        for (QAbstractButton* any : view->findChildren<QAbstractButton*>())
            if (any->isVisible()) {
                EXPECT_FALSE(grip.intersects(QRect(any->mapTo(window, QPoint(0, 0)), any->size())))
                    << "the grip covers " << any->objectName().toStdString();
            }
        QAbstractButton* button = buttonOn(view, cases[i].button);
        ASSERT_NE(button, nullptr);
        QPoint centre = button->mapTo(window, button->rect().center());
        // Through the window, as the platform delivers a click: the widget
        // under the point takes it.
        expectClickReaches(button, [&] { QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, centre); });
        processEvents();
    }
}

TEST_F(BottomRowTest, GripKeepsResizingWhileTheFaceIsRebuilt)
{
    StickyNote note = makeNote("拉大");
    launch({ note });
    StickyNoteView* view = card(note.id);
    QWidget* panel = view->window();
    QWindow* window = panel->windowHandle();
    QPoint grip = view->resizeGrip()->mapTo(panel, view->resizeGrip()->rect().center());
    QSize start = panel->size();

    QTest::mousePress(window, Qt::LeftButton, {}, grip);
    QTest::mouseMove(window, grip + QPoint(30, 20));
    ASSERT_EQ(panel->size(), start + QSize(30, 20));
    // The pause lets the frame report through; the note changes and the
    // board face builds its rows again under the pointer.
    int before = notesChanges.count;
    scheduler.advance(NotePanelController::frameReportDelay);
    ASSERT_GT(notesChanges.count, before);
    processEvents();
    QTest::mouseMove(window, grip + QPoint(80, 50));
    EXPECT_EQ(panel->size(), start + QSize(80, 50)) << "the resize went on after the rebuild";
    QTest::mouseRelease(window, Qt::LeftButton, {}, grip + QPoint(80, 50));
    EXPECT_EQ(stored(note.id).frame.sizePreset, NoteSizePreset::large) << "the end of the resize reports at once";
}

// The same clicks with the pointer (xdotool) under openbox, one card at a
// time so that no other card lies over the one clicked.
class ClicksUnderX final : public DesktopTest {
public:
    void TestBody() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        std::vector<ButtonCase> cases = buttonCases();
        std::vector<StickyNote> notes;
        for (const ButtonCase& c : cases) {
            notes.push_back(noteFor(c, clock.now()));
            notes.back().isHidden = true;
        }
        launch(notes);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(describe(cases[i]));
            state().reveal(notes[i].id, SurfacePolicy::bypass, WindowFocus::keep);
            if (cases[i].mode == NoteDisplayMode::detail)
                state().setDisplayMode(notes[i].id, NoteDisplayMode::detail);
            NotePanelController* shown = controller(notes[i].id);
            ASSERT_NE(shown, nullptr);
            ASSERT_TRUE(QTest::qWaitFor([&] { return shown->panel()->isMapped(); }, 10000)) << "never mapped";
            // Openbox places and reparents the window after the map.
            QTest::qWait(150);
            QAbstractButton* button = buttonOn(shown->card(), cases[i].button);
            ASSERT_NE(button, nullptr);
            QPoint centre = button->mapToGlobal(button->rect().center());
            expectClickReaches(button, [&] {
                QProcess::execute("xdotool", { "mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y()), "click", "1" });
            });
            processEvents();
            if (state().note(notes[i].id))
                state().deleteNote(notes[i].id);
            processEvents();
        }
    }
};

} // namespace

void registerClicksUnderX()
{
    ::testing::RegisterTest(underXSuite, "EveryButtonTakesAPointerClickAtItsCentre", nullptr, nullptr, __FILE__, __LINE__,
        []() -> DesktopTest* { return new ClicksUnderX; });
}

} // namespace brivet::testing
