#include "ui/DeleteUndoNotices.h"
#include "ui/DesktopNotifications.h"
#include "ui/StateBridge.h"

#include "support/StateFixture.h"

#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

// Answers every Notify at once with the next id, or not at all (no server).
struct FakeServer {
    std::vector<QVariantList> calls;
    uint nextId = 40;
    bool running = true;
    std::vector<QString> unavailable;

    DesktopNotifications::Transport transport()
    {
        return [this](const QVariantList& arguments, std::function<void(std::optional<uint>)> reply) {
            calls.push_back(arguments);
            reply(running ? std::optional<uint>(nextId++) : std::nullopt);
        };
    }
};

TEST(DesktopNotifications, TheNotifyCallCarriesTheNoticeAndItsActions)
{
    DesktopNotifications::Notice notice { QStringLiteral("已删除「a」"), QStringLiteral("正文"),
        { { QStringLiteral("undo"), QStringLiteral("撤销") } }, 15000 };
    QVariantList arguments = DesktopNotifications::notifyArguments(notice);
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), QStringLiteral("悬笺"));
    EXPECT_EQ(arguments[1].toUInt(), 0u) << "a new notice, replacing none";
    EXPECT_EQ(arguments[3].toString(), QStringLiteral("已删除「a」"));
    EXPECT_EQ(arguments[4].toString(), QStringLiteral("正文"));
    EXPECT_EQ(arguments[5].toStringList(), (QStringList { QStringLiteral("undo"), QStringLiteral("撤销") }));
    EXPECT_TRUE(arguments[6].toMap().contains(QStringLiteral("desktop-entry")));
    EXPECT_EQ(arguments[7].toInt(), 15000);
    EXPECT_EQ(arguments[7].metaType(), QMetaType::fromType<int>()) << "the server expects an int32";
}

class DeleteNotices : public ::testing::Test {
protected:
    StateFixture f;
    FakeServer server;
    bool dashboardActive = false;
    StateBridge bridge;
    std::unique_ptr<DesktopNotifications> notifications;
    std::unique_ptr<DeleteUndoNotices> notices;

    AppState& start(std::vector<StickyNote> notes)
    {
        AppState& state = f.launchWith(std::move(notes));
        bridge.attach(state);
        notifications = std::make_unique<DesktopNotifications>(server.transport(),
            [this](const QString& why) { server.unavailable.push_back(why); });
        notices = std::make_unique<DeleteUndoNotices>(state, bridge, *notifications, [this] { return dashboardActive; });
        return state;
    }
    ~DeleteNotices() override
    {
        notices.reset();
        bridge.detach();
    }
};

TEST_F(DeleteNotices, ADeleteAwayFromTheDashboardIsAnnouncedAndItsUndoRestoresThatNote)
{
    StickyNote note = StateFixture::makeNote("买菜");
    StickyNote other = StateFixture::makeNote("其他");
    AppState& state = start({ note, other });
    state.deleteNote(note.id);
    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_EQ(server.calls[0][3].toString(), QStringLiteral("已删除「买菜」"));

    emit notifications->actionInvoked(server.nextId - 1, QStringLiteral("default"));
    EXPECT_FALSE(state.findNote(note.id)) << "only the undo action restores";
    emit notifications->actionInvoked(server.nextId - 1, QStringLiteral("undo"));
    EXPECT_TRUE(state.findNote(note.id));

    dashboardActive = true;
    state.deleteNote(other.id);
    EXPECT_EQ(server.calls.size(), 1u) << "the dashboard's own bar offers it";
}

TEST_F(DeleteNotices, AnUndoAfterTheNoteLeftTheTrashDoesNothing)
{
    StickyNote note = StateFixture::makeNote("gone");
    StickyNote kept = StateFixture::makeNote("kept");
    AppState& state = start({ note, kept });
    state.deleteNote(note.id);
    const uint id = server.nextId - 1;
    state.emptyTrash();
    const std::vector<StickyNote> before = state.notes();
    emit notifications->actionInvoked(id, QStringLiteral("undo"));
    EXPECT_EQ(state.notes(), before);
}

TEST_F(DeleteNotices, WithoutAServerItIsSaidOnceAndDeletesGoOn)
{
    server.running = false;
    StickyNote a = StateFixture::makeNote("a");
    StickyNote b = StateFixture::makeNote("b");
    AppState& state = start({ a, b });
    state.deleteNote(a.id);
    state.deleteNote(b.id);
    EXPECT_EQ(server.unavailable.size(), 1u);
    EXPECT_TRUE(state.notes().empty());
    EXPECT_EQ(state.trash().size(), 2u);
}

} // namespace
