#include "XSession.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

// The real app on a private X server with openbox and, where the test asks
// for one, an XEmbed tray host: the icon in the tray is the way in; without
// a tray the dashboard opens instead.
class TraySmokeTest : public AppUnderXTest {
protected:
    void SetUp() override
    {
        startDesktop({ .tools = { "Xvfb", "openbox", "trayer", "xprop", "xwininfo", "xdotool" }, .skipEvenWhenRequired = true });
    }

    fs::path folder() const { return m_session.dataFolder(); }

    void startApp()
    {
        m_app.setProcessEnvironment(m_session.environment());
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(appPath(), {});
        ASSERT_TRUE(m_app.waitForStarted(5000));
    }

    bool filesWritten() const
    {
        for (const char* name : { "notes.json", "preferences.json" }) {
            fs::path file = folder() / name;
            if (!fs::exists(file) || QJsonDocument::fromJson(QByteArray::fromStdString(readFile(file))).isNull())
                return false;
        }
        return true;
    }

    QString property(const QString& window, const char* name) const
    {
        return m_session.run("xprop", { "-id", window, QString::fromLatin1(name) });
    }

    // The app's windows the window manager shows as ordinary windows, by
    // decimal id as xdotool gives them.
    QStringList ordinaryWindows() const
    {
        QStringList ordinary;
        for (QString window : m_session.managedWindows()) {
            window = QString::number(window.toULongLong(nullptr, 0));
            if (!property(window, "WM_CLASS").contains(QLatin1String("\"brivet\"")))
                continue;
            // The window manager goes by the first type it knows; Qt lists
            // NORMAL last as a fallback for every window.
            QString type = property(window, "_NET_WM_WINDOW_TYPE").section('=', 1).section(',', 0, 0).trimmed();
            if (type == QLatin1String("_NET_WM_WINDOW_TYPE_NORMAL") || type.isEmpty())
                ordinary << window;
        }
        return ordinary;
    }

    QString visibleWindowNamed(const QString& title) const
    {
        QStringList found = m_session.run("xdotool", { "search", "--onlyvisible", "--name", title }).split('\n', Qt::SkipEmptyParts);
        return found.isEmpty() ? QString() : found.first();
    }

    // The panel: the app's visible window 360 wide.
    QString visiblePanel() const
    {
        for (const QString& window : m_session.visibleWindows())
            if (m_session.geometry(window).width() == 360)
                return window;
        return {};
    }

    QString waitForTrayIcon()
    {
        QString icon;
        (void)QTest::qWaitFor([&] {
            QStringList icons = m_session.trayIcons();
            icon = icons.isEmpty() ? QString() : icons.first();
            return !icon.isEmpty() && m_session.geometry(icon).width() > 0;
        }, 15000);
        return icon;
    }

    // Moves the pointer there and clicks. (A synchronous move to where the
    // pointer already is would wait for a motion that never comes.)
    void clickAt(QPoint point, int button) const
    {
        m_session.run("xdotool", { "mousemove", QString::number(point.x()), QString::number(point.y()), "sleep", "0.2",
                                     "click", QString::number(button) });
    }

    // The window class the desktop entry promises.
    static QString startupWmClass()
    {
        std::string entry = readFile(fs::path(BRIVET_SOURCE_DIR) / "resources/desktop/com.brivet.Brivet.desktop.in");
        QRegularExpressionMatch match = QRegularExpression("StartupWMClass=(\\S+)").match(QString::fromStdString(entry));
        return match.captured(1);
    }
};

TEST_F(TraySmokeTest, TrayIconOpensThePanelSurvivesTheHostAndQuitsFromItsMenu)
{
    if (std::string failure = m_session.startTrayHost(); !failure.empty())
        GTEST_SKIP() << failure;
    startApp();

    QString icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "no icon embedded in the tray";
    ASSERT_TRUE(QTest::qWaitFor([&] { return filesWritten(); }, 15000));
    EXPECT_TRUE(ordinaryWindows().isEmpty()) << ordinaryWindows().join(' ').toStdString();
    EXPECT_TRUE(visibleWindowNamed("悬笺控制台").isEmpty()) << "the dashboard is hidden at launch";

    // A click on the icon maps the panel next to it.
    QRect iconRect = m_session.geometry(icon);
    clickAt(iconRect.center(), 1);
    QString panel;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(panel = visiblePanel()).isEmpty(); }, 10000)) << "no panel after the click";
    QRect panelRect = m_session.geometry(panel);
    EXPECT_LT(std::abs(panelRect.center().x() - iconRect.center().x()), 360) << "the panel opens near the icon";
    EXPECT_LT(panelRect.top() - iconRect.bottom(), 40);
    EXPECT_TRUE(property(panel, "_NET_WM_STATE").contains("_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_TRUE(property(panel, "WM_CLASS").contains("\"" + startupWmClass() + "\"")) << startupWmClass().toStdString();
    EXPECT_TRUE(ordinaryWindows().isEmpty());
    // Escape closes it.
    m_session.run("xdotool", { "key", "Escape" });
    EXPECT_TRUE(QTest::qWaitFor([&] { return visiblePanel().isEmpty(); }, 5000)) << "Escape left the panel open";

    // A second launch brings the dashboard forward and leaves at once,
    // without touching the files.
    QTest::qWait(700);
    std::string notesBefore = readFile(folder() / "notes.json");
    auto stampBefore = fs::last_write_time(folder() / "notes.json");
    QProcess second;
    second.setProcessEnvironment(m_session.environment());
    second.start(appPath(), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    QString dashboard;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(dashboard = visibleWindowNamed("悬笺控制台")).isEmpty(); }, 10000));
    EXPECT_EQ(ordinaryWindows(), QStringList { dashboard }) << "the dashboard is an ordinary window";
    EXPECT_EQ(fs::last_write_time(folder() / "notes.json"), stampBefore);
    EXPECT_EQ(readFile(folder() / "notes.json"), notesBefore);

    // The tray goes away and comes back: the icon returns, the app lives on.
    m_session.stopTrayHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_session.trayIcons().isEmpty(); }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(m_app.state(), QProcess::Running);
    ASSERT_EQ(m_session.startTrayHost(), "");
    icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "the icon did not come back with the tray";

    // "退出" in the icon's menu ends the app cleanly.
    iconRect = m_session.geometry(icon);
    // The menu is a window of its own; a click that reaches the icon
    // before it is ready is tried again.
    qsizetype shown = m_session.visibleWindows().size();
    bool menuOpen = false;
    for (int attempt = 0; attempt < 5 && !menuOpen; ++attempt) {
        clickAt(iconRect.center(), 3);
        menuOpen = QTest::qWaitFor([&] { return m_session.visibleWindows().size() > shown; }, 2000);
    }
    ASSERT_TRUE(menuOpen) << "the icon's menu did not open";
    m_session.run("xdotool", { "key", "Up", "Return" });
    ASSERT_TRUE(m_app.waitForFinished(10000)) << "still running after 退出";
    EXPECT_EQ(m_app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app.exitCode(), 0);
    EXPECT_TRUE(filesWritten());
    EXPECT_TRUE(fs::is_empty(m_session.home() / "runtime" / "brivet")) << "the hand-over socket is removed at exit";
}

TEST_F(TraySmokeTest, WithoutATrayTheDashboardOpensAndTheIconFollowsALaterTray)
{
    startApp();
    QString dashboard;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(dashboard = visibleWindowNamed("悬笺控制台")).isEmpty(); }, 15000))
        << "no dashboard without a tray host";
    QRect frame = m_session.geometry(dashboard);
    EXPECT_EQ(frame.size(), QSize(1080, 720));
    EXPECT_TRUE(property(dashboard, "WM_NORMAL_HINTS").contains("minimum size: 920 by 640"))
        << property(dashboard, "WM_NORMAL_HINTS").toStdString();

    if (std::string failure = m_session.startTrayHost(); !failure.empty())
        GTEST_SKIP() << failure;
    EXPECT_FALSE(waitForTrayIcon().isEmpty()) << "the icon did not appear once a tray host did";

    ::kill(static_cast<pid_t>(m_app.processId()), SIGTERM);
    ASSERT_TRUE(m_app.waitForFinished(10000));
    EXPECT_EQ(m_app.exitCode(), 0);
    EXPECT_TRUE(filesWritten());
}

} // namespace
