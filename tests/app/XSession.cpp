#include "XSession.h"
#include "support/RequiredServices.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

namespace brivet::testing {

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(2000);
}

XSession::XSession() = default;

XSession::~XSession()
{
    stopProcess(m_trayHost);
    stopProcess(m_windowManager);
    stopProcess(m_bus);
    stopProcess(m_xvfb);
}

std::string XSession::missingTools(const QStringList& tools)
{
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool.toStdString() + " is not installed";
    return {};
}

std::string XSession::startServer()
{
    // Xvfb picks a free display and writes its number once it accepts
    // connections; waiting for the socket file alone races its start.
    m_xvfb.start("Xvfb", { "-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp" });
    if (!m_xvfb.waitForStarted(5000))
        return "Xvfb did not start";
    QByteArray announced;
    (void)QTest::qWaitFor([&] {
        announced += m_xvfb.readAllStandardOutput();
        return announced.contains('\n') || m_xvfb.state() != QProcess::Running;
    }, 15000);
    if (!announced.contains('\n') || m_xvfb.state() != QProcess::Running)
        return "no free X display";
    m_display = QStringLiteral(":") + QString::fromLatin1(announced.trimmed());
    return {};
}

std::string XSession::startWindowManager()
{
    // A window manager that gives up at once (seen now and then on a busy
    // machine) is started again; one that never manages the screen is
    // reported with its output, since what is under test is the app.
    QByteArray output;
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
        m_windowManager.start("openbox", { "--sm-disable" });
        if (!m_windowManager.waitForStarted(5000))
            return "openbox did not start";
        bool managed = QTest::qWaitFor([&] {
            return m_windowManager.state() != QProcess::Running
                || run("xprop", { "-root", "_NET_SUPPORTING_WM_CHECK" }).contains("window id");
        }, 45000) && m_windowManager.state() == QProcess::Running;
        if (managed)
            return {};
        output += m_windowManager.readAll();
        stopProcess(m_windowManager);
    }
    return "openbox did not come up on " + m_display.toStdString() + ": " + output.toStdString();
}

std::string XSession::startTrayHost()
{
    m_trayHost.setProcessEnvironment(environment());
    m_trayHost.setProcessChannelMode(QProcess::MergedChannels);
    m_trayHost.start("trayer", { "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120", "--height",
                                   "28", "--SetDockType", "true", "--SetPartialStrut", "true", "--transparent", "false" });
    if (!m_trayHost.waitForStarted(5000))
        return "trayer did not start";
    bool up = QTest::qWaitFor([&] {
        return m_trayHost.state() != QProcess::Running
            || run("xwininfo", { "-root", "-tree" }).contains(QLatin1String("(\"panel\" \"trayer\")"));
    }, 15000) && m_trayHost.state() == QProcess::Running;
    if (!up)
        return "trayer did not come up: " + m_trayHost.readAll().toStdString();
    return {};
}

std::string XSession::startSessionBus()
{
    std::filesystem::create_directories(busServices());
    // A fixed address, so the bus's own environment (which the processes it
    // starts inherit) can name it.
    QString address = QStringLiteral("unix:path=") + QString::fromStdString((m_home.path() / "bus").string());
    QProcessEnvironment env = environment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    m_bus.setProcessEnvironment(env);
    m_bus.start("dbus-daemon", { "--session", "--nofork", "--nopidfile", "--address=" + address, "--print-address=1" });
    if (!m_bus.waitForStarted(5000))
        return "dbus-daemon did not start";
    QByteArray announced;
    auto addressOrExit = [&] {
        announced += m_bus.readAllStandardOutput();
        return announced.contains('\n') || m_bus.state() != QProcess::Running;
    };
    (void)QTest::qWaitFor(addressOrExit, 10000);
    if (!announced.contains('\n') || m_bus.state() != QProcess::Running)
        return "the session bus did not come up: " + m_bus.readAllStandardError().toStdString();
    m_busAddress = address;
    return {};
}

void XSession::stopTrayHost()
{
    stopProcess(m_trayHost);
}

QStringList XSession::trayIcons(const QString& className) const
{
    QStringList icons;
    QString tree = run("xwininfo", { "-root", "-tree" });
    // Children are listed below their parent, indented further; the icons
    // are the windows of that class anywhere below the tray's panel.
    int trayIndent = -1;
    for (const QString& line : tree.split('\n')) {
        int indent = int(line.size() - line.trimmed().size());
        if (line.contains(QLatin1String("(\"panel\" \"trayer\")"))) {
            trayIndent = indent;
            continue;
        }
        if (trayIndent < 0 || line.trimmed().isEmpty())
            continue;
        if (indent <= trayIndent && line.trimmed().startsWith(QLatin1String("0x"))) {
            trayIndent = -1;
            continue;
        }
        if (line.contains(QStringLiteral("(\"%1\" ").arg(className)))
            icons << line.trimmed().section(' ', 0, 0);
    }
    return icons;
}

QStringList XSession::managedWindows() const
{
    QString list = run("xprop", { "-root", "_NET_CLIENT_LIST" });
    QStringList windows;
    QRegularExpression id(R"(0x[0-9a-fA-F]+)");
    for (auto match = id.globalMatch(list); match.hasNext();)
        windows << match.next().captured(0);
    return windows;
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    env.insert("HOME", QString::fromStdString(m_home.path().string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString((m_home.path() / "data").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((m_home.path() / "config").string()));
    std::filesystem::path runtime = m_home.path() / "runtime";
    if (!std::filesystem::exists(runtime)) {
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    }
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.remove("DBUS_STARTER_ADDRESS");
    env.remove("DBUS_STARTER_BUS_TYPE");
    if (!m_busAddress.isEmpty())
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_busAddress);
    return env;
}

QString XSession::run(const QString& program, const QStringList& arguments) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList XSession::visibleWindows(const QString& className) const
{
    QStringList windows = run("xdotool", { "search", "--onlyvisible", "--classname", className }).split('\n', Qt::SkipEmptyParts);
    QStringList icons = trayIcons(className);
    if (icons.isEmpty())
        return windows;
    // xdotool writes decimal ids, xwininfo hexadecimal ones.
    QSet<qulonglong> embedded;
    for (const QString& icon : icons)
        embedded.insert(icon.toULongLong(nullptr, 0));
    windows.removeIf([&](const QString& window) { return embedded.contains(window.toULongLong(nullptr, 0)); });
    return windows;
}

QRect XSession::geometry(const QString& window) const
{
    QString info = run("xwininfo", { "-id", window });
    auto number = [&](const char* label) {
        QRegularExpressionMatch match = QRegularExpression(QString::fromLatin1(label) + R"(:\s+(-?\d+))").match(info);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"), number("Height"));
}

QString XSession::windowName(const QString& window) const
{
    return run("xdotool", { "getwindowname", window }).trimmed();
}

void XSession::drag(const QPoint& from, const QPoint& to) const
{
    auto at = [](const QPoint& point) { return QStringList { QString::number(point.x()), QString::number(point.y()) }; };
    run("xdotool", QStringList { "mousemove" } + at(from) + QStringList { "mousedown", "1" });
    // The app starts a move only after the pointer has travelled a little;
    // the window manager then follows every motion until the release.
    constexpr int steps = 12;
    for (int step = 1; step <= steps; ++step) {
        QTest::qWait(15);
        run("xdotool", QStringList { "mousemove" } + at(from + (to - from) * step / steps));
    }
    QTest::qWait(30);
    run("xdotool", { "mouseup", "1" });
}

std::filesystem::path XSession::screenshot(const std::string& name) const
{
    std::filesystem::path shot = m_home.path() / name;
    run("import", { "-window", "root", QString::fromStdString(shot.string()) });
    return shot;
}

void AppUnderXTest::TearDown()
{
    stopProcess(m_app);
}

void AppUnderXTest::startDesktop(const XDesktop& desktop)
{
    if (std::string missing = XSession::missingTools(desktop.tools); !missing.empty()) {
        if (desktop.skipEvenWhenRequired)
            GTEST_SKIP() << missing;
        BRIVET_SKIP_WITHOUT_SERVICE(missing);
    }
    ASSERT_TRUE(QFileInfo::exists(appPath())) << "the app is not built";
    if (std::string failure = m_session.startServer(); !failure.empty())
        FAIL() << failure;
    if (desktop.sessionBus)
        if (std::string failure = m_session.startSessionBus(); !failure.empty())
            FAIL() << failure;
    if (std::string failure = m_session.startWindowManager(); !failure.empty()) {
        if (desktop.skipEvenWhenRequired)
            GTEST_SKIP() << failure;
        BRIVET_SKIP_WITHOUT_SERVICE(failure);
    }
    if (desktop.trayHost)
        if (std::string failure = m_session.startTrayHost(); !failure.empty())
            FAIL() << failure;
}

} // namespace brivet::testing
