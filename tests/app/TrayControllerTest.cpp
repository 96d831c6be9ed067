#include "app/TrayController.h"
#include "state/AppState.h"
#include "support/StateFixture.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

QString expectedToolTip(const AppState& state)
{
    return QString::fromStdString(state.menuBarStatusTitle() + "\n" + state.menuBarSummaryText());
}

TEST(TrayController, ToolTipFollowsEveryChangeAndTheMenuOffersDashboardAndQuit)
{
    StateFixture fixture;
    StickyNote done = StateFixture::makeNote("已完成");
    done.isCompleted = true;
    fixture.store({ done });
    AppState& state = fixture.launch();
    state.updatePreferences([](AppPreferences& p) { p.menuBarTitleMode = MenuBarTitleMode::currentTask; });
    TrayController tray(state, QIcon());
    EXPECT_EQ(tray.toolTip(), expectedToolTip(state));
    EXPECT_TRUE(tray.toolTip().startsWith("今天已清空\n今 0")) << tray.toolTip().toStdString();

    // A note due today becomes the current task; the tooltip says so once
    // the operation is over.
    Uuid id = state.createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::hidden);
    StickyNote note = *state.note(id);
    note.title = "交季度报告";
    note.dueDate = fixture.at(2026, 12, 5, 15, 0);
    state.update(note);
    QCoreApplication::processEvents();
    EXPECT_EQ(tray.toolTip(), expectedToolTip(state));
    EXPECT_TRUE(tray.toolTip().contains("交季度报告")) << tray.toolTip().toStdString();

    state.toggleExecutionNoteCompletion(id);
    QCoreApplication::processEvents();
    EXPECT_EQ(tray.toolTip(), expectedToolTip(state));
    EXPECT_FALSE(tray.toolTip().contains("交季度报告"));

    QSignalSpy dashboard(&tray, &TrayController::dashboardRequested);
    QSignalSpy quit(&tray, &TrayController::quitRequested);
    QStringList entries;
    for (QAction* action : tray.contextMenu()->actions())
        if (!action->isSeparator())
            entries << action->text();
    ASSERT_EQ(entries, (QStringList { "打开控制台", "退出" }));
    tray.contextMenu()->actions().first()->trigger();
    tray.contextMenu()->actions().last()->trigger();
    EXPECT_EQ(dashboard.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

} // namespace
