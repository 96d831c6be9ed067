#include "XSession.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "support/RequiredServices.h"
#include "support/StateFixture.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The real app on a private X server and a private session bus with a
// real notification server (dunst). What the app asked the server to show
// is read off the bus; a button is pressed through dunst's context menu,
// whose chooser is a script that picks the line the test names.
class ReminderNoticesSmokeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string missing = XSession::missingTools({ "Xvfb", "dunst", "dunstctl", "dbus-daemon", "dbus-monitor" });
            !missing.empty()) {
            BRIVET_SKIP_WITHOUT_SERVICE(missing);
        }
        ASSERT_TRUE(QFileInfo::exists(appPath())) << "the app is not built";
        if (std::string failure = m_session.startServer(); !failure.empty())
            FAIL() << failure;

        m_bus.start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--print-address=1" });
        ASSERT_TRUE(m_bus.waitForReadyRead(10000)) << "no session bus";
        m_environment = m_session.environment();
        m_environment.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(m_bus.readLine()).trimmed());

        const fs::path chooser = m_session.home() / "choose.sh";
        writeFile(chooser, "#!/bin/sh\ngrep -m1 -F \"$(cat '" + choice().string() + "')\"\n");
        fs::permissions(chooser, fs::perms::owner_all);
        writeFile(m_session.home() / "dunstrc", "[global]\ndmenu = " + chooser.string() + "\n");
        m_server.setProcessEnvironment(m_environment);
        m_server.start(QStringLiteral("dunst"), { "-config", QString::fromStdString((m_session.home() / "dunstrc").string()) });
        ASSERT_TRUE(m_server.waitForStarted(5000));
        m_monitor.setProcessEnvironment(m_environment);
        m_monitor.start(QStringLiteral("dbus-monitor"), { "interface='org.freedesktop.Notifications',member='Notify'" });
        ASSERT_TRUE(m_monitor.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return run("dunstctl", { "is-paused" }).contains("false"); }, 10000))
            << "dunst did not come up";
    }

    void TearDown() override
    {
        stopProcess(m_app);
        stopProcess(m_monitor);
        stopProcess(m_server);
        stopProcess(m_bus);
    }

    static QString appPath() { return QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet"); }
    fs::path choice() const { return m_session.home() / "choice"; }

    void writeFiles(const std::vector<StickyNote>& notes, Instant handledUntil)
    {
        const UserCalendar calendar;
        AppPreferences preferences = AppPreferences::defaultValue(calendar, now());
        preferences.autoGenerateFocusBoard = false;
        preferences.noticesHandledUntil = handledUntil;
        fs::create_directories(m_session.dataFolder());
        writeFile(m_session.dataFolder() / "notes.json", encodeNotesFile(notes));
        writeFile(m_session.dataFolder() / "preferences.json", encodePreferencesFile(preferences));
    }

    void startApp()
    {
        m_app.setProcessEnvironment(m_environment);
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(appPath(), {});
        ASSERT_TRUE(m_app.waitForStarted(5000));
    }

    QString run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        if (!process.waitForFinished(10000))
            process.kill();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // The Notify calls seen on the bus so far, each as the text dbus-monitor
    // printed for it.
    QStringList notifyCalls()
    {
        m_seen += QString::fromUtf8(m_monitor.readAllStandardOutput());
        QStringList calls = m_seen.split(QStringLiteral("method call"), Qt::SkipEmptyParts);
        calls.removeIf([](const QString& call) { return !call.contains(QLatin1String("member=Notify")); });
        return calls;
    }

    QStringList waitForNotifyCalls(qsizetype count)
    {
        (void)QTest::qWaitFor([&] { return notifyCalls().size() >= count; }, 30000);
        // A little longer, so a duplicate would be seen too.
        QTest::qWait(1500);
        return notifyCalls();
    }

    static bool hasButtons(const QString& call)
    {
        for (const char* label : { "\"完成\"", "\"稍后 1 小时\"", "\"打开\"" })
            if (!call.contains(QString::fromUtf8(label)))
                return false;
        return true;
    }

    static Instant now()
    {
        return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
    }

    XSession m_session;
    QProcessEnvironment m_environment;
    QProcess m_bus;
    QProcess m_server;
    QProcess m_monitor;
    QProcess m_app;
    QString m_seen;
};

TEST_F(ReminderNoticesSmokeTest, AReturningDeferralAndADueNoteEachRaiseOneNoticeAndItsCompleteButtonReachesTheFile)
{
    StickyNote back = StateFixture::makeNote("稍后再读");
    back.deferredUntil = now() + 6s;
    back.isHidden = true;
    StickyNote due = StateFixture::makeNote("交报告", now() + 6s);
    writeFiles({ back, due }, now());
    startApp();

    QStringList calls = waitForNotifyCalls(2);
    ASSERT_EQ(calls.size(), 2) << calls.join('\n').toStdString();
    const QString returned = calls.filter(QStringLiteral("稍后的便签回来了")).value(0);
    const QString fallsDue = calls.filter(QStringLiteral("到期：交报告")).value(0);
    EXPECT_TRUE(returned.contains(QStringLiteral("稍后再读")));
    EXPECT_TRUE(hasButtons(returned)) << returned.toStdString();
    EXPECT_TRUE(hasButtons(fallsDue)) << fallsDue.toStdString();

    writeFile(choice(), "#完成 (到期：交报告)");
    run("dunstctl", { "context" });
    const fs::path notesFile = m_session.dataFolder() / "notes.json";
    auto completed = [&] {
        auto decoded = decodeNotesFile(readFile(notesFile), now());
        if (!std::holds_alternative<std::vector<StickyNote>>(decoded))
            return false;
        for (const StickyNote& note : std::get<std::vector<StickyNote>>(decoded))
            if (note.id == due.id)
                return note.isCompleted;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(completed, 15000)) << "the note is completed in the file";
}

TEST_F(ReminderNoticesSmokeTest, ALaunchAfterASleepPastFiveDueTimesRaisesOneSummary)
{
    std::vector<StickyNote> notes;
    for (int i = 1; i <= 5; ++i)
        notes.push_back(StateFixture::makeNote("事项" + std::to_string(i), now() - std::chrono::hours(i)));
    writeFiles(notes, now() - 6h);
    startApp();

    QStringList calls = waitForNotifyCalls(1);
    ASSERT_EQ(calls.size(), 1) << calls.join('\n').toStdString();
    EXPECT_TRUE(calls[0].contains(QStringLiteral("5 条便签到时间了"))) << calls[0].toStdString();
}

} // namespace
