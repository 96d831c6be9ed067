#include "DesktopFixture.h"

#include "support/qt/AccessibilityAudit.h"

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

} // namespace
} // namespace brivet::testing
