#include "DashboardFixture.h"

#include "dashboard/DashboardActionCard.h"
#include "dashboard/DashboardEditorTaskRow.h"
#include "dashboard/DashboardMenuButton.h"
#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardTemplatesView.h"
#include "dashboard/DashboardTrashView.h"
#include "dashboard/DashboardUndoBar.h"
#include "dashboard/SettingsView.h"
#include "ui/BoundTextInputs.h"
#include "ui/FocusRing.h"

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QScrollArea>
#include <QTest>

using namespace brivet;
using namespace brivet::testing;

namespace {

class DashboardKeyboardTest : public DashboardTest {
protected:
    void activate()
    {
        view().window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view().window()));
    }
    static QWidget* focus() { return QApplication::focusWidget(); }
    static void key(QWidget* target, Qt::Key key)
    {
        QTest::keyClick(target, key);
        settle();
    }
    // Every widget Tab lands on, from the sidebar round the window once
    // (the note lists' buttons take a Tab each, so a few hundred at most).
    QSet<QWidget*> tabStops()
    {
        view().sidebar()->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> seen;
        for (int i = 0; i < 400 && focus(); ++i) {
            key(focus(), Qt::Key_Tab);
            if (focus() == view().sidebar())
                break;
            seen.insert(focus());
        }
        return seen;
    }
    // Tab reaches each of `buttons`, and the ring stands round it.
    void expectReachedAndRinged(const QList<QAbstractButton*>& buttons, const char* page, bool walk = true)
    {
        QSet<QWidget*> stops = walk ? tabStops() : QSet<QWidget*>();
        for (QAbstractButton* button : buttons) {
            SCOPED_TRACE(std::string(page) + ": " + button->text().toStdString() + button->accessibleName().toStdString());
            EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
            EXPECT_TRUE(!walk || stops.contains(button));
            // Where Tab would have scrolled it.
            for (QWidget* up = button->parentWidget(); up; up = up->parentWidget())
                if (auto* area = qobject_cast<QScrollArea*>(up))
                    area->ensureWidgetVisible(button);
            button->setFocus(Qt::TabFocusReason);
            settle();
            ASSERT_EQ(focus(), button);
            FocusRing* ring = view().focusRing();
            ASSERT_EQ(ring->target(), button);
            EXPECT_TRUE(ring->isVisible());
            QRect shown(button->mapTo(&view(), QPoint()), button->size());
            EXPECT_TRUE(ring->geometry().contains(shown));
            EXPECT_LT(ring->geometry().width() - shown.width(), 12);
        }
    }
    static QAccessibleInterface* node(QObject* object) { return QAccessible::queryAccessibleInterface(object); }
};

TEST_F(DashboardKeyboardTest, TabReachesEveryButtonOnEveryPageAndTheRingFollowsTheFocus)
{
    StickyNote note = makeNote("写周报", at(2026, 12, 5, 15));
    StickyNote gone = makeNote("旧清单");
    launch({ note, gone });
    open();
    activate();
    state().deleteNote(gone.id);
    settle();

    DashboardOverviewView* overview = view().overview();
    QList<QAbstractButton*> today { overview->exportButton(), view().undoBar()->undoButton() };
    for (DashboardActionCard* tile : overview->actionTiles())
        today << tile;
    expectReachedAndRinged(today, "overview");

    // Scrolled out of sight, a control's ring goes with it; hidden, too.
    overview->actionTiles()[0]->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_TRUE(view().focusRing()->isVisible());

    overview->edit(note.id);
    settle();
    DashboardNoteEditor* editor = overview->editor();
    ASSERT_NE(editor, nullptr);
    expectReachedAndRinged({ editor->cancelButton(), editor->doneButton() }, "editor");
    overview->discardEditor();
    settle();

    view().sidebar()->setCurrentRow(int(DashboardDestination::boards));
    settle();
    QList<QAbstractButton*> gallery;
    for (const DashboardTemplatesView::Card& card : view().boardGallery()->cards())
        gallery << card.button;
    expectReachedAndRinged(gallery, "gallery");
    view().boardGallery()->hide();
    settle();
    EXPECT_FALSE(view().focusRing()->isVisible());
    view().boardGallery()->show();

    view().sidebar()->setCurrentRow(int(DashboardDestination::sync));
    settle();
    expectReachedAndRinged({ view().syncCenter()->refreshButton(), view().syncCenter()->syncButton() }, "sync center");

    view().sidebar()->setCurrentRow(int(DashboardDestination::settings));
    settle();
    expectReachedAndRinged({ view().settings()->syncButton(), view().settings()->trashButton() }, "settings");

    view().showTrash();
    settle();
    DashboardTrashView* trash = view().trash();
    ASSERT_EQ(trash->rows().size(), 1u);
    expectReachedAndRinged({ trash->emptyButton(), trash->rows()[0].restore, trash->rows()[0].deleteForGood }, "trash", false);

    // Focus elsewhere than on a ringed control takes the ring away.
    view().sidebar()->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_EQ(view().focusRing()->target(), nullptr);
    EXPECT_FALSE(view().focusRing()->isVisible());
}

TEST_F(DashboardKeyboardTest, SizeMenusOpenFromTheKeyboardAndAScreenReaderAndEscapeReturnsToTheButton)
{
    launch({});
    open();
    activate();
    DashboardActionCard* tile = view().overview()->actionTiles()[0];
    QAccessibleInterface* tileNode = node(tile);
    ASSERT_NE(tileNode, nullptr);
    EXPECT_EQ(tileNode->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(tileNode->text(QAccessible::Name), QStringLiteral("新建普通悬笺"));
    EXPECT_TRUE(tileNode->state().hasPopup);
    ASSERT_NE(tileNode->actionInterface(), nullptr);
    EXPECT_TRUE(tileNode->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    EXPECT_TRUE(tileNode->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    // The tiles that do not open a menu stay plain buttons.
    EXPECT_EQ(node(view().overview()->actionTiles()[4])->role(), QAccessible::Button);

    std::size_t before = state().notes().size();
    for (Qt::Key opener : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Down }) {
        SCOPED_TRACE(QKeySequence(opener).toString().toStdString());
        tile->setFocus(Qt::TabFocusReason);
        key(tile, opener);
        QMenu* menu = openMenu(tile);
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible());
        EXPECT_TRUE(tileNode->state().expanded);
        ASSERT_EQ(menu->actions().size(), 3);
        EXPECT_EQ(menu->activeAction(), menu->actions()[0]);
        key(menu, Qt::Key_Down);
        EXPECT_EQ(menu->activeAction(), menu->actions()[1]);
        key(menu, Qt::Key_Escape);
        EXPECT_EQ(openMenu(tile), nullptr);
        EXPECT_FALSE(tileNode->state().expanded);
        EXPECT_EQ(focus(), tile);
        EXPECT_EQ(state().notes().size(), before);
    }

    // A screen reader's ShowMenu, then the arrows and Enter pick the middle size.
    tileNode->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    settle();
    QMenu* menu = openMenu(tile);
    ASSERT_NE(menu, nullptr);
    key(menu, Qt::Key_Down);
    key(menu, Qt::Key_Return);
    ASSERT_EQ(state().notes().size(), before + 1);
    EXPECT_EQ(state().notes().back().frame.sizePreset, NoteSizePreset::medium);
    EXPECT_EQ(openMenu(tile), nullptr);

    // The gallery's buttons, through Press: the large meeting board.
    view().sidebar()->setCurrentRow(int(DashboardDestination::boards));
    settle();
    QPushButton* meeting = view().boardGallery()->cards()[3].button;
    QAccessibleInterface* meetingNode = node(meeting);
    EXPECT_EQ(meetingNode->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(meetingNode->text(QAccessible::Name), QStringLiteral("选择尺寸生成：会议准备"));
    meetingNode->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    settle();
    menu = openMenu(meeting);
    ASSERT_NE(menu, nullptr);
    key(menu, Qt::Key_Up);
    EXPECT_EQ(menu->activeAction(), menu->actions()[2]);
    key(menu, Qt::Key_Return);
    std::vector<StickyNote> boards = state().sceneBoards();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0].surfaceRole, NoteSurfaceRole::meetingBoard);
    EXPECT_EQ(boards[0].frame.sizePreset, NoteSizePreset::large);

    // A disabled menu button offers nothing and opens nothing.
    meeting->setEnabled(false);
    EXPECT_TRUE(meetingNode->actionInterface()->actionNames().isEmpty());
    showButtonMenu(meeting, MenuHighlight::firstEntry);
    EXPECT_EQ(openMenu(meeting), nullptr);
}

TEST_F(DashboardKeyboardTest, TabLeavesTheEditorsDetailsForAddTaskAndTypesNothing)
{
    StickyNote note = makeNote("写周报");
    note.details = "第一行";
    launch({ note });
    open();
    activate();
    DashboardOverviewView* overview = view().overview();
    overview->edit(note.id);
    settle();
    DashboardNoteEditor* editor = overview->editor();
    ASSERT_NE(editor, nullptr);

    editor->titleInput()->setFocus(Qt::TabFocusReason);
    key(focus(), Qt::Key_Tab);
    ASSERT_EQ(focus(), editor->detailsInput()) << "Tab from the title reaches the details";
    key(focus(), Qt::Key_Tab);
    EXPECT_EQ(focus(), editor->addTaskButton());
    EXPECT_EQ(view().focusRing()->target(), editor->addTaskButton());
    QTest::keyClick(focus(), Qt::Key_Tab, Qt::ShiftModifier);
    settle();
    EXPECT_EQ(focus(), editor->detailsInput()) << "and Shift+Tab back";
    EXPECT_EQ(editor->detailsInput()->toPlainText(), QStringLiteral("第一行")) << "no tab typed";
    EXPECT_EQ(editor->draft().details, "第一行");
    overview->discardEditor();
    settle();
}

TEST_F(DashboardKeyboardTest, ReadOnlyFieldsReadAsReadOnlyWithTheirTextAndCaret)
{
    StickyNote event = makeNote("评审会", at(2026, 12, 5, 16));
    event.source = NoteSource::calendar;
    event.tasks = { NoteTask { Uuid::random(), "准备材料" } };
    StickyNote note = makeNote("写周报");
    launch({ event, note });
    open();
    activate();
    DashboardOverviewView* overview = view().overview();
    overview->edit(event.id);
    settle();
    DashboardNoteEditor* editor = overview->editor();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->taskRows().size(), 1u);

    QList<QLineEdit*> fields { editor->titleInput(), editor->taskRows()[0]->titleInput() };
    for (QLineEdit* field : fields) {
        SCOPED_TRACE(field->text().toStdString());
        QAccessibleInterface* read = node(field);
        ASSERT_NE(read, nullptr);
        EXPECT_TRUE(read->state().readOnly);
        EXPECT_FALSE(read->state().editable);
        EXPECT_EQ(read->text(QAccessible::Value), field->text());
        QAccessibleTextInterface* text = read->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->characterCount(), field->text().size());
        EXPECT_EQ(text->text(0, text->characterCount()), field->text());
        text->setCursorPosition(1);
        EXPECT_EQ(field->cursorPosition(), 1);
        EXPECT_EQ(text->cursorPosition(), 1);
        text->setSelection(0, 0, 2);
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 2));
        EXPECT_FALSE(text->characterRect(0).isEmpty());
        EXPECT_EQ(read->editableTextInterface(), nullptr);
        // Nothing set through it reaches the field.
        read->setText(QAccessible::Value, QStringLiteral("改掉"));
        EXPECT_NE(field->text(), QStringLiteral("改掉"));
    }
    QAccessibleInterface* details = node(editor->detailsInput());
    EXPECT_TRUE(details->state().readOnly);
    overview->discardEditor();
    settle();

    // An editable title stays editable, its text writable.
    overview->edit(note.id);
    settle();
    QAccessibleInterface* title = node(overview->editor()->titleInput());
    EXPECT_TRUE(title->state().editable);
    EXPECT_FALSE(title->state().readOnly);
    EXPECT_NE(title->editableTextInterface(), nullptr);
    overview->discardEditor();
    settle();
    EXPECT_EQ(stored(event.id).title, "评审会");
}

TEST_F(DashboardKeyboardTest, AClosingEditorLeavesTheKeyboardAndTheTreeAtOnce)
{
    StickyNote note = makeNote("写周报");
    launch({ note });
    open();
    activate();
    DashboardOverviewView* overview = view().overview();
    overview->edit(note.id);
    settle();
    QPointer<DashboardNoteEditor> editor = overview->editor();
    ASSERT_NE(editor, nullptr);
    editor->doneButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(editor->cancelButton(), Qt::Key_Space);

    // Before the fade has run a single frame.
    EXPECT_TRUE(editor.isNull() || !editor->isVisible());
    EXPECT_FALSE(editor && editor->isAncestorOf(focus()));
    auto* picture = overview->findChild<QWidget*>(QStringLiteral("closingEditor"));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->isVisible());
    EXPECT_EQ(picture->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(node(picture)->childCount(), 0);
    settle();
    EXPECT_TRUE(editor.isNull());
    // Opening again while the picture still fades replaces it.
    overview->edit(note.id);
    settle();
    EXPECT_NE(overview->editor(), nullptr);
    EXPECT_TRUE(overview->editor()->isVisible());
}

} // namespace
