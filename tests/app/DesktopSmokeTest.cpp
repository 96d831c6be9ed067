#include "XSession.h"
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

// The real app on a private X server with a window manager: the today
// board it generates at launch must appear as a borderless card at its
// stored frame, out of the taskbar, on every workspace, and painted.
class DesktopSmokeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string missing = XSession::missingTools({ "Xvfb", "openbox", "xprop", "xwininfo", "xdotool", "import" });
            !missing.empty())
            GTEST_SKIP() << missing;
        ASSERT_TRUE(QFileInfo::exists(appPath())) << "the app is not built";
        if (std::string failure = m_session.startServer(); !failure.empty())
            FAIL() << failure;
        if (std::string failure = m_session.startWindowManager(); !failure.empty())
            GTEST_SKIP() << failure;
    }

    void TearDown() override { stopProcess(m_app); }

    static QString appPath() { return QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet"); }
    fs::path folder() const { return m_session.dataFolder(); }

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

    XSession m_session;
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

    m_app.setProcessEnvironment(m_session.environment());
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
        for (const QString& window : m_session.visibleWindows())
            if (m_session.geometry(window) == expected)
                card = window;
        return !card.isEmpty();
    }, 15000)) << "no window at " << expected.x() << "," << expected.y() << " " << expected.width() << "x" << expected.height()
               << "; windows: " << m_session.visibleWindows().join(' ').toStdString();

    QString state = m_session.run("xprop", { "-id", card, "_NET_WM_STATE" });
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_TASKBAR")) << state.toStdString();
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_PAGER")) << state.toStdString();
    QString desktop = m_session.run("xprop", { "-id", card, "_NET_WM_DESKTOP" });
    EXPECT_TRUE(desktop.contains("4294967295") || state.contains("_NET_WM_STATE_STICKY")) << desktop.toStdString();
    QString extents = m_session.run("xprop", { "-id", card, "_NET_FRAME_EXTENTS" });
    EXPECT_TRUE(extents.contains("= 0, 0, 0, 0") || extents.contains("not found")) << "borderless: " << extents.toStdString();

    // Painted: the card region holds more than a flat fill.
    fs::path shot = m_session.screenshot("screen.png");
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
