#include "DesktopFixture.h"

#include "desktop/DesktopDetailEditor.h"
#include "desktop/DesktopTaskEditorRow.h"
#include "desktop/NotePanel.h"
#include "desktop/NotePanelController.h"
#include "ui/BoundTextInputs.h"
#include "ui/QtConversions.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace brivet::testing {
namespace {

class DetailEditorTest : public DesktopTest {
protected:
    DesktopDetailEditor* open(StickyNote note)
    {
        launch({ note });
        // The launch brings every note back to its board face.
        state().setDisplayMode(note.id, NoteDisplayMode::detail);
        notesChanges.count = 0;
        return card(note.id)->detailEditor();
    }
};

TEST_F(DetailEditorTest, TypingCommitsOnceAfterTheLastKeystroke)
{
    StickyNote note = makeNote("");
    DesktopDetailEditor* editor = open(note);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor->titleInput(), "abc");
    scheduler.advance(Duration(249));
    EXPECT_EQ(stored(note.id).title, "");
    scheduler.advance(Duration(1));
    EXPECT_EQ(stored(note.id).title, "abc");
    EXPECT_EQ(notesChanges.count, 1);
    scheduler.advance(Duration(1000));
    EXPECT_EQ(notesChanges.count, 1);
}

TEST_F(DetailEditorTest, QuittingHandsOverTextAndAMoveStillWaitingToBeCommitted)
{
    StickyNote note = makeNote("");
    DesktopDetailEditor* editor = open(note);
    ASSERT_NE(editor, nullptr);
    NotePanelController* panel = controller(note.id);
    QApplication::setActiveWindow(panel->panel());
    editor->titleInput()->setFocus();
    processEvents();
    ASSERT_TRUE(editor->titleInput()->hasFocus());
    QTest::keyClicks(editor->titleInput(), "abc");
    panel->panel()->move(panel->panel()->x() + 40, panel->panel()->y() + 30);
    processEvents();
    ASSERT_TRUE(panel->hasPendingFrameReport());
    Rect moved = toModelRect(panel->panel()->geometry());

    // The app begins to quit before either commit is due.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    EXPECT_EQ(stored(note.id).title, "abc");
    EXPECT_EQ(stored(note.id).frame.x, moved.x);
    EXPECT_EQ(stored(note.id).frame.y, moved.y);
    EXPECT_FALSE(panel->hasPendingFrameReport());
}

TEST_F(DetailEditorTest, LongTitleShowsItsBeginningWhileNotEdited)
{
    std::string longTitle;
    for (int i = 0; i < 12; ++i)
        longTitle += "季度总结的初稿写完并发给团队审阅";
    StickyNote note = makeNote(longTitle);
    DesktopDetailEditor* editor = open(note);
    BoundLineEdit* title = editor->titleInput();
    ASSERT_GT(title->fontMetrics().horizontalAdvance(title->text()), title->width()) << "the title must not fit";
    EXPECT_EQ(title->cursorPosition(), 0);
    EXPECT_LT(title->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 10) << "the start is in view";

    // Renamed elsewhere while the card shows it.
    state().updateNoteTitle(note.id, longTitle + "（改）");
    EXPECT_EQ(title->text(), QString::fromStdString(longTitle + "（改）"));
    EXPECT_EQ(title->cursorPosition(), 0);

    // Typed at the end, then left: the beginning comes back.
    title->end(false);
    typeText(title, QStringLiteral("！"));
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(title, &out);
    EXPECT_EQ(title->cursorPosition(), 0);
    EXPECT_EQ(stored(note.id).title, longTitle + "（改）！") << "leaving the field commits it";
}

TEST_F(DetailEditorTest, ReturnCommitsAtOnceAndThePendingCommitNeverFires)
{
    StickyNote note = makeNote("旧");
    DesktopDetailEditor* editor = open(note);
    editor->titleInput()->selectAll();
    typeText(editor->titleInput(), QStringLiteral("新标题"));
    QTest::keyClick(editor->titleInput(), Qt::Key_Return);
    EXPECT_EQ(stored(note.id).title, "新标题");
    EXPECT_EQ(notesChanges.count, 1);
    scheduler.advance(Duration(1000));
    EXPECT_EQ(notesChanges.count, 1);
}

TEST_F(DetailEditorTest, DetailsAndTaskTitlesHaveTheirOwnDelays)
{
    StickyNote note = makeNote("细节");
    note.tasks.push_back(NoteTask { Uuid::random(), "任务" });
    DesktopDetailEditor* editor = open(note);
    QTest::keyClicks(editor->detailsInput(), "xy");
    ASSERT_EQ(editor->taskRows().size(), 1u);
    BoundLineEdit* taskInput = editor->taskRows()[0]->titleInput();
    taskInput->end(false);
    typeText(taskInput, QStringLiteral("一"));
    scheduler.advance(Duration(221));
    EXPECT_EQ(stored(note.id).tasks[0].title, "任务一");
    EXPECT_EQ(stored(note.id).details, "");
    scheduler.advance(Duration(58));
    EXPECT_EQ(stored(note.id).details, "");
    scheduler.advance(Duration(1));
    EXPECT_EQ(stored(note.id).details, "xy");
}

TEST_F(DetailEditorTest, LeavingFlushesDraftsAndGoesBackToTheBoardFace)
{
    StickyNote note = makeNote("离开");
    DesktopDetailEditor* editor = open(note);
    typeText(editor->detailsInput(), QStringLiteral("没打完"));
    editor->findChild<QPushButton*>("doneButton")->click();
    EXPECT_EQ(stored(note.id).details, "没打完");
    EXPECT_EQ(stored(note.id).displayMode, NoteDisplayMode::board);
    EXPECT_EQ(counting().focused.back(), note.id);
    ASSERT_NE(card(note.id), nullptr);
    EXPECT_NE(card(note.id)->boardFace(), nullptr);
    scheduler.advance(Duration(1000));
    processEvents();
}

TEST_F(DetailEditorTest, CalendarNoteIsReadOnlyAndNeverCommits)
{
    StickyNote event = makeNote("日程");
    event.source = NoteSource::calendar;
    event.tasks.push_back(NoteTask { Uuid::random(), "议程" });
    DesktopDetailEditor* editor = open(event);
    EXPECT_NE(editor->findChild<QLabel*>("readOnlyTag"), nullptr);
    EXPECT_TRUE(editor->titleInput()->isReadOnly());
    EXPECT_TRUE(editor->detailsInput()->isReadOnly());
    EXPECT_FALSE(editor->findChild<QPushButton*>("addTaskButton")->isEnabled());
    EXPECT_FALSE(editor->findChild<QWidget*>("editorBottomBar")->isEnabled());

    typeText(editor->titleInput(), QStringLiteral("改"));
    typeText(editor->detailsInput(), QStringLiteral("改"));
    typeText(editor->taskRows()[0]->titleInput(), QStringLiteral("改"));
    editor->appendTaskAndPrepareScroll();
    editor->flushAll();
    scheduler.advance(Duration(1000));
    EXPECT_EQ(notesChanges.count, 0);
    EXPECT_EQ(stored(event.id).title, "日程");
}

TEST_F(DetailEditorTest, AddingATaskReplacesTheHintAndScrollsToIt)
{
    StickyNote note = makeNote("空的");
    DesktopDetailEditor* editor = open(note);
    auto* hint = editor->findChild<QLabel*>("emptyTasksHint");
    auto* footer = editor->findChild<QPushButton*>(DesktopDetailEditor::taskFooterAnchorID);
    EXPECT_FALSE(hint->isHidden());
    EXPECT_EQ(footer->text(), QStringLiteral("添加第一项任务"));

    footer->click();
    ASSERT_EQ(stored(note.id).tasks.size(), 1u);
    EXPECT_EQ(stored(note.id).tasks[0].title, "新任务");
    ASSERT_EQ(editor->taskRows().size(), 1u);
    EXPECT_EQ(editor->taskRows()[0]->titleInput()->text(), QStringLiteral("新任务"));
    EXPECT_TRUE(hint->isHidden());
    EXPECT_EQ(footer->text(), QStringLiteral("在末尾继续添加任务"));
    EXPECT_FALSE(editor->pendingTaskScrollID()) << "the scroll request was taken up";
}

TEST_F(DetailEditorTest, DueDateAndCompletionFromTheBottomBar)
{
    clock.set(at(2026, 12, 5, 22, 30));
    StickyNote note = makeNote("截止");
    note.tasks.push_back(NoteTask { Uuid::random(), "甲" });
    note.tasks.push_back(NoteTask { Uuid::random(), "乙" });
    DesktopDetailEditor* editor = open(note);
    editor->findChild<QPushButton*>("addDueButton")->click();
    EXPECT_EQ(stored(note.id).dueDate, at(2026, 12, 6, 2, 30));
    ASSERT_NE(editor->findChild<QLabel*>("dueDateLabel"), nullptr);

    editor->findChild<QPushButton*>("completionButton")->click();
    EXPECT_EQ(stored(note.id).completedTaskCount(), 2);
    EXPECT_EQ(editor->findChild<QPushButton*>("completionButton")->text(), QStringLiteral("已完成"));
    editor->findChild<QPushButton*>("completionButton")->click();
    EXPECT_EQ(stored(note.id).completedTaskCount(), 0);

    editor->findChild<QPushButton*>("clearDueButton")->click();
    EXPECT_FALSE(stored(note.id).dueDate);
    processEvents();
}

} // namespace
} // namespace brivet::testing
