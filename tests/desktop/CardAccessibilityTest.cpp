#include "DesktopFixture.h"

#include "desktop/DesktopDetailEditor.h"
#include "desktop/DesktopTaskEditorRow.h"
#include "support/qt/AccessibilityAudit.h"
#include "ui/BoundTextInputs.h"

#include <QAccessible>

#include <QMenu>

#include <iostream>

namespace brivet::testing {
namespace {

class CardAccessibilityTest : public DesktopTest {
protected:
    AccessibilityAudit audit(const Uuid& id, const char* face)
    {
        NotePanel* panel = controller(id)->panel();
        AccessibilityAudit result = auditAccessibleTree(panel);
        std::cout << face << ": " << result.interactive << " interactive, " << result.unnamed << " unnamed, "
                  << result.unactionable << " without an action, " << result.unfocusable << " not focusable\n";
        return result;
    }
};

TEST_F(CardAccessibilityTest, EveryFaceNamesEveryControlAndOffersWhatAClickDoes)
{
    StickyNote plain = makeNote("买牛奶");
    StickyNote tasks = withTasks(makeNote("周报"), { { "收集数据", true }, { "写初稿", false } });
    StickyNote linked = makeNote("链接的便签");
    StickyNote board = makeNote("我的场景");
    board.surfaceRole = NoteSurfaceRole::customBoard;
    board.tasks.push_back(NoteTask { Uuid::random(), "链接的便签", false, linked.id, NoteSource::local });
    board.tasks.push_back(NoteTask { Uuid::random(), "日历事件", false, Uuid::random(), NoteSource::calendar });
    StickyNote emptyBoard = makeNote("空场景");
    emptyBoard.surfaceRole = NoteSurfaceRole::customBoard;
    StickyNote detail = withTasks(makeNote("详情"), { { "一", false }, { "二", true } });
    detail.displayMode = NoteDisplayMode::detail;
    StickyNote calendarNote = makeNote("日历会议");
    calendarNote.source = NoteSource::calendar;
    StickyNote calendarDetail = calendarNote;
    calendarDetail.id = Uuid::random();
    calendarDetail.displayMode = NoteDisplayMode::detail;
    StickyNote synced = withTasks(makeNote("同步的"), { { "三", false } });
    synced.syncToReminders = true;
    synced.displayMode = NoteDisplayMode::detail;
    launch({ plain, tasks, linked, board, emptyBoard, detail, calendarNote, calendarDetail, synced });
    for (const StickyNote* note : { &detail, &calendarDetail, &synced })
        state().setDisplayMode(note->id, NoteDisplayMode::detail);
    processEvents();

    for (auto [note, face] : { std::pair { &plain, "plain note" }, { &tasks, "note with tasks" },
             { &board, "scene board" }, { &emptyBoard, "empty board" }, { &detail, "detail editor" },
             { &calendarNote, "calendar note" }, { &calendarDetail, "calendar detail" },
             { &synced, "synced detail" } }) {
        AccessibilityAudit one = audit(note->id, face);
        EXPECT_TRUE(one.passed()) << face << "\n"
                                  << one.report().toStdString();
    }
    // The context menu and its 稍后处理 submenu, shown.
    std::unique_ptr<QMenu> menu(card(tasks.id)->buildContextMenu(nullptr));
    menu->popup(QPoint(300, 300));
    QMenu* later = menu->actions()[2]->menu();
    ASSERT_NE(later, nullptr);
    later->popup(QPoint(420, 320));
    processEvents();
    AccessibilityAudit contextMenu = auditAccessibleTree(menu.get());
    contextMenu += auditAccessibleTree(later);
    std::cout << "context menu: " << contextMenu.interactive << " interactive, " << contextMenu.unnamed << " unnamed\n";
    // The submenu's entries are met twice: under its item and on their own.
    EXPECT_EQ(contextMenu.interactive, 6 + 3 + 3);
    EXPECT_TRUE(contextMenu.passed()) << contextMenu.report().toStdString();
    later->hide();
    menu->hide();
}

TEST_F(CardAccessibilityTest, FieldsAreNamedByWhatTheyHoldAndACalendarTitleIsReadOnly)
{
    StickyNote local = withTasks(makeNote("本地"), { { "任务一", false } });
    StickyNote calendarNote = makeNote("日历会议");
    calendarNote.source = NoteSource::calendar;
    launch({ local, calendarNote });
    for (const StickyNote* note : { &local, &calendarNote })
        state().setDisplayMode(note->id, NoteDisplayMode::detail);
    processEvents();

    DesktopDetailEditor* editor = card(local.id)->detailEditor();
    auto name = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
    EXPECT_EQ(name(editor->titleInput()), "标题");
    EXPECT_EQ(name(editor->detailsInput()), "补充细节");
    EXPECT_EQ(name(editor->taskRows()[0]->titleInput()), "任务内容");
    EXPECT_EQ(name(editor->taskRows()[0]->deleteButton()), "删除任务");
    QAccessibleInterface* title = QAccessible::queryAccessibleInterface(editor->titleInput());
    EXPECT_TRUE(title->state().editable);
    ASSERT_NE(title->editableTextInterface(), nullptr);
    title->editableTextInterface()->insertText(title->textInterface()->characterCount(), QStringLiteral("笔记"));
    EXPECT_EQ(editor->titleInput()->text(), "本地笔记");
    // Input methods keep their hold on every field: the candidate window
    // sits at the caret.
    for (QWidget* field : { static_cast<QWidget*>(editor->titleInput()), static_cast<QWidget*>(editor->detailsInput()),
             static_cast<QWidget*>(editor->taskRows()[0]->titleInput()) }) {
        EXPECT_TRUE(field->testAttribute(Qt::WA_InputMethodEnabled)) << field->objectName().toStdString();
        EXPECT_TRUE(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().isValid());
    }

    // The calendar note's title, in the editor and on the board.
    QAccessibleInterface* readOnly = QAccessible::queryAccessibleInterface(card(calendarNote.id)->detailEditor()->titleInput());
    EXPECT_TRUE(readOnly->state().readOnly);
    EXPECT_FALSE(readOnly->state().editable);
    EXPECT_EQ(readOnly->editableTextInterface(), nullptr);
    EXPECT_EQ(readOnly->textInterface()->text(0, 4), "日历会议");
    state().setDisplayMode(calendarNote.id, NoteDisplayMode::board);
    processEvents();
    QAccessibleInterface* boardTitle = QAccessible::queryAccessibleInterface(card(calendarNote.id)->findChild<QWidget*>("title"));
    EXPECT_EQ(boardTitle->text(QAccessible::Name), "日历会议");
    EXPECT_TRUE(boardTitle->state().readOnly);
    EXPECT_FALSE(boardTitle->state().editable);
}

} // namespace
} // namespace brivet::testing
