#pragma once

#include "support/TempDir.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace brivet::testing {

// Ends a child process: SIGTERM, then SIGKILL if it lingers.
void stopProcess(QProcess& process);

// A private X server for one test, with an optional window manager
// (openbox), a private home and data folder, and the X tools the tests
// read windows with. Everything it starts is stopped when it goes.
class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Empty when the tools are there; otherwise why the test should skip.
    static std::string missingTools(const QStringList& tools);

    // Starts Xvfb (1920 x 1080) on a free display. Returns an empty string,
    // or what went wrong.
    std::string startServer();
    // Starts openbox and waits until it manages the screen; an empty
    // string, or openbox's own output when it never did.
    std::string startWindowManager();
    // Starts an XEmbed tray host (trayer, a strip at the top right) and
    // waits for its window; an empty string or what went wrong.
    std::string startTrayHost();
    // Starts a private session bus whose service files are looked up
    // under the private home's data folder (busServices()), as a desktop's
    // bus looks in the user's; every process started from now on in
    // environment() uses it. An empty string, or what went wrong.
    std::string startSessionBus();
    std::filesystem::path busServices() const { return m_home.path() / "data" / "dbus-1" / "services"; }
    QString busAddress() const { return m_busAddress; }
    // Ends the tray host, as when a panel crashes or is restarted.
    void stopTrayHost();
    // The tray icon windows of class `className` embedded in the tray host.
    QStringList trayIcons(const QString& className = QStringLiteral("brivet")) const;
    // Windows the window manager manages (_NET_CLIENT_LIST).
    QStringList managedWindows() const;

    const QString& display() const { return m_display; }
    const std::filesystem::path& home() const { return m_home.path(); }
    // The app's data folder inside the private home.
    std::filesystem::path dataFolder() const { return m_home.path() / "data" / "Brivet"; }

    // The environment of a process on this display with the private home
    // (and a private runtime folder).
    QProcessEnvironment environment() const;
    // Runs a tool on this display and returns its standard output (empty
    // when it does not finish within 10 s).
    QString run(const QString& program, const QStringList& arguments) const;

    // Visible windows whose class name is `className`, without the icons
    // embedded in a tray: the app's own top-level windows.
    QStringList visibleWindows(const QString& className = QStringLiteral("brivet")) const;
    // A window's root position and size as xwininfo reports it.
    QRect geometry(const QString& window) const;
    // A window's title (_NET_WM_NAME or WM_NAME).
    QString windowName(const QString& window) const;
    // Drags with the left button from `from` to `to` in small steps, as a
    // hand would, and lets go.
    void drag(const QPoint& from, const QPoint& to) const;
    // Saves a screenshot of the whole screen and returns its path.
    std::filesystem::path screenshot(const std::string& name) const;

private:
    TempDir m_home;
    QString m_display;
    QProcess m_xvfb;
    QProcess m_windowManager;
    QProcess m_trayHost;
    QProcess m_bus;
    QString m_busAddress;
};

// What an app test needs of its private desktop: the X tools it runs (the
// X server and openbox among them) and what it starts besides the server
// and the window manager.
struct XDesktop {
    QStringList tools;
    // A private session bus, started before the window manager.
    bool sessionBus = false;
    // An XEmbed tray host, started last.
    bool trayHost = false;
    // A missing tool or a window manager that never came up skips the test
    // even where every test is required.
    bool skipEvenWhenRequired = false;
};

// A test of the built app on a private X session; the app's process is
// ended after each test.
class AppUnderXTest : public ::testing::Test {
protected:
    void TearDown() override;

    static QString appPath() { return QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet"); }

    // Starts the X server, then what `desktop` asks for. A missing tool or
    // window manager skips the test (fails it under
    // BRIVET_REQUIRE_ALL_TESTS=1 unless asked otherwise); an app not built
    // or a server, bus or tray host that did not start fails it. Called in
    // SetUp under ASSERT_NO_FATAL_FAILURE; what follows it there returns
    // first when IsSkipped().
    void startDesktop(const XDesktop& desktop);

    XSession m_session;
    QProcess m_app;
};

} // namespace brivet::testing
