#include "DesktopFixture.h"

#include "desktop/NoteBoardFace.h"
#include "ui/NoteSizePresetMenu.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace brivet::testing {
namespace {

using StickyNoteViewTest = DesktopTest;

QString completionLabel(StickyNoteView* view)
{
    auto* button = view->findChild<QPushButton*>("completionButton");
    return button ? button->text() : QString();
}

bool has(StickyNoteView* view, const char* name)
{
    return view->findChild<QLabel*>(name) != nullptr || view->findChild<QToolButton*>(name) != nullptr;
}

TEST_F(StickyNoteViewTest, CompletionButtonAndTagsFollowTheNote)
{
    StickyNote withTasks = makeNote("三件事");
    for (const char* title : { "一", "二", "三" })
        withTasks.tasks.push_back(NoteTask { Uuid::random(), title });
    StickyNote bare = makeNote("");
    launch({ withTasks, bare });

    StickyNoteView* tasks = card(withTasks.id);
    EXPECT_EQ(completionLabel(tasks), QStringLiteral("全部完成"));
    EXPECT_EQ(tasks->findChild<QLabel*>("taskProgress")->text(), QStringLiteral("0/3"));
    EXPECT_EQ(tasks->findChild<QLabel*>("sourceTag")->text(), QStringLiteral("本地"));
    EXPECT_TRUE(has(tasks, "deferButton"));

    tasks->findChild<QPushButton*>("completionButton")->click();
    StickyNote done = stored(withTasks.id);
    EXPECT_TRUE(done.isCompleted);
    EXPECT_EQ(done.completedTaskCount(), 3);
    EXPECT_EQ(completionLabel(tasks), QStringLiteral("恢复任务"));
    EXPECT_EQ(tasks->findChild<QLabel*>("completedTag")->text(), QStringLiteral("已完成"));
    EXPECT_FALSE(has(tasks, "deferButton")) << "a completed note cannot be put off";

    tasks->findChild<QPushButton*>("completionButton")->click();
    EXPECT_EQ(stored(withTasks.id).completedTaskCount(), 0);

    StickyNoteView* empty = card(bare.id);
    EXPECT_EQ(completionLabel(empty), QStringLiteral("标记完成"));
    EXPECT_EQ(empty->findChild<QLabel*>("taskProgress")->text(), QStringLiteral("暂未添加"));
    EXPECT_EQ(empty->findChild<QLabel*>("title")->text(), QStringLiteral("新悬笺"));
    empty->findChild<QPushButton*>("completionButton")->click();
    EXPECT_EQ(completionLabel(empty), QStringLiteral("已完成"));
}

TEST_F(StickyNoteViewTest, DeadlineTagsWithin24Hours)
{
    StickyNote soon = makeNote("23 小时");
    soon.dueDate = clock.now() + Duration(23 * 3'600'000);
    StickyNote later = makeNote("25 小时");
    later.dueDate = clock.now() + Duration(25 * 3'600'000);
    StickyNote overdue = makeNote("过期");
    overdue.dueDate = clock.now() - Duration(3'600'000);
    StickyNote finished = makeNote("做完了");
    finished.dueDate = soon.dueDate;
    finished.isCompleted = true;
    launch({ soon, later, overdue, finished });

    EXPECT_TRUE(has(card(soon.id), "dueSoonTag"));
    EXPECT_EQ(card(soon.id)->findChild<QLabel*>("dueDateTag")->text(), QStringLiteral("12月6日"));
    EXPECT_FALSE(has(card(later.id), "dueSoonTag"));
    EXPECT_TRUE(has(card(later.id), "dueDateTag"));
    EXPECT_TRUE(has(card(overdue.id), "dueSoonTag"));
    EXPECT_FALSE(has(card(finished.id), "dueSoonTag"));
    EXPECT_FALSE(has(card(finished.id), "dueDateTag"));
    EXPECT_TRUE(has(card(finished.id), "completedTag"));

    // Once the later one comes within a day the card says so by itself.
    scheduler.advance(Duration(3'600'000 + 1000));
    EXPECT_TRUE(has(card(later.id), "dueSoonTag"));
}

TEST_F(StickyNoteViewTest, TaskRowsToggleAndShowPlaceholderTitle)
{
    StickyNote note = makeNote("清单");
    note.tasks.push_back(NoteTask { Uuid::random(), "" });
    note.tasks.push_back(NoteTask { Uuid::random(), "写周报" });
    launch({ note });
    StickyNoteView* view = card(note.id);
    QList<QLabel*> titles = view->findChildren<QLabel*>("taskTitle");
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), QStringLiteral("未命名任务"));
    EXPECT_FALSE(titles[1]->font().strikeOut());

    view->findChildren<QToolButton*>("taskToggle")[1]->click();
    EXPECT_TRUE(stored(note.id).tasks[1].isCompleted);
    EXPECT_TRUE(view->findChildren<QLabel*>("taskTitle")[1]->font().strikeOut());
    EXPECT_EQ(view->findChild<QLabel*>("taskProgress")->text(), QStringLiteral("1/2"));
}

TEST_F(StickyNoteViewTest, SceneBoardTasksActOnTheirLinkedNotes)
{
    StickyNote source = makeNote("准备周会");
    source.isHidden = true;
    StickyNote event = makeNote("评审会");
    event.source = NoteSource::calendar;
    event.isHidden = true;
    StickyNote board = makeNote("今日焦点");
    board.surfaceRole = NoteSurfaceRole::customBoard;
    board.category = "桌面执行层";
    board.group = "场景板";
    board.tasks.push_back(NoteTask { Uuid::random(), "本地 · 准备周会", false, source.id, NoteSource::local });
    board.tasks.push_back(NoteTask { Uuid::random(), "日历 · 评审会", false, event.id, NoteSource::calendar });
    launch({ source, event, board });

    StickyNoteView* view = card(board.id);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->findChildren<QToolButton*>("taskToggle").size(), 1) << "a calendar line cannot be ticked";
    EXPECT_EQ(view->findChildren<QLabel*>("taskCalendarMarker").size(), 1);
    EXPECT_EQ(view->findChildren<QToolButton*>("taskOpen").size(), 2);
    EXPECT_EQ(view->findChildren<QToolButton*>("taskDefer").size(), 2);

    view->findChild<QToolButton*>("taskToggle")->click();
    EXPECT_TRUE(stored(source.id).isCompleted) << "ticking the line completes the linked note";

    view = card(board.id);
    view->findChildren<QToolButton*>("taskOpen")[1]->click();
    EXPECT_FALSE(stored(event.id).isHidden);
    EXPECT_EQ(stored(event.id).displayMode, NoteDisplayMode::detail);
    EXPECT_EQ(counting().focused.back(), event.id);
}

TEST_F(StickyNoteViewTest, CalendarNoteCannotBeCompletedOrOpenedByDoubleClick)
{
    StickyNote event = makeNote("日程");
    event.source = NoteSource::calendar;
    launch({ event });
    StickyNoteView* view = card(event.id);
    EXPECT_FALSE(view->findChild<QPushButton*>("completionButton")->isEnabled());
    EXPECT_EQ(view->findChild<QLabel*>("sourceTag")->text(), QStringLiteral("日历"));

    QTest::mouseDClick(view->boardFace(), Qt::LeftButton, {}, QPoint(30, 100));
    EXPECT_EQ(stored(event.id).displayMode, NoteDisplayMode::board);

    view->findChild<QToolButton*>("editButton")->click();
    EXPECT_EQ(stored(event.id).displayMode, NoteDisplayMode::detail) << "the edit button still opens it";
}

TEST_F(StickyNoteViewTest, DoubleClickOpensTheEditorAndFocusesThePanel)
{
    StickyNote note = makeNote("双击");
    launch({ note });
    QTest::mouseDClick(card(note.id)->boardFace(), Qt::LeftButton, {}, QPoint(30, 100));
    EXPECT_EQ(stored(note.id).displayMode, NoteDisplayMode::detail);
    ASSERT_FALSE(counting().focused.empty());
    EXPECT_EQ(counting().focused.back(), note.id);
    EXPECT_NE(card(note.id)->detailEditor(), nullptr);
}

TEST_F(StickyNoteViewTest, ContextMenuInItsOrder)
{
    StickyNote note = makeNote("菜单");
    launch({ note });
    std::unique_ptr<QMenu> menu(card(note.id)->buildContextMenu(nullptr));
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList { "打开控制台", "进入编辑", "稍后处理", "复制便签", "隐藏便签", "删除便签" }));
    QMenu* later = menu->actions()[2]->menu();
    ASSERT_NE(later, nullptr);
    QStringList presets;
    for (QAction* action : later->actions())
        presets << action->text();
    EXPECT_EQ(presets, (QStringList { "稍后 1 小时", "下午再看", "明天再看" }));

    later->actions()[0]->trigger();
    EXPECT_TRUE(stored(note.id).isHidden);
    EXPECT_EQ(stored(note.id).deferredUntil, clock.now() + Duration(3'600'000));
}

TEST_F(StickyNoteViewTest, HideAndDeleteButtons)
{
    StickyNote kept = makeNote("留着");
    StickyNote gone = makeNote("删掉");
    launch({ kept, gone });
    card(kept.id)->findChild<QToolButton*>("hideButton")->click();
    EXPECT_TRUE(stored(kept.id).isHidden);
    EXPECT_EQ(controller(kept.id), nullptr);
    card(gone.id)->findChild<QToolButton*>("deleteButton")->click();
    EXPECT_FALSE(state().note(gone.id));
    processEvents();
}

TEST(NoteSizePresetMenuTest, ThreeSizesSmallestFirst)
{
    NoteSizePresetMenu menu;
    QStringList titles;
    for (QAction* action : menu.actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList { "小号 · 344 × 248", "中号 · 500 × 318", "大号 · 600 × 378" }));
    std::optional<NoteSizePreset> chosen;
    QObject::connect(&menu, &NoteSizePresetMenu::presetChosen, [&](NoteSizePreset preset) { chosen = preset; });
    menu.actions()[2]->trigger();
    EXPECT_EQ(chosen, NoteSizePreset::large);
}

} // namespace
} // namespace brivet::testing
