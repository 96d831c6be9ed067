#include "DashboardFixture.h"

#include "dashboard/DashboardTrashView.h"
#include "dashboard/DashboardUndoBar.h"
#include "dashboard/SettingsView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace brivet;
using namespace brivet::testing;

namespace {

using TrashViewTest = DashboardTest;

TEST_F(TrashViewTest, ADeleteFromAnySurfaceOffersUndoUntilTheOfferLapses)
{
    StickyNote note = makeNote("买菜");
    StickyNote other = makeNote("other");
    launch({ note, other });
    DashboardView& dashboard = open();
    DashboardUndoBar* bar = dashboard.undoBar();
    EXPECT_FALSE(bar->isVisible());

    state().deleteNote(note.id); // as a card's trash button does
    settle();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->message()->text(), QStringLiteral("已删除「买菜」"));
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(state().findNote(note.id));
    EXPECT_FALSE(bar->isVisible());

    state().deleteNote(other.id);
    settle();
    EXPECT_TRUE(bar->isVisible());
    fixture.scheduler.advance(AppState::undoDeleteWindow);
    settle();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(state().trash().size(), 1u) << "the trash still has it";
}

TEST_F(TrashViewTest, CtrlZTakesBackTheDeleteButNotATextFieldsOwnUndo)
{
    StickyNote note = makeNote("撤销我");
    launch({ note });
    DashboardView& dashboard = open(DashboardDestination::settings);
    state().deleteNote(note.id);
    settle();

    auto* field = new QLineEdit(dashboard.settings());
    field->show();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QString()) << "the field undid its typing";
    EXPECT_FALSE(state().findNote(note.id));

    delete field;
    dashboard.sidebar()->setFocus();
    QTest::keyClick(dashboard.sidebar(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(state().findNote(note.id));
}

TEST_F(TrashViewTest, TheTrashListsNewestFirstAndItsButtonsRestoreDeleteAndEmpty)
{
    StickyNote first = makeNote("第一条");
    StickyNote second = makeNote("");
    StickyNote third = makeNote("第三条");
    launch({ first, second, third });
    DashboardView& dashboard = open(DashboardDestination::settings);
    state().deleteNote(first.id);
    fixture.clock.advance(std::chrono::minutes(5));
    state().deleteNote(second.id);
    fixture.clock.advance(std::chrono::minutes(5));
    state().deleteNote(third.id);

    QTest::mouseClick(dashboard.settings()->trashButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(dashboard.isShowingTrash());
    EXPECT_EQ(dashboard.sidebar()->currentRow(), -1) << "the sidebar keeps its four destinations, none chosen";
    DashboardTrashView* trash = dashboard.trash();
    ASSERT_EQ(trash->rows().size(), 3u);
    EXPECT_EQ(trash->rows()[0].title->text(), QStringLiteral("第三条"));
    EXPECT_EQ(trash->rows()[1].title->text(), QStringLiteral("未命名悬笺"));
    EXPECT_EQ(trash->rows()[2].deletedAt->text(), QStringLiteral("删除于 2026年12月5日 10:00"));
    EXPECT_EQ(trash->rows()[0].deletedAt->text(), QStringLiteral("删除于 2026年12月5日 10:10"));

    QTest::mouseClick(trash->rows()[1].restore, Qt::LeftButton);
    settle();
    EXPECT_TRUE(state().findNote(second.id));
    ASSERT_EQ(trash->rows().size(), 2u);
    QTest::mouseClick(trash->rows()[0].deleteForGood, Qt::LeftButton);
    settle();
    EXPECT_FALSE(state().findNote(third.id));
    ASSERT_EQ(trash->rows().size(), 1u);
    EXPECT_EQ(trash->rows()[0].title->text(), QStringLiteral("第一条"));

    QTest::mouseClick(trash->emptyButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(trash->rows().empty());
    EXPECT_FALSE(trash->emptyLabel()->isHidden());
    EXPECT_FALSE(trash->emptyButton()->isEnabled());
    EXPECT_TRUE(state().trash().empty());

    dashboard.sidebar()->setCurrentRow(0);
    settle();
    EXPECT_FALSE(dashboard.isShowingTrash());
    EXPECT_EQ(dashboard.shownDestination(), DashboardDestination::today);
}

TEST_F(TrashViewTest, TheUndoBarLeadsToTheTrashWhichSaysWhenItsFileWasDamaged)
{
    fixture.trashStore.problem = "回收站文件已损坏，已原样保留为「trash.json.unreadable-20261205T020000Z」，回收站从空开始。";
    StickyNote note = makeNote("便签");
    launch({ note });
    DashboardView& dashboard = open();
    state().deleteNote(note.id);
    settle();
    QTest::mouseClick(dashboard.undoBar()->trashButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(dashboard.isShowingTrash());
    EXPECT_TRUE(dashboard.trash()->problemLabel()->isVisible());
    EXPECT_TRUE(dashboard.trash()->problemLabel()->text().contains(QStringLiteral("trash.json.unreadable-")));
    EXPECT_EQ(dashboard.trash()->rows().size(), 1u);
}

} // namespace
