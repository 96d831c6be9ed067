#include "DesktopFixture.h"

#include "desktop/DesktopDetailEditor.h"
#include "desktop/DesktopTaskEditorRow.h"
#include "desktop/NoteBoardFace.h"
#include "support/qt/MenuDriving.h"
#include "ui/BoundTextInputs.h"
#include "ui/FocusRing.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace brivet::testing {
namespace {

class CardKeyboardTest : public DesktopTest {
protected:
    // Launches the notes and gives the first one's window the keys, as a
    // click on the card does.
    StickyNoteView* focusedCard(std::vector<StickyNote> notes)
    {
        Uuid id = notes.front().id;
        launch(std::move(notes));
        return giveKeys(id);
    }
    StickyNoteView* giveKeys(const Uuid& id)
    {
        NotePanel* panel = controller(id)->panel();
        panel->activateWindow();
        panel->setFocus(Qt::MouseFocusReason);
        processEvents();
        EXPECT_TRUE(panel->isActiveWindow());
        return card(id);
    }
    // Sends a key to whatever has the focus, through the shortcut map as a
    // real key press goes.
    void key(StickyNoteView* card, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : card->window();
        QTest::keyClick(target, key, modifiers);
        processEvents();
    }
    // The focused control as "name" or "task title/name" on a task line.
    static QString focusName()
    {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            return QStringLiteral("(none)");
        for (QWidget* at = focus; at; at = at->parentWidget()) {
            if (at->objectName() == QLatin1String("taskRow"))
                return at->accessibleName() + QLatin1Char('/') + focus->objectName();
            if (auto* row = qobject_cast<DesktopTaskEditorRow*>(at))
                return row->titleInput()->text() + QLatin1Char('/') + focus->objectName();
        }
        return focus->objectName();
    }
    QStringList walk(StickyNoteView* card, int steps, Qt::Key direction = Qt::Key_Tab)
    {
        QStringList walked;
        for (int i = 0; i < steps; ++i) {
            key(card, direction, direction == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            walked << focusName();
        }
        return walked;
    }
};

// --- Walking the card ---------------------------------------------------------

TEST_F(CardKeyboardTest, TabWalksTheBoardInReadingOrderAndTheFocusIsDrawnInLightAndDark)
{
    StickyNote note = withTasks(makeNote("周报"), { { "收集数据", true }, { "写初稿", false } });
    StickyNoteView* view = focusedCard({ note });
    const QStringList order { "收集数据/taskToggle", "写初稿/taskToggle", "completionButton", "deferButton", "editButton",
        "hideButton", "deleteButton" };
    EXPECT_EQ(joined(walk(view, int(order.size()) + 1)), joined(order + QStringList { order.front() }))
        << "and round to the first, passing over the window";
    QStringList back = walk(view, int(order.size()), Qt::Key_Backtab);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(joined(back), joined(order)) << "Shift+Tab walks the same way back";

    // The ring is around the focused control, and it shows: the card looks
    // different with the focus than without it, on a light and a dark card.
    for (bool dark : { false, true }) {
        if (dark) {
            QPalette palette = QApplication::palette();
            palette.setColor(QPalette::Window, QColor(30, 30, 32));
            palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
            QApplication::setPalette(palette);
            processEvents();
            ASSERT_TRUE(view->colors().dark);
        }
        auto* edit = view->findChild<QToolButton*>("editButton");
        view->window()->setFocus();
        processEvents();
        QImage plain = view->grab().toImage();
        edit->setFocus(Qt::TabFocusReason);
        processEvents();
        EXPECT_EQ(view->focusRing()->target(), edit);
        EXPECT_TRUE(view->focusRing()->ringRect().contains(edit->geometry().translated(edit->parentWidget()->mapTo(view, QPoint()))));
        EXPECT_NE(view->grab().toImage(), plain) << (dark ? "dark" : "light");
    }
    QApplication::setPalette(QApplication::style()->standardPalette());
}

TEST_F(CardKeyboardTest, TabWalksTheEditorInReadingOrderAndLeavesTheDetailsField)
{
    StickyNote note = withTasks(makeNote("详情"), { { "一", false } });
    StickyNoteView* view = focusedCard({ note });
    state().setDisplayMode(note.id, NoteDisplayMode::detail);
    processEvents();
    // A task added later still comes before the footer and the bottom bar.
    view->detailEditor()->appendTaskAndPrepareScroll();
    processEvents();
    const QStringList order { "doneButton", "backButton", "deleteNoteButton", "titleInput", "detailsInput", "addTaskButton",
        "一/taskToggle", "一/taskTitleInput", "一/taskDelete", "新任务/taskToggle", "新任务/taskTitleInput", "新任务/taskDelete",
        DesktopDetailEditor::taskFooterAnchorID, "addDueButton", "completionButton" };
    EXPECT_EQ(joined(walk(view, int(order.size()))), joined(order));
    EXPECT_EQ(view->detailEditor()->detailsInput()->toPlainText(), QString()) << "Tab typed nothing";
}

// --- Acting on the focused card ----------------------------------------------------

TEST_F(CardKeyboardTest, SpaceTicksTheFocusedTaskOnTheBoardAndInTheEditor)
{
    StickyNote note = withTasks(makeNote("周报"), { { "收集数据", false }, { "写初稿", false } });
    StickyNoteView* view = focusedCard({ note });
    walk(view, 2);
    ASSERT_EQ(focusName().toStdString(), "写初稿/taskToggle");
    key(view, Qt::Key_Space);
    EXPECT_TRUE(stored(note.id).tasks[1].isCompleted);
    EXPECT_FALSE(stored(note.id).tasks[0].isCompleted);
    // The board was rebuilt under the focus: it stays on the same tick,
    // which says it is checked.
    ASSERT_EQ(focusName().toStdString(), "写初稿/taskToggle");
    QAccessibleInterface* tick = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
    EXPECT_EQ(tick->role(), QAccessible::CheckBox);
    EXPECT_TRUE(tick->state().checked);
    EXPECT_EQ(tick->text(QAccessible::Name), "标记完成");
    key(view, Qt::Key_Space);
    EXPECT_FALSE(stored(note.id).tasks[1].isCompleted);

    // The editor's tick: Space, and the change is announced as it happens.
    state().setDisplayMode(note.id, NoteDisplayMode::detail);
    processEvents();
    QToolButton* editorTick = view->detailEditor()->taskRows()[0]->toggleButton();
    editorTick->setFocus(Qt::TabFocusReason);
    key(view, Qt::Key_Space);
    EXPECT_TRUE(stored(note.id).tasks[0].isCompleted);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(editorTick)->state().checked);
    EXPECT_TRUE(editorTick->hasFocus());
}

TEST_F(CardKeyboardTest, KeysDeferOpenHideAndDeleteAsTheirButtonsDo)
{
    StickyNote first = makeNote("先做这个");
    StickyNote second = makeNote("再做这个");
    StickyNote third = makeNote("第三件");
    StickyNoteView* view = focusedCard({ first, second, third });

    // Ctrl+L opens 稍后处理; Down, Return picks the first preset.
    Instant now = clock.now();
    auto* defer = view->findChild<QToolButton*>("deferButton");
    EXPECT_TRUE(defer->toolTip().contains("Ctrl+L"));
    bool opened = whileMenuOpen(
        defer->menu(), [&] { key(view, Qt::Key_L, Qt::ControlModifier); },
        [](QMenu* menu) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(stored(first.id).deferredUntil, state().resolvedDate(allCases<NoteDeferPreset>()[0], now));

    // Ctrl+O opens the editor with the keys in the title; Escape leaves
    // it and keeps what was typed.
    view = giveKeys(second.id);
    key(view, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(stored(second.id).displayMode, NoteDisplayMode::detail);
    ASSERT_NE(view->detailEditor(), nullptr);
    EXPECT_EQ(focusName().toStdString(), "titleInput");
    key(view, Qt::Key_End);
    typeText(QApplication::focusWidget(), QStringLiteral("，今天"));
    key(view, Qt::Key_Escape);
    EXPECT_EQ(stored(second.id).displayMode, NoteDisplayMode::board);
    EXPECT_EQ(stored(second.id).title, "再做这个，今天");
    EXPECT_EQ(focusName().toStdString(), "editButton") << "the keys stay on the card";
    // Enter on the focused 进入编辑 presses it.
    key(view, Qt::Key_Return);
    EXPECT_EQ(stored(second.id).displayMode, NoteDisplayMode::detail);
    // Ctrl+N adds a task in the editor, from inside a field.
    ASSERT_NE(view->detailEditor(), nullptr);
    view->detailEditor()->detailsInput()->setFocus(Qt::MouseFocusReason);
    key(view, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(stored(second.id).tasks.size(), 1u);
    EXPECT_EQ(view->detailEditor()->detailsInput()->toPlainText(), QString()) << "nothing typed into the field";

    // Ctrl+H hides, Ctrl+Shift+D deletes with the usual undo (plain Ctrl+D
    // deletes a character in fields on X11).
    view = giveKeys(third.id);
    key(view, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(stored(third.id).isHidden);
    StickyNote fourth = makeNote("第四件");
    Uuid fourthId = state().createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::focused);
    processEvents();
    view = giveKeys(fourthId);
    key(view, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(state().note(fourthId).has_value());
    ASSERT_TRUE(state().undoOffer().has_value());
    EXPECT_TRUE(state().undoLastDelete());
    EXPECT_TRUE(state().note(fourthId).has_value());
}

TEST_F(CardKeyboardTest, MenuButtonsOpenTheirMenuThroughShowMenuAfterTheCallReturns)
{
    StickyNote linked = makeNote("链接的便签");
    StickyNote board = makeNote("我的场景");
    board.surfaceRole = NoteSurfaceRole::customBoard;
    board.tasks.push_back(NoteTask { Uuid::random(), "链接的便签", false, linked.id, NoteSource::local });
    StickyNoteView* view = focusedCard({ board, linked });
    auto* later = view->findChild<QWidget*>("taskRow")->findChild<QToolButton*>("taskDefer");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(later);
    EXPECT_EQ(button->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view->findChild<QWidget*>("taskRow"))->text(QAccessible::Name), "链接的便签");
    Instant now = clock.now();
    bool opened = whileMenuOpen(
        later->menu(),
        [&] {
            button->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the call returns before the menu runs";
            processEvents();
        },
        [](QMenu* menu) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(stored(linked.id).deferredUntil, state().resolvedDate(allCases<NoteDeferPreset>()[0], now))
        << "the line's menu puts off the linked note";
}

} // namespace
} // namespace brivet::testing
