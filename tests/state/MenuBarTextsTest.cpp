#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

// The tray item's title and summary, as the state words them.
class MenuBarTexts : public ::testing::Test {
protected:
    StateFixture f;
};

TEST_F(MenuBarTexts, TitleAndSummary)
{
    auto today = StateFixture::makeNote("写周报", f.at(2026, 12, 5, 15, 30));
    auto nextWeek = StateFixture::makeNote("交材料", f.at(2026, 12, 7, 9, 0));
    AppState& state = f.launchWith({ today, nextWeek });
    EXPECT_EQ(state.menuBarStatusTitle(), "悬笺");
    state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
    EXPECT_EQ(state.menuBarStatusTitle(), "下午3:30 写周报");
    state.toggleExecutionNoteCompletion(today.id);
    EXPECT_EQ(state.menuBarStatusTitle(), "12月7日 交材料");
    state.reveal(nextWeek.id, SurfacePolicy::bypass, WindowFocus::keep);
    EXPECT_EQ(state.menuBarSummaryText(), "今 0 · 即 1 · 桌面 1");

    state.toggleExecutionNoteCompletion(nextWeek.id);
    state.createNote(nullptr, NoteSizePreset::small, NewNoteWindow::hidden);
    EXPECT_EQ(state.menuBarStatusTitle(), "未命名悬笺");
}

TEST_F(MenuBarTexts, NothingToDo)
{
    AppState& state = f.launchWith({ StateFixture::makeNote("done") });
    state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
    state.toggleExecutionNoteCompletion(state.notes()[0].id);
    EXPECT_EQ(state.menuBarStatusTitle(), "今天已清空");
    auto board = state.prepareSceneBoard(NoteSurfaceRole::weeklyBoard, NoteSizePreset::small);
    ASSERT_TRUE(board);
    EXPECT_TRUE(state.findNote(*board)->isHidden);
    EXPECT_EQ(state.menuBarStatusTitle(), "打开执行面板") << "hidden boards count";
    EXPECT_EQ(state.menuBarSummaryText(), "今 0 · 即 0 · 桌面 0");
}

} // namespace
