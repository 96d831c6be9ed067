#include "XSession.h"
#include "support/RequiredServices.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

// The real app on a private X server and a private session bus, driven as
// a launcher drives a D-Bus activatable entry: by calls to
// org.freedesktop.Application on com.brivet.Brivet, which start the app
// through its service file when it is not running.
class BusActivationTest : public AppUnderXTest {
protected:
    struct Call {
        int exitCode = -1;
        QString output;
        QString error;
    };

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startDesktop(
            { .tools = { "Xvfb", "openbox", "trayer", "xprop", "xwininfo", "xdotool", "dbus-daemon", "dbus-send", "gdbus" },
                .sessionBus = true,
                .trayHost = true }));
        if (IsSkipped())
            return;
        // A note of the user's, which no call may touch.
        fs::create_directories(folder());
        QJsonObject note { { "id", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() }, { "title", "已有的便签" } };
        writeFile(folder() / "notes.json",
            QJsonDocument(QJsonObject { { "version", 1 }, { "notes", QJsonArray { note } } }).toJson().toStdString());
    }

    void TearDown() override
    {
        AppUnderXTest::TearDown();
        // Instances the bus started for a test are its to end too.
        for (pid_t pid : runningInstances())
            ::kill(pid, SIGTERM);
        (void)QTest::qWaitFor([&] { return runningInstances().empty(); }, 10000);
    }

    fs::path folder() const { return m_session.dataFolder(); }

    // Puts the service file, as installed, where the private bus looks.
    void installServiceFile()
    {
        std::string service = readFile(fs::path(BRIVET_SOURCE_DIR) / "resources/desktop/com.brivet.Brivet.service.in");
        service.replace(service.find("@BRIVET_EXEC@"), 13, appPath().toStdString());
        writeFile(m_session.busServices() / "com.brivet.Brivet.service", service);
    }

    void startApp()
    {
        m_app.setProcessEnvironment(m_session.environment());
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(appPath(), {});
        ASSERT_TRUE(m_app.waitForStarted(5000));
    }

    Call run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_session.environment());
        process.start(program, arguments);
        Call call;
        if (!process.waitForFinished(40000)) {
            process.kill();
            process.waitForFinished(1000);
            call.error = QStringLiteral("timed out");
            return call;
        }
        call.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        call.output = QString::fromUtf8(process.readAllStandardOutput());
        call.error = QString::fromUtf8(process.readAllStandardError());
        return call;
    }

    // A call to the app's interface, as gdbus makes it from the command
    // line (and from the entry's actions).
    Call callApp(const QString& method, const QStringList& arguments) const
    {
        return run("gdbus", QStringList { "call", "--session", "--dest", "com.brivet.Brivet", "--object-path", "/com/brivet/Brivet", "--method", "org.freedesktop.Application." + method } + arguments);
    }

    Call askBus(const QString& method, const QString& argument) const
    {
        return run("gdbus", { "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus." + method, argument });
    }

    bool nameHasOwner() const { return askBus("NameHasOwner", "com.brivet.Brivet").output.contains("true"); }

    // The process that owns the name; 0 when nobody does.
    pid_t nameOwner() const
    {
        QRegularExpressionMatch match = QRegularExpression(R"(uint32 (\d+))")
                                            .match(askBus("GetConnectionUnixProcessID", "com.brivet.Brivet").output);
        return match.hasMatch() ? pid_t(match.captured(1).toInt()) : 0;
    }

    // Every running process of the app in this test's home, whoever
    // started it (other tests run the same program at the same time).
    std::set<pid_t> runningInstances() const
    {
        std::string home = "HOME=" + m_session.home().string();
        home.push_back('\0');
        std::set<pid_t> found;
        std::error_code error;
        fs::path program = fs::canonical(appPath().toStdString(), error);
        for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
            std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::error_code unreadable;
            if (fs::read_symlink(entry.path() / "exe", unreadable) == program) {
                // A zombie still has its exe link until it is reaped.
                std::string status = readFile(entry.path() / "status");
                std::string environment = '\0' + readFile(entry.path() / "environ");
                if (status.find("State:\tZ") == std::string::npos && environment.find('\0' + home) != std::string::npos)
                    found.insert(pid_t(std::stoi(name)));
            }
        }
        return found;
    }

    QJsonArray storedNotes() const
    {
        if (!fs::exists(folder() / "notes.json"))
            return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(folder() / "notes.json"))).object().value("notes").toArray();
    }
    // The notes made by "新建悬笺": new notes start without a title.
    int newNotes() const
    {
        int count = 0;
        for (const QJsonValue& value : storedNotes())
            count += value.toObject().value("title").toString().isEmpty() && value.toObject().value("surfaceRole").toString() != "todayBoard";
        return count;
    }
    bool userNoteKept() const
    {
        for (const QJsonValue& value : storedNotes())
            if (value.toObject().value("title").toString() == "已有的便签")
                return true;
        return false;
    }
};

TEST_F(BusActivationTest, RunningAppDoesEachActionAskedByIdOrTitleAndRefusesOtherCalls)
{
    startApp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return nameHasOwner(); }, 20000)) << "the app never took its name";
    EXPECT_EQ(nameOwner(), pid_t(m_app.processId()));
    qsizetype cards = m_session.visibleWindows().size();

    Call made = callApp("ActivateAction", { "new-note", "[]", "{}" });
    ASSERT_EQ(made.exitCode, 0) << made.error.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return newNotes() == 1 && m_session.visibleWindows().size() == cards + 1; }, 10000))
        << "the new note is not stored and shown: " << newNotes() << " stored";
    made = callApp("ActivateAction", { "新建悬笺", "[]", "{}" });
    ASSERT_EQ(made.exitCode, 0) << made.error.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return newNotes() == 2 && m_session.visibleWindows().size() == cards + 2; }, 10000));

    // Refused, with the reason, and nothing happens: an unknown action, a
    // parameter none of the actions takes, arguments of the wrong types.
    Call unknown = callApp("ActivateAction", { "make-coffee", "[]", "{}" });
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_TRUE(unknown.error.contains("InvalidArgs") && unknown.error.contains("make-coffee")) << unknown.error.toStdString();
    Call parameter = callApp("ActivateAction", { "new-note", "[<1>]", "{}" });
    EXPECT_NE(parameter.exitCode, 0);
    EXPECT_TRUE(parameter.error.contains("InvalidArgs")) << parameter.error.toStdString();
    Call mistyped = run("dbus-send", { "--session", "--print-reply", "--dest=com.brivet.Brivet", "/com/brivet/Brivet", "org.freedesktop.Application.ActivateAction", "int32:7" });
    EXPECT_NE(mistyped.exitCode, 0);
    EXPECT_TRUE(mistyped.error.contains("UnknownMethod")) << mistyped.error.toStdString();
    EXPECT_EQ(m_app.state(), QProcess::Running);

    // The desktop's show-or-hide, by title: all cards away, then back.
    ASSERT_EQ(callApp("ActivateAction", { "显示或隐藏桌面悬笺", "[]", "{}" }).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_session.visibleWindows().isEmpty(); }, 10000));
    ASSERT_EQ(callApp("ActivateAction", { "toggle-notes", "[]", "{}" }).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_session.visibleWindows().size() == cards + 2; }, 10000));

    // Activate is a second launch: the dashboard comes forward.
    ASSERT_EQ(callApp("Activate", { "{'desktop-startup-id': <'test_TIME0'>}" }).exitCode, 0);
    auto dashboardShown = [&] {
        for (const QString& window : m_session.visibleWindows())
            if (m_session.windowName(window).startsWith(QStringLiteral("悬笺控制台")))
                return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(dashboardShown, 10000)) << "no dashboard";
    // It carries the launcher's startup id, for the window manager's focus
    // rules.
    for (const QString& window : m_session.visibleWindows()) {
        if (m_session.windowName(window).startsWith(QStringLiteral("悬笺控制台"))) {
            EXPECT_TRUE(m_session.run("xprop", { "-id", window, "_NET_STARTUP_ID" }).contains("\"test_TIME0\""));
        }
    }

    ::kill(pid_t(m_app.processId()), SIGTERM);
    ASSERT_TRUE(m_app.waitForFinished(10000));
    EXPECT_EQ(newNotes(), 2) << "exactly the notes asked for";
    EXPECT_TRUE(userNoteKept());
}

TEST_F(BusActivationTest, CallToAStoppedAppStartsItThroughTheServiceFileAndActsOnce)
{
    installServiceFile();
    Call made = callApp("ActivateAction", { "new-note", "[]", "{}" });
    ASSERT_EQ(made.exitCode, 0) << made.error.toStdString();
    pid_t owner = nameOwner();
    ASSERT_NE(owner, 0) << "nobody owns the name after the call";
    EXPECT_TRUE(QTest::qWaitFor([&] { return newNotes() == 1; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_session.visibleWindows().isEmpty(); }, 10000)) << "the new note is not shown";
    // A later call goes to the same instance.
    ASSERT_EQ(callApp("ActivateAction", { "new-note", "[]", "{}" }).exitCode, 0);
    EXPECT_EQ(nameOwner(), owner);
    EXPECT_EQ(runningInstances(), std::set<pid_t> { owner });

    ::kill(owner, SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return runningInstances().empty(); }, 10000));
    EXPECT_EQ(newNotes(), 2);
    EXPECT_TRUE(userNoteKept());
}

// A launch and a call that starts the app at the same moment: whichever
// takes the folder runs and owns the name, the other leaves, and the call
// is done once, by the one that runs.
TEST_F(BusActivationTest, LaunchAndActivationAtOnceLeaveOneInstanceThatActsOnce)
{
    installServiceFile();
    startApp();
    Call made = callApp("ActivateAction", { "new-note", "[]", "{}" });
    ASSERT_EQ(made.exitCode, 0) << made.error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return newNotes() == 1; }, 10000));
    pid_t owner = nameOwner();
    ASSERT_NE(owner, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return runningInstances() == std::set<pid_t> { owner }; }, 15000))
        << runningInstances().size() << " instances run";

    ::kill(owner, SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return runningInstances().empty(); }, 10000));
    EXPECT_EQ(newNotes(), 1);
    EXPECT_TRUE(userNoteKept());
}

} // namespace
