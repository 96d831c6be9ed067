#include "XSession.h"
#include "support/RequiredServices.h"
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
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

// The real app on a private X server with a window manager: the today
// board it generates at launch must appear as a borderless card at its
// stored frame, out of the taskbar, on every workspace, and painted.
class DesktopSmokeTest : public AppUnderXTest {
protected:
    // As on a desktop: with a tray to live in, the app shows its cards and
    // no other window.
    void SetUp() override
    {
        startDesktop({ .tools = { "Xvfb", "openbox", "trayer", "xprop", "xwininfo", "xdotool", "import" }, .trayHost = true });
    }

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

    void startApp()
    {
        m_app.setProcessEnvironment(m_session.environment());
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(appPath(), {});
        ASSERT_TRUE(m_app.waitForStarted(5000));
    }

    // Stops the app the way a session does; pending changes are written.
    void stopApp()
    {
        ::kill(static_cast<pid_t>(m_app.processId()), SIGTERM);
        ASSERT_TRUE(m_app.waitForFinished(10000)) << "the app did not quit on SIGTERM";
    }

    QJsonArray storedNotes() const
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(folder() / "notes.json"))).object().value("notes").toArray();
    }

    // A stored model frame (origin at the bottom left of the 1080-high
    // screen) as the X rectangle the window should occupy.
    static QRect screenRect(const QJsonObject& frame)
    {
        return QRect(qRound(frame.value("x").toDouble()),
            qRound(1080 - frame.value("y").toDouble() - frame.value("height").toDouble()),
            qRound(frame.value("width").toDouble()), qRound(frame.value("height").toDouble()));
    }

    // The visible cards by window title once `count` of them are on screen
    // and the window manager has had time to place them; each value is the
    // root geometry X reports.
    std::map<QString, QRect> settledCards(qsizetype count)
    {
        bool shown = QTest::qWaitFor([&] { return m_session.visibleWindows().size() >= count; }, 15000);
        EXPECT_TRUE(shown) << "windows: " << m_session.visibleWindows().join(' ').toStdString();
        // Long enough for the window manager's reparenting and for any
        // frame report it causes to be debounced and taken.
        QTest::qWait(500);
        std::map<QString, QRect> cards;
        for (const QString& window : m_session.visibleWindows())
            // Qt adds the application's name to a window's title.
            cards[m_session.windowName(window).section(QStringLiteral(" \u2014 "), 0, 0)] = m_session.geometry(window);
        return cards;
    }

    // Every card's stored frame agrees with where X shows it, within a pixel.
    void expectStoredFramesMatch(const std::map<QString, QRect>& cards, const char* when)
    {
        QJsonArray notes = storedNotes();
        for (const auto& [title, shown] : cards) {
            SCOPED_TRACE(std::string(when) + ": " + title.toStdString());
            std::optional<QRect> stored;
            for (const QJsonValue& value : notes)
                if (value.toObject().value("title").toString() == title)
                    stored = screenRect(value.toObject().value("frame").toObject());
            ASSERT_TRUE(stored.has_value()) << "no note with the window's title";
            auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            EXPECT_TRUE(near(stored->x(), shown.x()) && near(stored->y(), shown.y()) && near(stored->width(), shown.width())
                && near(stored->height(), shown.height()))
                << "stored " << stored->x() << "," << stored->y() << " " << stored->width() << "x" << stored->height()
                << " but shown at " << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
        }
    }
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

TEST_F(DesktopSmokeTest, StoredFramesFollowTheCardsAfterMappingAndADrag)
{
    // A note due today and one due in two days: a launch on a fresh notes
    // file generates and shows the today board and, when the preferences
    // ask for it, the upcoming board. Window managers that reparent report
    // transient positions inside their own frame while they map a window;
    // none of that may reach the file. It happens now and then, so several
    // launches map a card each.
    fs::create_directories(folder());
    auto writeNotes = [&] {
        QDateTime now = QDateTime::currentDateTimeUtc();
        auto note = [](const char* title, const QDateTime& due) {
            return QJsonObject { { "id", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() }, { "title", title },
                { "dueDate", due.toString(Qt::ISODate) },
                { "frame", QJsonObject { { "x", 700 }, { "y", 500 }, { "width", 344 }, { "height", 248 }, { "sizePreset", "small" } } } };
        };
        QJsonObject file { { "version", 1 }, { "notes", QJsonArray { note("今天要交的稿子", now), note("后天的评审", now.addDays(2)) } } };
        writeFile(folder() / "notes.json", QJsonDocument(file).toJson().toStdString());
    };

    for (int launch = 0; launch < 8; ++launch) {
        SCOPED_TRACE("launch " + std::to_string(launch));
        writeNotes();
        startApp();
        std::map<QString, QRect> cards = settledCards(1);
        ASSERT_EQ(cards.size(), 1u);
        stopApp();
        expectStoredFramesMatch(cards, "after mapping");
    }

    // The upcoming board as well, so that two cards are on screen.
    QJsonObject file = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(folder() / "preferences.json"))).object();
    QJsonObject preferences = file.value("preferences").toObject();
    preferences["autoGenerateUpcomingBoard"] = true;
    file["preferences"] = preferences;
    writeFile(folder() / "preferences.json", QJsonDocument(file).toJson().toStdString());

    // A drag with the pointer on a card's background, clear of its
    // controls (the header row right of the tags).
    writeNotes();
    startApp();
    std::map<QString, QRect> cards = settledCards(2);
    ASSERT_EQ(cards.size(), 2u) << "cards with distinct titles";
    // The boards may lie on top of each other; the one on top moves.
    const std::map<QString, QRect> before = cards;
    QRect first = before.begin()->second;
    QPoint grab = first.topLeft() + QPoint(first.width() - 60, 30);
    const QPoint delta(-240, 150);
    m_session.drag(grab, grab + delta);
    cards = settledCards(2);
    ASSERT_EQ(cards.size(), 2u);
    std::vector<QPoint> moves;
    for (const auto& [title, rect] : cards)
        if (QPoint moved = rect.topLeft() - before.at(title).topLeft(); !moved.isNull())
            moves.push_back(moved);
    ASSERT_EQ(moves.size(), 1u) << "one card follows the pointer";
    // The window manager takes the move over once the pointer has left the
    // press point, so the first step of the drag is not part of it.
    EXPECT_LE((moves[0] - delta).manhattanLength(), 40) << "moved by " << moves[0].x() << "," << moves[0].y();
    stopApp();
    expectStoredFramesMatch(cards, "after a drag");
}

} // namespace
