#include "DashboardFixture.h"

#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardTemplatesView.h"
#include "dashboard/DashboardTrashView.h"
#include "dashboard/NoteListView.h"
#include "dashboard/SettingsView.h"
#include "support/qt/AccessibilityAudit.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>

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

} // namespace
