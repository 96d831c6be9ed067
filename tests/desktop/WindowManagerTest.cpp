#include "DesktopFixture.h"

#include "desktop/NotePanel.h"

#include <QLabel>
#include <QPointer>

namespace brivet::testing {
namespace {

using WindowManagerTest = DesktopTest;

TEST_F(WindowManagerTest, OnePanelPerVisibleNoteRefreshedInPlaceAndClosedWhenHidden)
{
    StickyNote first = makeNote("第一条");
    StickyNote second = makeNote("第二条");
    StickyNote hidden = makeNote("藏起来");
    hidden.isHidden = true;
    launch({ first, second, hidden });

    EXPECT_EQ(windows().panelCount(), 2u);
    ASSERT_NE(controller(first.id), nullptr);
    EXPECT_EQ(controller(hidden.id), nullptr);
    QPointer<NotePanel> firstPanel = controller(first.id)->panel();
    EXPECT_TRUE(firstPanel->isVisible());

    // The same list again only refreshes.
    windows().reconcile(state().notes(), state().preferences());
    EXPECT_EQ(controller(first.id)->panel(), firstPanel.data());

    int reconcilesBefore = counting().reconciles;
    state().hide(first.id);
    EXPECT_EQ(counting().reconciles, reconcilesBefore + 1) << "closing a stale panel causes no second reconcile";
    EXPECT_EQ(controller(first.id), nullptr);
    EXPECT_EQ(windows().panelCount(), 1u);
    processEvents();
    EXPECT_TRUE(firstPanel.isNull()) << "the closed panel goes away";

    // Showing it again builds a fresh panel at the stored frame.
    state().reveal(first.id, SurfacePolicy::bypass, WindowFocus::keep);
    ASSERT_NE(controller(first.id), nullptr);
    NotePanel* again = controller(first.id)->panel();
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(toModelRect(again->geometry()), (Rect { 200, 300, 500, 318 }));
}

TEST_F(WindowManagerTest, EmptyListClosesEverythingAndFocusOfUnknownNoteDoesNothing)
{
    StickyNote note = makeNote("一条");
    launch({ note });
    ASSERT_EQ(windows().panelCount(), 1u);

    windows().focus(Uuid::random());
    windows().reconcile({}, state().preferences());
    EXPECT_EQ(windows().panelCount(), 0u);
    EXPECT_TRUE(stored(note.id).isHidden) << "closing the panel hides its note";
}

TEST_F(WindowManagerTest, CardOfAVanishedNoteSaysSo)
{
    StickyNote note = makeNote("会被删");
    launch({ note });
    // A card that redraws after its note went, before the next reconcile.
    StickyNoteView orphan(windows().environment(), Uuid::random(), 42, 10);
    auto* label = orphan.findChild<QLabel*>("missingNote");
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(label->text(), QStringLiteral("便签不存在"));

    state().deleteNote(note.id);
    EXPECT_EQ(controller(note.id), nullptr);
}

} // namespace
} // namespace brivet::testing
