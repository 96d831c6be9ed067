#include "DashboardFixture.h"

#include "dashboard/DashboardEditorTaskRow.h"
#include "dashboard/DashboardNoteDraft.h"
#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/ToggleSwitch.h"
#include "ui/BoundTextInputs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

// Types at the end of the field's text, as a user who clicks after it.
void typeText(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &end);
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
    }
}

class EditorTest : public DashboardTest {
protected:
    DashboardNoteEditor* editNote(const Uuid& id)
    {
        DashboardOverviewView* overview = view().overview();
        overview->edit(id);
        return overview->editor();
    }
};

TEST_F(EditorTest, CancellingAfterEditsLeavesTheNoteAsStored)
{
    StickyNote note = makeNote("原标题", at(2026, 12, 6, 9));
    note.details = "原内容";
    note.tasks = { NoteTask { Uuid::random(), "任务一" } };
    launch({ note });
    open();
    StickyNote before = stored(note.id);
    std::size_t writes = fixture.repository.writes.size();

    DashboardNoteEditor* editor = editNote(note.id);
    ASSERT_NE(editor, nullptr);
    typeText(editor->titleInput(), QStringLiteral("改过"));
    typeText(editor->detailsInput(), QStringLiteral("新内容"));
    editor->addTaskButton()->click();
    editor->taskRows().front()->completionBox()->setChecked(true);
    editor->dueDateSwitch()->click();
    editor->syncSwitch()->click();
    EXPECT_NE(editor->draft().title, before.title);
    editor->cancelButton()->click();
    fixture.scheduler.advance(2s);

    EXPECT_EQ(stored(note.id), before);
    EXPECT_EQ(fixture.repository.writes.size(), writes) << "nothing was saved";
    EXPECT_FALSE(view().overview()->editorSession());
}

TEST_F(EditorTest, SavingWritesTheDraftAndKeepsEveryOtherField)
{
    StickyNote note = makeNote("旧", at(2026, 12, 6, 9));
    note.frame = NoteFrame { 300, 400, 600, 378, NoteSizePreset::large };
    note.category = "工作";
    launch({ note });
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    typeText(editor->titleInput(), QStringLiteral("新"));
    editor->priorityPicker()->setCurrentIndex(2);
    emit editor->priorityPicker()->activated(2);
    editor->themePicker()->setCurrentIndex(1);
    emit editor->themePicker()->activated(1);
    editor->addTaskButton()->click();
    typeText(editor->taskRows().back()->titleInput(), QStringLiteral("写周报"));
    // Meanwhile a desktop card moves the note: the save keeps that.
    StickyNote moved = stored(note.id);
    moved.frame.x = 10;
    state().update(moved);
    editor->doneButton()->click();

    StickyNote saved = stored(note.id);
    EXPECT_EQ(saved.title, "旧新");
    EXPECT_EQ(saved.priority, NotePriority::high);
    EXPECT_EQ(saved.style.theme, NoteTheme::life);
    ASSERT_EQ(saved.tasks.size(), 1u);
    EXPECT_EQ(saved.tasks[0].title, "写周报");
    EXPECT_FALSE(saved.tasks[0].linkedNoteID);
    EXPECT_EQ(saved.frame.x, 10);
    EXPECT_EQ(saved.category, "工作");
}

TEST_F(EditorTest, CompletionFollowsTheTasksAndTheSwitchOnlyWithoutThem)
{
    StickyNote withTasks = makeNote("有任务");
    withTasks.tasks = { NoteTask { Uuid::random(), "一", true }, NoteTask { Uuid::random(), "二", false } };
    StickyNote withoutTasks = makeNote("无任务");
    launch({ withTasks, withoutTasks });
    open();

    DashboardNoteEditor* editor = editNote(withTasks.id);
    editor->completedSwitch()->click();
    ASSERT_TRUE(editor->draft().isCompleted);
    editor->doneButton()->click();
    EXPECT_FALSE(stored(withTasks.id).isCompleted) << "one of the two tasks is still open";

    editor = editNote(withTasks.id);
    editor->taskRows()[1]->completionBox()->setChecked(true);
    editor->doneButton()->click();
    EXPECT_TRUE(stored(withTasks.id).isCompleted);

    editor = editNote(withoutTasks.id);
    editor->completedSwitch()->click();
    editor->doneButton()->click();
    EXPECT_TRUE(stored(withoutTasks.id).isCompleted);
}

TEST_F(EditorTest, SavingWithSyncToRemindersAsksForASync)
{
    fixture.preferencesStore.fallback.hasActivatedSync = true;
    fixture.preferencesStore.fallback.autoSyncEnabled = true;
    fixture.preferencesStore.fallback.selectedReminderListIDs = { "list" };
    StickyNote note = makeNote("本地");
    launch({ note });
    open();
    ASSERT_FALSE(state().hasPendingSync());

    DashboardNoteEditor* editor = editNote(note.id);
    editor->doneButton()->click();
    EXPECT_FALSE(state().hasPendingSync()) << "a local note without the switch syncs nothing";

    editor = editNote(note.id);
    editor->syncSwitch()->click();
    editor->doneButton()->click();
    EXPECT_TRUE(stored(note.id).syncToReminders);
    EXPECT_TRUE(state().hasPendingSync());
    int before = sync.syncs;
    fixture.scheduler.advance(2s);
    EXPECT_EQ(sync.syncs, before + 1);
}

TEST_F(EditorTest, ACalendarNoteIsReadOnlyAndDoneWritesNothing)
{
    StickyNote event = makeNote("评审会", at(2026, 12, 5, 16));
    event.source = NoteSource::calendar;
    event.tasks = { NoteTask { Uuid::random(), "准备材料" } };
    launch({ event });
    open();
    StickyNote before = stored(event.id);
    std::size_t writes = fixture.repository.writes.size();

    DashboardNoteEditor* editor = editNote(event.id);
    EXPECT_TRUE(editor->isReadOnly());
    EXPECT_TRUE(editor->titleInput()->isReadOnly());
    EXPECT_TRUE(editor->detailsInput()->isReadOnly());
    EXPECT_FALSE(editor->addTaskButton()->isEnabled());
    for (QWidget* control : std::initializer_list<QWidget*> { editor->completedSwitch(), editor->priorityPicker(),
             editor->themePicker(), editor->dueDateSwitch(), editor->dueDatePicker(), editor->clearDueDateButton(),
             editor->syncSwitch() })
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    ASSERT_EQ(editor->taskRows().size(), 1u);
    EXPECT_FALSE(editor->taskRows()[0]->completionBox()->isEnabled());
    EXPECT_TRUE(editor->taskRows()[0]->titleInput()->isReadOnly());

    typeText(editor->titleInput(), QStringLiteral("x"));
    editor->doneButton()->click();
    EXPECT_FALSE(view().overview()->editorSession());
    EXPECT_EQ(stored(event.id), before);
    EXPECT_EQ(fixture.repository.writes.size(), writes);
}

TEST_F(EditorTest, AddingADueDateGivesFourCalendarHoursFromNow)
{
    StickyNote note = makeNote("晚上");
    launch({ note });
    fixture.clock.set(at(2026, 12, 5, 21, 15));
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    EXPECT_FALSE(editor->dueDatePicker()->isVisibleTo(editor));
    editor->dueDateSwitch()->click();
    ASSERT_TRUE(editor->draft().dueDate);
    EXPECT_EQ(*editor->draft().dueDate, at(2026, 12, 6, 1, 15));
    EXPECT_TRUE(editor->dueDatePicker()->isVisibleTo(editor));
    EXPECT_EQ(editor->dueDatePicker()->dateTime().time(), QTime(1, 15));
    EXPECT_EQ(editor->dueDatePicker()->date(), QDate(2026, 12, 6));

    // The picker shows and sets wall-clock time in the user's zone.
    editor->dueDatePicker()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(8, 30), Qt::UTC));
    EXPECT_EQ(*editor->draft().dueDate, at(2026, 12, 7, 8, 30));

    editor->clearDueDateButton()->click();
    EXPECT_FALSE(editor->draft().dueDate);
    EXPECT_FALSE(editor->dueDateSwitch()->isChecked());
    editor->dueDateSwitch()->click();
    editor->dueDateSwitch()->click();
    EXPECT_FALSE(editor->draft().dueDate);
    editor->doneButton()->click();
    EXPECT_FALSE(stored(note.id).dueDate);
}

TEST_F(EditorTest, ClosingTheDashboardDropsTheDraftAndPutsTheNoteBack)
{
    StickyNote note = makeNote("在桌面上");
    note.isHidden = false;
    launch({ note });
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    typeText(editor->titleInput(), QStringLiteral("半截"));
    StickyNote during = stored(note.id);
    EXPECT_TRUE(during.isHidden);

    view().discardDraft();
    StickyNote after = stored(note.id);
    EXPECT_EQ(after.title, "在桌面上");
    EXPECT_FALSE(after.isHidden);
    EXPECT_FALSE(view().overview()->editorSession());
    view().discardDraft(); // nothing open: nothing happens
}

TEST_F(EditorTest, SavingKeepsWhatChangedElsewhereInFieldsTheUserLeftAlone)
{
    NoteTask first { Uuid::random(), "一" };
    NoteTask second { Uuid::random(), "二" };
    StickyNote note = makeNote("原标题", at(2026, 12, 6, 9));
    note.tasks = { first, second };
    launch({ note });
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    typeText(editor->titleInput(), QStringLiteral("改"));
    editor->priorityPicker()->setCurrentIndex(2);
    emit editor->priorityPicker()->activated(2);

    // While the editor is open: ticks from a desktop card, and a sync that
    // moves the due date, turns on the reminder link and lowers the priority.
    state().setTaskCompletion(note.id, first.id, true);
    state().setTaskCompletion(note.id, second.id, true);
    StickyNote synced = stored(note.id);
    synced.dueDate = at(2026, 12, 8, 10);
    synced.syncToReminders = true;
    synced.priority = NotePriority::low;
    synced.details = "同步来的内容";
    state().update(synced);
    editor->doneButton()->click();

    StickyNote saved = stored(note.id);
    EXPECT_EQ(saved.title, "原标题改");
    EXPECT_EQ(saved.priority, NotePriority::high) << "changed on both sides: the editor's value";
    EXPECT_EQ(saved.details, "同步来的内容");
    EXPECT_EQ(saved.dueDate, at(2026, 12, 8, 10));
    EXPECT_TRUE(saved.syncToReminders);
    ASSERT_EQ(saved.tasks.size(), 2u);
    EXPECT_TRUE(saved.tasks[0].isCompleted);
    EXPECT_TRUE(saved.tasks[1].isCompleted);
    EXPECT_TRUE(saved.isCompleted);
}

TEST_F(EditorTest, EditedTasksMergeByIdWithChangesMadeElsewhere)
{
    NoteTask ticked { Uuid::random(), "别处勾选" };
    NoteTask renamed { Uuid::random(), "旧名" };
    NoteTask removed { Uuid::random(), "删掉" };
    NoteTask goneElsewhere { Uuid::random(), "别处删掉" };
    StickyNote note = makeNote("清单");
    note.tasks = { ticked, renamed, removed, goneElsewhere };
    launch({ note });
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    typeText(editor->taskRows()[1]->titleInput(), QStringLiteral("新名"));
    editor->taskRows()[1]->completionBox()->setChecked(true);
    editor->taskRows()[2]->deleteButton()->click();
    editor->addTaskButton()->click();
    typeText(editor->taskRows().back()->titleInput(), QStringLiteral("编辑器新增"));

    state().setTaskCompletion(note.id, ticked.id, true);
    state().updateTaskTitle(note.id, renamed.id, "别处改名");
    state().setTaskCompletion(note.id, removed.id, true);
    state().deleteTask(note.id, goneElsewhere.id);
    state().addTask(note.id, "别处新增");
    editor->doneButton()->click();

    std::vector<std::pair<std::string, bool>> tasks;
    for (const NoteTask& task : stored(note.id).tasks)
        tasks.emplace_back(task.title, task.isCompleted);
    EXPECT_EQ(tasks, (std::vector<std::pair<std::string, bool>> {
                         { "别处勾选", true }, { "旧名新名", true }, { "编辑器新增", false }, { "别处新增", false } }));
    EXPECT_FALSE(stored(note.id).isCompleted);
}

TEST_F(EditorTest, ANoteDeletedElsewhereClosesItsEditorAndOffersBackUnsavedChanges)
{
    StickyNote untouched = makeNote("没改过");
    StickyNote edited = makeNote("改过");
    launch({ untouched, edited });
    open();
    DashboardOverviewView* overview = view().overview();
    auto* notice = overview->findChild<QWidget*>(QStringLiteral("orphanedDraftNotice"));
    ASSERT_NE(notice, nullptr);

    ASSERT_NE(editNote(untouched.id), nullptr);
    state().deleteNote(untouched.id);
    settle();
    EXPECT_FALSE(overview->editorSession());
    EXPECT_FALSE(state().note(untouched.id)) << "saving nothing brings it back";
    EXPECT_FALSE(notice->isVisible()) << "nothing typed, nothing to offer";

    DashboardNoteEditor* editor = editNote(edited.id);
    typeText(editor->titleInput(), QStringLiteral("后"));
    editor->addTaskButton()->click();
    typeText(editor->taskRows().back()->titleInput(), QStringLiteral("留下"));
    state().deleteNote(edited.id);
    settle();
    EXPECT_FALSE(overview->editorSession());
    EXPECT_FALSE(state().note(edited.id));
    ASSERT_TRUE(notice->isVisible());

    std::size_t before = state().notes().size();
    overview->findChild<QPushButton*>(QStringLiteral("keepOrphanedDraft"))->click();
    EXPECT_FALSE(notice->isVisible());
    ASSERT_EQ(state().notes().size(), before + 1);
    const StickyNote& kept = state().notes().back();
    EXPECT_EQ(kept.title, "改过后");
    ASSERT_EQ(kept.tasks.size(), 1u);
    EXPECT_EQ(kept.tasks[0].title, "留下");
    EXPECT_TRUE(kept.isHidden);
}

TEST_F(EditorTest, DeletingATaskRowRemovesItFromTheDraftOnly)
{
    StickyNote note = makeNote("三项");
    note.tasks = { NoteTask { Uuid::random(), "a" }, NoteTask { Uuid::random(), "b" }, NoteTask { Uuid::random(), "c" } };
    launch({ note });
    open();
    DashboardNoteEditor* editor = editNote(note.id);
    editor->taskRows()[1]->deleteButton()->click();
    settle();
    ASSERT_EQ(editor->taskRows().size(), 2u);
    EXPECT_EQ(stored(note.id).tasks.size(), 3u);
    editor->doneButton()->click();
    std::vector<std::string> titles;
    for (const NoteTask& task : stored(note.id).tasks)
        titles.push_back(task.title);
    EXPECT_EQ(titles, (std::vector<std::string> { "a", "c" }));
}

} // namespace
