#include "ui/DeleteUndoNotices.h"
#include "ui/DesktopNotifications.h"
#include "ui/ReminderDesktopNotices.h"
#include "ui/StateBridge.h"

#include "support/StateFixture.h"

#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

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

namespace {

class ReminderNoticesOnTheDesktop : public ::testing::Test {
protected:
    StateFixture f;
    FakeServer server;
    int dashboardOpened = 0;
    std::unique_ptr<DesktopNotifications> notifications;
    std::unique_ptr<ReminderDesktopNotices> notices;

    AppState& start(std::vector<StickyNote> notes)
    {
        AppState& state = f.launchWith(std::move(notes));
        notifications = std::make_unique<DesktopNotifications>(server.transport(),
            [this](const QString& why) { server.unavailable.push_back(why); });
        notices = std::make_unique<ReminderDesktopNotices>(state, f.scheduler, *notifications, [this] { ++dashboardOpened; });
        f.scheduler.runDue();
        return state;
    }
    static QStringList actionLabels(const QVariantList& call)
    {
        QStringList labels;
        QStringList actions = call[5].toStringList();
        for (qsizetype i = 1; i < actions.size(); i += 2)
            labels << actions[i];
        return labels;
    }
    Instant now() const { return f.clock.now(); }
};

TEST_F(ReminderNoticesOnTheDesktop, ANoteReturningAgainReplacesItsNoticeAndItsButtonsReachTheNote)
{
    StickyNote note = StateFixture::makeNote("读书");
    AppState& state = start({ note });
    state.deferNote(note.id, now() + 1h);
    f.scheduler.advance(1h);
    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_EQ(server.calls[0][1].toUInt(), 0u);
    EXPECT_EQ(server.calls[0][3].toString(), QStringLiteral("稍后的便签回来了"));
    EXPECT_EQ(server.calls[0][4].toString(), QStringLiteral("读书"));
    EXPECT_EQ(actionLabels(server.calls[0]), (QStringList { "完成", "稍后 1 小时", "打开" }));
    const uint first = server.nextId - 1;

    emit notifications->actionInvoked(first, QStringLiteral("later"));
    emit notifications->actionInvoked(first, QStringLiteral("later"));
    EXPECT_EQ(state.findNote(note.id)->deferredUntil, now() + 1h) << "twice is the same hour";
    f.scheduler.advance(1h);
    ASSERT_EQ(server.calls.size(), 2u) << "one notice per return";
    EXPECT_EQ(server.calls[1][1].toUInt(), first) << "the earlier notice is replaced, not stacked";

    const uint second = server.nextId - 1;
    emit notifications->actionInvoked(second, QStringLiteral("complete"));
    emit notifications->actionInvoked(second, QStringLiteral("complete"));
    EXPECT_TRUE(state.findNote(note.id)->isCompleted);
    emit notifications->actionInvoked(second, QStringLiteral("open"));
    EXPECT_EQ(state.findNote(note.id)->displayMode, NoteDisplayMode::detail);
    EXPECT_EQ(state.notes().size(), 1u);
}

TEST_F(ReminderNoticesOnTheDesktop, AServerThatGoesAndComesBackIsSaidOnceAndItsNewIdsAreNotConfused)
{
    StickyNote a = StateFixture::makeNote("a", now() + 1h);
    StickyNote b = StateFixture::makeNote("b", now() + 2h);
    StickyNote c = StateFixture::makeNote("c", now() + 3h);
    AppState& state = start({ a, b, c });
    f.scheduler.advance(1h);
    const uint idOfA = server.nextId - 1;
    server.running = false;
    f.scheduler.advance(1h);
    EXPECT_EQ(server.unavailable.size(), 1u);
    EXPECT_FALSE(state.findNote(b.id)->isCompleted);

    // The server restarts and counts from the start again: the id it gave
    // a now means c.
    server.running = true;
    server.nextId = idOfA;
    f.scheduler.advance(1h);
    ASSERT_EQ(server.calls.size(), 3u);
    EXPECT_EQ(server.calls[2][1].toUInt(), 0u);
    emit notifications->actionInvoked(idOfA, QStringLiteral("complete"));
    EXPECT_TRUE(state.findNote(c.id)->isCompleted);
    EXPECT_FALSE(state.findNote(a.id)->isCompleted);
    EXPECT_EQ(server.unavailable.size(), 1u) << "said once";
}

TEST_F(ReminderNoticesOnTheDesktop, BesideTheDeleteNoticesAGoneNoteIgnoresItsButtonsAndNoServerIsSaidOnce)
{
    StickyNote rent = StateFixture::makeNote("交房租", now() + 1h);
    StickyNote call = StateFixture::makeNote("回电话", now() + 2h);
    AppState& state = start({ rent, call });
    StateBridge bridge;
    bridge.attach(state);
    auto deletes = std::make_unique<DeleteUndoNotices>(state, bridge, *notifications, [] { return false; });
    f.scheduler.advance(1h);
    ASSERT_EQ(server.calls.size(), 1u);
    const uint rentNotice = server.nextId - 1;

    // Notices off, then the note deleted: its notice's buttons make nothing
    // again and touch no other note.
    state.updatePreferences([](AppPreferences& p) { p.noticesEnabled = false; });
    state.deleteNote(rent.id);
    ASSERT_EQ(server.calls.size(), 2u) << "the undo notice";
    const std::vector<StickyNote> before = state.notes();
    for (const char* action : { "open", "complete", "later" })
        emit notifications->actionInvoked(rentNotice, QString::fromLatin1(action));
    EXPECT_EQ(state.notes(), before);
    EXPECT_EQ(state.trash().size(), 1u);

    // The server goes: one line for both kinds of notice.
    server.running = false;
    state.updatePreferences([](AppPreferences& p) { p.noticesEnabled = true; });
    f.scheduler.advance(1h);
    state.deleteNote(call.id);
    EXPECT_EQ(server.calls.size(), 4u);
    EXPECT_EQ(server.unavailable.size(), 1u);
    deletes.reset();
    bridge.detach();
}

TEST_F(ReminderNoticesOnTheDesktop, AManyNoticeMomentIsOneSummaryWhoseButtonOpensTheDashboard)
{
    std::vector<StickyNote> notes;
    for (const char* title : { "一", "二", "三", "四", "五" })
        notes.push_back(StateFixture::makeNote(title, now() + 10min));
    start(notes);
    f.scheduler.suspend(1h);
    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_EQ(server.calls[0][3].toString(), QStringLiteral("5 条便签到时间了"));
    EXPECT_EQ(actionLabels(server.calls[0]), (QStringList { "打开" }));
    emit notifications->actionInvoked(server.nextId - 1, QStringLiteral("open"));
    EXPECT_EQ(dashboardOpened, 1);
}

} // namespace
