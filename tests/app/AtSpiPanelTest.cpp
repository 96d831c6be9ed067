#include "XSession.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "support/RequiredServices.h"
#include "support/StateFixture.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>

using namespace brivet;
using namespace brivet::testing;

namespace {

// The real app with an XEmbed tray on a private X server and a private
// session bus on which the AT-SPI registry is started on demand, as on a
// desktop with a screen reader: a script finds the tray icon under the
// app, opens the panel with it, reads the panel and opens the dashboard,
// through the accessibility tree alone.
class AtSpiPanelTest : public AppUnderXTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startDesktop(
            { .tools = { "Xvfb", "openbox", "trayer", "xprop", "xwininfo", "xdotool", "dbus-daemon", "python3" }, .trayHost = true }));
        if (IsSkipped())
            return;
        if (!QFileInfo::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher"))) {
            BRIVET_SKIP_WITHOUT_SERVICE("at-spi2-core is not installed");
        }
        if (QProcess::execute(python(), { "-c", "import pyatspi" }) != 0) {
            BRIVET_SKIP_WITHOUT_SERVICE("python3-pyatspi is not installed");
        }
        ASSERT_NO_FATAL_FAILURE(startBus());
    }

    void TearDown() override
    {
        AppUnderXTest::TearDown();
        stopProcess(m_bus);
    }

    // The system's Python, which the distribution's AT-SPI bindings are
    // installed for, before any other on the path.
    static QString python()
    {
        QString system = QStandardPaths::findExecutable(QStringLiteral("python3"), { QStringLiteral("/usr/bin") });
        return system.isEmpty() ? QStringLiteral("python3") : system;
    }

    // A session bus of the test's own; the AT-SPI bus launcher and
    // registry it starts on demand live and go with it.
    void startBus()
    {
        m_bus.setProcessEnvironment(m_session.environment());
        m_bus.start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--print-address=1" });
        ASSERT_TRUE(m_bus.waitForStarted(5000));
        QByteArray address;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            address += m_bus.readAllStandardOutput();
            return address.contains('\n');
        },
            10000))
            << "the session bus did not say its address";
        m_environment = m_session.environment();
        m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address.trimmed()));
        m_environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    }

    // One note and the tray titled after the current task, so that the
    // icon's description is the note's title and not the app's name.
    void writeFiles(const std::string& title)
    {
        const UserCalendar calendar;
        AppPreferences preferences
            = AppPreferences::defaultValue(calendar, std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now()));
        preferences.menuBarTitleMode = MenuBarTitleMode::currentTask;
        preferences.autoGenerateFocusBoard = false;
        std::filesystem::create_directories(m_session.dataFolder());
        writeFile(m_session.dataFolder() / "notes.json", encodeNotesFile({ StateFixture::makeNote(title) }));
        writeFile(m_session.dataFolder() / "preferences.json", encodePreferencesFile(preferences));
    }

    QString visibleWindowNamed(const QString& title) const
    {
        QStringList found = m_session.run("xdotool", { "search", "--onlyvisible", "--name", title }).split('\n', Qt::SkipEmptyParts);
        return found.isEmpty() ? QString() : found.first();
    }

    QProcess m_bus;
    QProcessEnvironment m_environment;
};

TEST_F(AtSpiPanelTest, TrayIconPanelSectionsAndDashboardActionThroughTheAccessibilityTree)
{
    const QString statusTitle = QStringLiteral("整理季度复盘");
    writeFiles(statusTitle.toStdString());
    QElapsedTimer timer;
    timer.start();
    m_app.setProcessEnvironment(m_environment);
    m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_app.start(appPath(), {});
    ASSERT_TRUE(m_app.waitForStarted(5000));
    QString icon;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QStringList icons = m_session.trayIcons();
        icon = icons.isEmpty() ? QString() : icons.first();
        return !icon.isEmpty() && m_session.geometry(icon).width() > 0;
    },
        15000))
        << "no icon in the tray";
    EXPECT_TRUE(visibleWindowNamed(QStringLiteral("悬笺控制台")).isEmpty()) << "the dashboard is hidden at launch";

    QProcess script;
    script.setProcessEnvironment(m_environment);
    script.start(python(), { QStringLiteral(BRIVET_SOURCE_DIR "/tests/app/panel_through_atspi.py"), statusTitle });
    ASSERT_TRUE(script.waitForStarted(5000));
    bool finished = script.waitForFinished(90000);
    QString output = QString::fromUtf8(script.readAllStandardOutput() + script.readAllStandardError());
    if (!finished)
        stopProcess(script);
    std::cout << output.toStdString();
    ASSERT_TRUE(finished) << "the script did not finish";
    EXPECT_EQ(script.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("icon: 悬笺, push button, description ") + statusTitle)) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("opened: 悬笺面板"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("sections: "))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("pressed: 控制台"))) << output.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !visibleWindowNamed(QStringLiteral("悬笺控制台")).isEmpty(); }, 10000))
        << "the dashboard did not open";
    std::cout << "through AT-SPI in " << timer.elapsed() << " ms\n";
}

} // namespace
