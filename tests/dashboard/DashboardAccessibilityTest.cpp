#include "DashboardFixture.h"

#include "dashboard/DashboardEditorTaskRow.h"
#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardTemplatesView.h"
#include "dashboard/DashboardTrashView.h"
#include "dashboard/DashboardUndoBar.h"
#include "dashboard/FilterChip.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListView.h"
#include "dashboard/SettingsView.h"
#include "support/qt/AccessibilityAudit.h"
#include "ui/BoundTextInputs.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTest>

#include <iostream>

using namespace brivet;
using namespace brivet::testing;

namespace {

class DashboardAccessibilityTest : public DashboardTest {
protected:
    AccessibilityAudit audit(const char* scene)
    {
        AccessibilityAudit found = auditAccessibleTree(view().window());
        std::cout << scene << ": " << found.interactive << " interactive, " << found.unnamed << " unnamed, "
                  << found.unactionable << " without an action, " << found.unfocusable << " not focusable\n";
        return found;
    }
    // A hidden note (its "上桌面" disabled under the default mode), a note
    // on the desktop, a calendar event and a custom board ("加入" offered).
    void launchRows()
    {
        StickyNote hidden = makeNote("写周报", at(2026, 12, 5, 15));
        StickyNote shown = makeNote("买牛奶", at(2026, 12, 5, 16));
        shown.isHidden = false;
        event = makeNote("评审会", at(2026, 12, 5, 17));
        event.source = NoteSource::calendar;
        StickyNote board = makeBoard("我的场景", NoteSurfaceRole::customBoard);
        local = hidden;
        launch({ hidden, shown, event, board });
    }

    NoteListView* taskList() { return view().overview()->taskList(); }
    int rowOf(const Uuid& id)
    {
        for (int row = 0; row < taskList()->noteModel()->rowCount(); ++row)
            if (taskList()->noteModel()->noteId(row) == id)
                return row;
        return -1;
    }
    static QAccessibleInterface* node(QObject* object) { return QAccessible::queryAccessibleInterface(object); }
    // Text as an input method commits it (Chinese typed with IBus or fcitx5).
    static void commit(QWidget* input, const QString& text)
    {
        QInputMethodEvent composing(text, {});
        QApplication::sendEvent(input, &composing);
        QInputMethodEvent committed;
        committed.setCommitString(text);
        QApplication::sendEvent(input, &committed);
    }
    // The row's child buttons by name.
    static QAccessibleInterface* button(QAccessibleInterface* row, const QString& name)
    {
        for (int i = 0; i < row->childCount(); ++i)
            if (row->child(i)->text(QAccessible::Name) == name)
                return row->child(i);
        return nullptr;
    }
    static QStringList childNames(QAccessibleInterface* row)
    {
        QStringList names;
        for (int i = 0; i < row->childCount(); ++i)
            names << row->child(i)->text(QAccessible::Name);
        return names;
    }
    void activate()
    {
        view().window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view().window()));
    }
    QWidget* focus() { return QApplication::focusWidget(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus() ? focus() : view().window(), key, modifiers);
        settle();
    }

    StickyNote local;
    StickyNote event;
};

TEST_F(DashboardAccessibilityTest, EveryPageAndStateIsNamedOperableAndReachable)
{
    launchRows();
    open();
    AccessibilityAudit overview = audit("overview with rows");
    EXPECT_TRUE(overview.passed()) << overview.report().toStdString();

    view().overview()->edit(local.id);
    settle();
    AccessibilityAudit editor = audit("editor, local note");
    EXPECT_TRUE(editor.passed()) << editor.report().toStdString();
    view().overview()->discardEditor();
    settle();

    view().overview()->edit(event.id);
    settle();
    AccessibilityAudit calendar = audit("editor, calendar note");
    EXPECT_TRUE(calendar.passed()) << calendar.report().toStdString();
    view().overview()->discardEditor();
    settle();

    state().deleteNote(local.id);
    settle();
    AccessibilityAudit undo = audit("overview with the undo bar");
    EXPECT_TRUE(undo.passed()) << undo.report().toStdString();

    view().sidebar()->setCurrentRow(2);
    settle();
    AccessibilityAudit gallery = audit("board gallery");
    EXPECT_TRUE(gallery.passed()) << gallery.report().toStdString();

    view().sidebar()->setCurrentRow(1);
    settle();
    AccessibilityAudit syncCenter = audit("sync center");
    EXPECT_TRUE(syncCenter.passed()) << syncCenter.report().toStdString();

    view().showTrash();
    settle();
    AccessibilityAudit trash = audit("trash");
    EXPECT_TRUE(trash.passed()) << trash.report().toStdString();

    view().sidebar()->setCurrentRow(3);
    settle();
    AccessibilityAudit settings = audit("settings");
    EXPECT_TRUE(settings.passed()) << settings.report().toStdString();
}

// --- Rows to a screen reader ----------------------------------------------------

TEST_F(DashboardAccessibilityTest, RowsReadWithTagsAndSubtitleAndTheirButtonsDoWhatAClickDoes)
{
    launchRows();
    StickyNote shownNote = state().notes()[1];
    open();
    QAccessibleInterface* list = node(taskList());
    ASSERT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), taskList()->noteModel()->rowCount());

    QAccessibleInterface* hiddenRow = list->child(rowOf(local.id));
    ASSERT_NE(hiddenRow, nullptr);
    EXPECT_EQ(hiddenRow->role(), QAccessible::ListItem);
    EXPECT_EQ(hiddenRow->parent(), list);
    QString name = hiddenRow->text(QAccessible::Name);
    EXPECT_TRUE(name.startsWith(QStringLiteral("写周报，已收起，本地"))) << name.toStdString();
    EXPECT_EQ(childNames(hiddenRow), (QStringList { "编辑", "删除", "上桌面", "加入" }));

    // "上桌面" is disabled under the default mode and offers nothing.
    QAccessibleInterface* reveal = button(hiddenRow, QStringLiteral("上桌面"));
    EXPECT_TRUE(reveal->state().disabled);
    EXPECT_TRUE(reveal->actionInterface()->actionNames().isEmpty());
    reveal->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(stored(local.id).isHidden);
    QAccessibleInterface* join = button(hiddenRow, QStringLiteral("加入"));
    EXPECT_EQ(join->role(), QAccessible::ButtonMenu);
    EXPECT_TRUE(join->state().hasPopup);
    EXPECT_EQ(join->parent(), hiddenRow);

    // "收起" on the note on the desktop hides it, as a click does.
    QAccessibleInterface* shownRow = list->child(rowOf(shownNote.id));
    EXPECT_TRUE(shownRow->text(QAccessible::Name).contains(QStringLiteral("桌面中")));
    QAccessibleInterface* hide = button(shownRow, QStringLiteral("收起"));
    ASSERT_NE(hide, nullptr);
    EXPECT_FALSE(hide->state().disabled);
    hide->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(stored(shownNote.id).isHidden);
    settle();

    // "加入" opens the board menu on the next turn, under the window.
    join = button(list->child(rowOf(local.id)), QStringLiteral("加入"));
    join->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    settle();
    ASSERT_NE(taskList()->boardMenu(), nullptr);
    EXPECT_TRUE(taskList()->boardMenu()->isVisible());
    EXPECT_EQ(taskList()->boardMenu()->window()->parentWidget()->window(), view().window());
    taskList()->boardMenu()->close();
    settle();

    // "编辑" opens the editor, as does pressing the row itself.
    button(list->child(rowOf(local.id)), QStringLiteral("编辑"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(view().overview()->editorSession());
    EXPECT_EQ(view().overview()->editorSession()->noteID, local.id);
    view().overview()->discardEditor();
    settle();
    list->child(rowOf(event.id))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(view().overview()->editorSession());
    EXPECT_EQ(view().overview()->editorSession()->noteID, event.id);
    view().overview()->discardEditor();
    settle();

    // "删除" deletes through the state, with the undo offer.
    button(list->child(rowOf(local.id)), QStringLiteral("删除"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    settle();
    EXPECT_FALSE(state().note(local.id));
    EXPECT_TRUE(view().undoBar()->isVisible());
    EXPECT_EQ(list->childCount(), taskList()->noteModel()->rowCount());
}

TEST_F(DashboardAccessibilityTest, SidebarItemsAndChipsSwitchWhenAScreenReaderTogglesThem)
{
    StickyNote deferred = makeNote("稍后", at(2026, 12, 5, 11));
    deferred.deferredUntil = at(2026, 12, 6, 9);
    launch({ makeNote("今天", at(2026, 12, 5, 15)), deferred });
    open();
    DashboardOverviewView* overview = view().overview();

    QAccessibleInterface* chip = node(overview->chip(DashboardOverviewFilter::deferred));
    EXPECT_EQ(chip->text(QAccessible::Name), QStringLiteral("已延期，1 项"));
    EXPECT_EQ(node(overview->chip(DashboardOverviewFilter::today))->text(QAccessible::Name), QStringLiteral("今日，1 项"));
    chip->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    settle();
    EXPECT_EQ(overview->selectedFilter(), DashboardOverviewFilter::deferred);
    EXPECT_EQ(taskList()->noteModel()->noteId(0), deferred.id);
    // The chosen chip cannot be toggled off into an empty choice.
    chip->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(overview->chip(DashboardOverviewFilter::deferred)->isChecked());
    EXPECT_EQ(overview->selectedFilter(), DashboardOverviewFilter::deferred);

    QAccessibleInterface* sidebar = node(view().sidebar());
    QAccessibleInterface* boards = nullptr;
    for (int i = 0; i < sidebar->childCount(); ++i)
        if (sidebar->child(i)->text(QAccessible::Name) == QStringLiteral("场景板"))
            boards = sidebar->child(i);
    ASSERT_NE(boards, nullptr);
    ASSERT_TRUE(boards->actionInterface());
    boards->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    settle();
    EXPECT_EQ(view().shownDestination(), DashboardDestination::boards);
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::boards);
    // Toggling the shown page's item again keeps it shown and selected.
    boards->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    settle();
    EXPECT_EQ(view().shownDestination(), DashboardDestination::boards);
    EXPECT_EQ(view().sidebar()->currentRow(), 2);
    EXPECT_EQ(view().sidebar()->selectedItems().size(), 1);
}

TEST_F(DashboardAccessibilityTest, ControlsAreNamedByTheirLabelsAndCountsAreAnnounced)
{
    launchRows();
    open();
    DashboardOverviewView* overview = view().overview();
    EXPECT_EQ(node(overview->searchField())->text(QAccessible::Name), QStringLiteral("搜索"));

    // The header's counts are read with what they count, and follow.
    EXPECT_EQ(overview->metricValueLabel(1)->accessibleName(), QStringLiteral("已上桌面：1"));
    for (const StickyNote& note : state().notes())
        if (!note.isHidden)
            state().hide(note.id);
    settle();
    EXPECT_EQ(overview->metricValueLabel(1)->accessibleName(), QStringLiteral("已上桌面：0"));

    overview->edit(local.id);
    settle();
    DashboardNoteEditor* editor = overview->editor();
    EXPECT_EQ(node(editor->titleInput())->text(QAccessible::Name), QStringLiteral("标题"));
    EXPECT_EQ(node(editor->detailsInput())->text(QAccessible::Name), QStringLiteral("补充细节"));
    EXPECT_EQ(node(editor->priorityPicker())->text(QAccessible::Name), QStringLiteral("优先级"));
    EXPECT_EQ(node(editor->themePicker())->text(QAccessible::Name), QStringLiteral("主题"));
    EXPECT_EQ(node(editor->dueDatePicker())->text(QAccessible::Name), QStringLiteral("截止时间"));
    editor->addTaskButton()->click();
    ASSERT_EQ(editor->taskRows().size(), 1u);
    DashboardEditorTaskRow* task = editor->taskRows()[0];
    EXPECT_EQ(node(task->titleInput())->text(QAccessible::Name), QStringLiteral("任务内容"));
    QAccessibleInterface* tick = node(task->completionBox());
    EXPECT_EQ(tick->role(), QAccessible::CheckBox);
    task->titleInput()->setFocus(Qt::OtherFocusReason);
    commit(task->titleInput(), QStringLiteral("订会议室"));
    EXPECT_EQ(tick->text(QAccessible::Name), QStringLiteral("完成：订会议室"));
    task->completionBox()->setChecked(true);
    EXPECT_TRUE(tick->state().checked);
    overview->discardEditor();
    settle();

    view().sidebar()->setCurrentRow(2);
    settle();
    QSet<QString> galleryNames;
    for (QPushButton* choose : view().boardGallery()->findChildren<QPushButton*>(QStringLiteral("chooseSizeButton")))
        galleryNames << node(choose)->text(QAccessible::Name);
    EXPECT_EQ(galleryNames.size(), view().boardGallery()->findChildren<QPushButton*>(QStringLiteral("chooseSizeButton")).size());
    EXPECT_TRUE(galleryNames.contains(QStringLiteral("选择尺寸生成：会议准备")));

    view().sidebar()->setCurrentRow(3);
    settle();
    SettingsView* settings = view().settings();
    EXPECT_EQ(node(settings->findChild<QComboBox*>(QStringLiteral("defaultThemePicker")))->text(QAccessible::Name),
        QStringLiteral("默认主题"));
    EXPECT_EQ(node(settings->findChild<QSlider*>(QStringLiteral("opacitySlider")))->text(QAccessible::Name),
        QStringLiteral("全局透明度"));
    EXPECT_EQ(node(settings->findChild<QDateEdit*>(QStringLiteral("startDatePicker")))->text(QAccessible::Name),
        QStringLiteral("开始日期"));
    EXPECT_EQ(node(settings->findChild<QPushButton*>(QStringLiteral("openTrashButton")))->text(QAccessible::Name),
        QStringLiteral("打开回收站"));
}

// --- Text through the accessibility interface -------------------------------------

TEST_F(DashboardAccessibilityTest, TextSetThroughAccessibilityIsWhatDoneSaves)
{
    launchRows();
    open();
    DashboardOverviewView* overview = view().overview();
    overview->edit(local.id);
    settle();
    DashboardNoteEditor* editor = overview->editor();
    QAccessibleInterface* title = node(editor->titleInput());
    ASSERT_NE(title->editableTextInterface(), nullptr);
    title->editableTextInterface()->replaceText(0, title->textInterface()->characterCount(), QStringLiteral("写年报"));
    EXPECT_EQ(editor->titleInput()->text(), QStringLiteral("写年报"));
    editor->addTaskButton()->click();
    node(editor->taskRows()[0]->titleInput())->editableTextInterface()->insertText(0, QStringLiteral("列提纲"));
    node(editor->detailsInput())->setText(QAccessible::Value, QStringLiteral("周五前"));
    editor->doneButton()->click();
    settle();
    EXPECT_EQ(stored(local.id).title, "写年报");
    EXPECT_EQ(stored(local.id).details, "周五前");
    ASSERT_EQ(stored(local.id).tasks.size(), 1u);
    EXPECT_EQ(stored(local.id).tasks[0].title, "列提纲");

    // A calendar note's title says it is read-only and takes no text.
    overview->edit(event.id);
    settle();
    editor = overview->editor();
    title = node(editor->titleInput());
    EXPECT_TRUE(title->state().readOnly);
    title->setText(QAccessible::Value, QStringLiteral("改掉"));
    EXPECT_EQ(editor->titleInput()->text(), QStringLiteral("评审会"));
    EXPECT_TRUE(node(editor->detailsInput())->state().readOnly);
    editor->doneButton()->click();
    settle();
    EXPECT_EQ(stored(event.id).title, "评审会");
}

// --- The keyboard ------------------------------------------------------------------

TEST_F(DashboardAccessibilityTest, RowsByKeyboardMoveOpenEditSaveCancelAndDelete)
{
    launchRows();
    open();
    activate();
    DashboardOverviewView* overview = view().overview();
    overview->searchField()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    ASSERT_EQ(focus(), taskList()) << "the list follows the search field";
    EXPECT_EQ(taskList()->currentIndex().row(), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(taskList()->currentIndex().row(), 1);
    key(Qt::Key_Up);
    ASSERT_EQ(taskList()->currentIndex().row(), 0);
    const Uuid first = *taskList()->noteModel()->noteId(0);

    // Enter opens the editor; what is typed is saved by "完成".
    key(Qt::Key_Return);
    ASSERT_TRUE(overview->editorSession());
    DashboardNoteEditor* editor = overview->editor();
    editor->titleInput()->setFocus(Qt::TabFocusReason);
    editor->titleInput()->selectAll();
    commit(editor->titleInput(), QStringLiteral("新标题"));
    editor->doneButton()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    settle();
    EXPECT_FALSE(overview->editorSession());
    EXPECT_EQ(stored(first).title, "新标题");

    // Escape cancels: the typing goes with the draft.
    taskList()->setFocus(Qt::TabFocusReason);
    taskList()->setCurrentIndex(taskList()->noteModel()->index(rowOf(first)));
    key(Qt::Key_Enter);
    ASSERT_TRUE(overview->editorSession());
    overview->editor()->titleInput()->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(overview->editor()->titleInput(), QStringLiteral("draft"));
    key(Qt::Key_Escape);
    settle();
    EXPECT_FALSE(overview->editorSession());
    EXPECT_EQ(stored(first).title, "新标题");

    // Tab walks the row's enabled buttons ("上桌面" is disabled) and
    // then leaves the list; Enter presses the focused one.
    taskList()->setFocus(Qt::TabFocusReason);
    int row = rowOf(local.id);
    taskList()->setCurrentIndex(taskList()->noteModel()->index(row));
    key(Qt::Key_Tab);
    EXPECT_EQ(taskList()->focusedButton(), NoteListRow::Action::edit);
    EXPECT_TRUE(node(taskList())->child(row)->child(0)->state().focused);
    key(Qt::Key_Tab);
    EXPECT_EQ(taskList()->focusedButton(), NoteListRow::Action::remove);
    key(Qt::Key_Tab);
    EXPECT_EQ(taskList()->focusedButton(), NoteListRow::Action::addToBoard);
    key(Qt::Key_Backtab);
    key(Qt::Key_Backtab);
    key(Qt::Key_Backtab);
    EXPECT_EQ(taskList()->focusedButton(), std::nullopt);
    EXPECT_EQ(focus(), taskList());
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Tab);
    EXPECT_NE(focus(), taskList());

    // Delete deletes with the undo offer; the keyboard stays on the list.
    taskList()->setFocus(Qt::TabFocusReason);
    taskList()->setCurrentIndex(taskList()->noteModel()->index(row));
    int rows = taskList()->noteModel()->rowCount();
    key(Qt::Key_Delete);
    settle();
    EXPECT_FALSE(state().note(local.id));
    EXPECT_TRUE(view().undoBar()->isVisible());
    EXPECT_EQ(taskList()->noteModel()->rowCount(), rows - 1);
    EXPECT_EQ(focus(), taskList());
    EXPECT_EQ(taskList()->currentIndex().row(), std::min(row, rows - 2));
    key(Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(state().note(local.id));
}

TEST_F(DashboardAccessibilityTest, TheSidebarAndCtrlFWorkFromTheKeyboard)
{
    launchRows();
    open();
    activate();
    view().sidebar()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Down);
    EXPECT_EQ(view().shownDestination(), DashboardDestination::sync);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(view().shownDestination(), DashboardDestination::settings);

    // Ctrl+F from another page: back to the overview, in its search field.
    key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(view().shownDestination(), DashboardDestination::today);
    EXPECT_EQ(focus(), view().overview()->searchField());
    commit(focus(), QStringLiteral("周报"));
    settle();
    EXPECT_EQ(taskList()->noteModel()->rowCount(), 1);
    // Tab from the sidebar reaches the page.
    view().sidebar()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    EXPECT_TRUE(view().overview()->isAncestorOf(focus())) << focus()->metaObject()->className();
}

} // namespace
