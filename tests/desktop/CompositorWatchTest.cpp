#include "DesktopFixture.h"
#include "DesktopUnderX.h"

#include "desktop/NotePanel.h"

#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace brivet::testing {
namespace {

// Under X: a card is shaped by a mask until another client takes the
// compositing manager's selection, as a compositor starting does, and gets
// its mask back when that client goes away.
class CompositorUnderX final : public DesktopTest {
public:
    void TestBody() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        StickyNote note = makeNote("合成");
        launch({ note });
        NotePanel* panel = controller(note.id)->panel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isMapped(); }, 10000));
        EXPECT_FALSE(panel->mask().isEmpty()) << "without a compositor the card is shaped by a mask";

        xcb_connection_t* compositor = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(xcb_connection_has_error(compositor), 0);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(compositor)).data;
        xcb_window_t owner = xcb_generate_id(compositor);
        xcb_create_window(compositor, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
            XCB_COPY_FROM_PARENT, 0, nullptr);
        const char* name = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom
            = xcb_intern_atom_reply(compositor, xcb_intern_atom(compositor, 0, uint16_t(std::strlen(name)), name), nullptr);
        ASSERT_NE(atom, nullptr);
        xcb_set_selection_owner(compositor, owner, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        xcb_flush(compositor);

        EXPECT_TRUE(QTest::qWaitFor([&] { return panel->mask().isEmpty(); }, 5000)) << "the compositor was not noticed";
        xcb_disconnect(compositor);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->mask().isEmpty(); }, 5000)) << "its leaving was not noticed";
    }
};

} // namespace

void registerCompositorUnderX()
{
    ::testing::RegisterTest(underXSuite, "CardShapeFollowsTheCompositorSelection", nullptr, nullptr, __FILE__, __LINE__,
        []() -> DesktopTest* { return new CompositorUnderX; });
}

} // namespace brivet::testing
