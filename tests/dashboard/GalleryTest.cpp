#include "DashboardFixture.h"

#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardTemplatesView.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListView.h"
#include "state/NoteTemplate.h"

#include <QMenu>
#include <QPushButton>

using namespace brivet;
using namespace brivet::testing;

namespace {

using GalleryTest = DashboardTest;

TEST_F(GalleryTest, WithoutBoardsTheGalleryStartsWithTheCards)
{
    launch({ makeNote("普通") });
    DashboardTemplatesView* gallery = open(DashboardDestination::boards).boardGallery();
    EXPECT_FALSE(gallery->currentBoardsSection()->isVisible());
    const auto& cards = gallery->cards();
    ASSERT_EQ(cards.size(), 5 + fixture.templates->templates().size());
    const char* boardTitles[] = { "自定义场景板", "今日聚焦", "即将到期", "会议准备", "本周推进" };
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(cards[i].title, QString::fromUtf8(boardTitles[i]));
    EXPECT_EQ(cards[5].title, QString::fromStdString(fixture.templates->templates()[0].title));
    for (const auto& card : cards)
        EXPECT_EQ(card.button->text(), QStringLiteral("选择尺寸生成"));
}

TEST_F(GalleryTest, ALargeMeetingBoardGoesOnTheDesktopDespiteTheModeAndIsFocused)
{
    launch({});
    ASSERT_EQ(state().preferences().desktopSurfaceMode, DesktopSurfaceMode::sceneBoardsOnly);
    DashboardTemplatesView* gallery = open(DashboardDestination::boards).boardGallery();
    fixture.windows.focused.clear();
    // Through the card's own size menu.
    gallery->cards()[3].button->click();
    auto* menu = gallery->cards()[3].button->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    menu->actions()[2]->trigger();

    std::vector<StickyNote> boards = state().sceneBoards();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0].surfaceRole, NoteSurfaceRole::meetingBoard);
    EXPECT_EQ(boards[0].frame.sizePreset, NoteSizePreset::large);
    EXPECT_FALSE(boards[0].isHidden);
    EXPECT_EQ(fixture.windows.focused, std::vector<Uuid> { boards[0].id });
    settle();
    EXPECT_TRUE(gallery->currentBoardsSection()->isVisible());
    EXPECT_EQ(gallery->boardList()->noteModel()->rowCount(), 1);
}

TEST_F(GalleryTest, ATemplateCardCreatesALocalNoteAtTheChosenSize)
{
    launch({});
    DashboardTemplatesView* gallery = open(DashboardDestination::boards).boardGallery();
    fixture.windows.focused.clear();
    std::size_t before = state().notes().size();
    gallery->choose(5, NoteSizePreset::small);
    ASSERT_EQ(state().notes().size(), before + 1);
    const NoteTemplate& chosen = fixture.templates->templates()[0];
    auto created = std::find_if(state().notes().begin(), state().notes().end(),
        [&](const StickyNote& note) { return note.title == chosen.title && note.frame.sizePreset == NoteSizePreset::small; });
    ASSERT_NE(created, state().notes().end());
    EXPECT_EQ(created->source, NoteSource::local);
    EXPECT_FALSE(created->isSceneBoard());
    EXPECT_FALSE(created->isHidden);
    EXPECT_EQ(fixture.windows.focused, std::vector<Uuid> { created->id });
}

TEST_F(GalleryTest, EditingABoardRowOpensTheEditorOnTheOverview)
{
    StickyNote board = makeBoard("周计划", NoteSurfaceRole::weeklyBoard);
    launch({ board });
    DashboardView& dashboard = open(DashboardDestination::boards);
    emit dashboard.boardGallery()->boardList()->editRequested(board.id);
    EXPECT_EQ(state().dashboardDestination(), DashboardDestination::today);
    ASSERT_TRUE(dashboard.overview()->editorSession());
    EXPECT_EQ(dashboard.overview()->editorSession()->noteID, board.id);
}

} // namespace
