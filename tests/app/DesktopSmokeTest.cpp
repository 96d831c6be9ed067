#include "support/TempDir.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(2000);
}

// The real app on a private X server with a window manager: the today
// board it generates at launch must appear as a borderless card at its
// stored frame, out of the taskbar, on every workspace, and painted.
class DesktopSmokeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        for (const char* tool : { "openbox", "xprop", "xwininfo", "xdotool", "import" })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(QFileInfo::exists(appPath())) << "the app is not built";

        // Xvfb picks a free display and writes its number once it accepts
        // connections; waiting for the socket file alone races its start.
        m_xvfb.start("Xvfb", { "-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp" });
        ASSERT_TRUE(m_xvfb.waitForStarted(5000));
        QByteArray announced;
        (void)QTest::qWaitFor([&] {
            announced += m_xvfb.readAllStandardOutput();
            return announced.contains('\n') || m_xvfb.state() != QProcess::Running;
        }, 15000);
        if (announced.contains('\n') && m_xvfb.state() == QProcess::Running)
            m_display = QStringLiteral(":") + QString::fromLatin1(announced.trimmed());
        ASSERT_FALSE(m_display.isEmpty()) << "no free X display";

        // A window manager that gives up at once (seen now and then on a
        // busy machine) is started again; one that never manages the screen
        // skips the test with its output, since what is under test is the app.
        bool managed = false;
        for (int attempt = 0; attempt < 3 && !managed; ++attempt) {
            m_openbox.setProcessEnvironment(environment());
            m_openbox.setProcessChannelMode(QProcess::MergedChannels);
            m_openbox.start("openbox", { "--sm-disable" });
            ASSERT_TRUE(m_openbox.waitForStarted(5000));
            managed = QTest::qWaitFor([&] {
                return m_openbox.state() != QProcess::Running
                    || run("xprop", { "-root", "_NET_SUPPORTING_WM_CHECK" }).contains("window id");
            }, 45000) && m_openbox.state() == QProcess::Running;
            if (!managed)
                m_openboxOutput += m_openbox.readAll();
        }
        if (!managed)
            GTEST_SKIP() << "openbox did not come up on " << m_display.toStdString() << ": " << m_openboxOutput.toStdString();
    }

    void TearDown() override
    {
        stopProcess(m_app);
        stopProcess(m_openbox);
        stopProcess(m_xvfb);
    }

    static QString appPath() { return QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet"); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("HOME", QString::fromStdString(m_home.path().string()));
        env.insert("XDG_DATA_HOME", QString::fromStdString((m_home.path() / "data").string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((m_home.path() / "config").string()));
        env.remove("QT_QPA_PLATFORM");
        env.remove("WAYLAND_DISPLAY");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        return env;
    }

    QString run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(10000))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    fs::path folder() const { return m_home.path() / "data" / "Brivet"; }

    // The today board's frame once the app has written it.
    std::optional<QJsonObject> storedTodayBoard() const
    {
        if (!fs::exists(folder() / "notes.json"))
            return std::nullopt;
        QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(folder() / "notes.json")));
        for (const QJsonValue& value : document.object().value("notes").toArray())
            if (value.toObject().value("surfaceRole").toString() == "todayBoard" && !value.toObject().value("isHidden").toBool())
                return value.toObject();
        return std::nullopt;
    }

    // Visible top-level windows of the app with their geometry.
    QStringList appWindows() const
    {
        return run("xdotool", { "search", "--onlyvisible", "--classname", "brivet" }).split('\n', Qt::SkipEmptyParts);
    }

    QRect geometry(const QString& window) const
    {
        QString info = run("xwininfo", { "-id", window });
        auto number = [&](const char* label) {
            QRegularExpressionMatch match = QRegularExpression(QString::fromLatin1(label) + R"(:\s+(-?\d+))").match(info);
            return match.hasMatch() ? match.captured(1).toInt() : -1;
        };
        return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"), number("Height"));
    }

    TempDir m_home;
    QString m_display;
    QProcess m_xvfb;
    QByteArray m_openboxOutput;
    QProcess m_openbox;
    QProcess m_app;
};

TEST_F(DesktopSmokeTest, TodayBoardAppearsAsABorderlessStickyCardAtItsFrame)
{
    // A note due today makes the launch generate (and show) a today board.
    fs::create_directories(folder());
    QJsonObject note { { "id", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() }, { "title", "冒烟测试的待办" },
        { "dueDate", QDateTime::currentDateTimeUtc().toString(Qt::ISODate) } };
    QJsonObject file { { "version", 1 }, { "notes", QJsonArray { note } } };
    writeFile(folder() / "notes.json", QJsonDocument(file).toJson().toStdString());

    m_app.setProcessEnvironment(environment());
    m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_app.start(appPath(), {});
    ASSERT_TRUE(m_app.waitForStarted(5000));

    std::optional<QJsonObject> board;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (board = storedTodayBoard()).has_value(); }, 15000)) << "no visible today board stored";
    // Model frames have their origin at the bottom left of the 1080-high
    // screen. The frame is read again each time: a window manager that
    // places the card by itself has that place reported back and stored.
    auto expectedRect = [&] {
        if (auto latest = storedTodayBoard())
            board = latest;
        QJsonObject frame = board->value("frame").toObject();
        return QRect(qRound(frame.value("x").toDouble()),
            qRound(1080 - frame.value("y").toDouble() - frame.value("height").toDouble()),
            qRound(frame.value("width").toDouble()), qRound(frame.value("height").toDouble()));
    };
    QRect expected;
    QString card;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        expected = expectedRect();
        for (const QString& window : appWindows())
            if (geometry(window) == expected)
                card = window;
        return !card.isEmpty();
    }, 15000)) << "no window at " << expected.x() << "," << expected.y() << " " << expected.width() << "x" << expected.height()
               << "; windows: " << appWindows().join(' ').toStdString();

    QString state = run("xprop", { "-id", card, "_NET_WM_STATE" });
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_TASKBAR")) << state.toStdString();
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_PAGER")) << state.toStdString();
    QString desktop = run("xprop", { "-id", card, "_NET_WM_DESKTOP" });
    EXPECT_TRUE(desktop.contains("4294967295") || state.contains("_NET_WM_STATE_STICKY")) << desktop.toStdString();
    QString extents = run("xprop", { "-id", card, "_NET_FRAME_EXTENTS" });
    EXPECT_TRUE(extents.contains("= 0, 0, 0, 0") || extents.contains("not found")) << "borderless: " << extents.toStdString();

    // Painted: the card region holds more than a flat fill.
    fs::path shot = m_home.path() / "screen.png";
    run("import", { "-window", "root", QString::fromStdString(shot.string()) });
    QImage screen(QString::fromStdString(shot.string()));
    ASSERT_FALSE(screen.isNull());
    QImage region = screen.copy(expected.adjusted(20, 20, -20, -20));
    QSet<QRgb> colours;
    for (int y = 0; y < region.height(); y += 2)
        for (int x = 0; x < region.width(); x += 2)
            colours.insert(region.pixel(x, y));
    EXPECT_GT(colours.size(), 20) << "the card looks unpainted";
}

} // namespace
