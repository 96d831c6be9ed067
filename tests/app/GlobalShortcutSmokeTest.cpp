#include "XSession.h"
#include "model/KeyChord.h"
#include "support/RequiredServices.h"
#include "support/TempDir.h"
#include "app/ShortcutDefaults.h"
#include "ui/X11KeyGrabs.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

// The real app on a private X server with a window manager and a private
// session bus without a shortcuts portal: it takes its default keys with
// key grabs. The keys are pressed with xdotool, as a hand would.
class GlobalShortcutSmokeTest : public AppUnderXTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startDesktop({ .tools = { "Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "dbus-daemon" } }));
        if (IsSkipped())
            return;
        m_bus.start("dbus-daemon", { "--session", "--nofork", "--print-address" });
        ASSERT_TRUE(m_bus.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000)) << "the bus printed no address";
        m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
    }

    void TearDown() override
    {
        AppUnderXTest::TearDown();
        stopProcess(m_bus);
        if (m_holder)
            xcb_disconnect(m_holder);
    }

    // Starts the app and waits until it says which keys it took (or could
    // not take).
    void startApp(const char* waitFor)
    {
        QProcessEnvironment env = m_session.environment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_busAddress);
        m_app.setProcessEnvironment(env);
        m_app.setProcessChannelMode(QProcess::MergedChannels);
        m_app.start(appPath(), {});
        ASSERT_TRUE(m_app.waitForStarted(5000));
        ASSERT_TRUE(waitForOutput(waitFor)) << m_output.toStdString();
    }

    bool waitForOutput(const char* text)
    {
        return QTest::qWaitFor([&] {
            m_output += QString::fromUtf8(m_app.readAll());
            return m_output.contains(QLatin1String(text));
        },
            20000);
    }

    void stopApp()
    {
        ::kill(static_cast<pid_t>(m_app.processId()), SIGTERM);
        ASSERT_TRUE(m_app.waitForFinished(10000)) << "the app did not quit on SIGTERM";
        m_output += QString::fromUtf8(m_app.readAll());
    }

    QJsonArray storedNotes() const
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(m_session.dataFolder() / "notes.json")))
            .object()
            .value("notes")
            .toArray();
    }

    QStringList noteTitles() const
    {
        QStringList titles;
        for (const QJsonValue& note : storedNotes())
            titles << note.toObject().value("title").toString();
        return titles;
    }

    qsizetype createdCount() const { return m_output.count(QLatin1String("Created note")); }

    void key(const QString& keys) const { m_session.run("xdotool", { "key", "--clearmodifiers", keys }); }

    QProcess m_bus;
    QString m_busAddress;
    QString m_output;
    xcb_connection_t* m_holder = nullptr;
};

TEST_F(GlobalShortcutSmokeTest, NewNoteKeyOpensANoteReadyForTypingOncePerPress)
{
    startApp("taken with X key grabs");
    ASSERT_TRUE(m_output.contains("new-note Ctrl+Alt+Meta+N") || m_output.contains("new-note Alt+Meta+N"))
        << m_output.toStdString();

    key("super+alt+n");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        m_output += QString::fromUtf8(m_app.readAll());
        return createdCount() == 1;
    },
        10000))
        << m_output.toStdString();
    // The new card takes the keyboard although the key went to the root
    // window: its title field has the focus.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return m_session.run("xdotool", { "getactivewindow", "getwindowname" }).trimmed() == QStringLiteral("新悬笺");
    },
        10000))
        << "active: " << m_session.run("xdotool", { "getactivewindow", "getwindowname" }).toStdString();
    m_session.run("xdotool", { "type", "--delay", "20", "shortcut note" });
    // Another press right after typing: the title typed must not be lost.
    key("super+alt+n");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        m_output += QString::fromUtf8(m_app.readAll());
        return createdCount() == 2;
    },
        10000));

    // Held down: auto-repeat sends the key many times, which is still one
    // press.
    m_session.run("xdotool", { "keydown", "super+alt+n" });
    QTest::qWait(1500);
    m_session.run("xdotool", { "keyup", "n" });
    m_session.run("xdotool", { "keyup", "super+alt" });
    // A burst of distinct presses: one note each, no more.
    m_session.run("xdotool", { "key", "--repeat", "10", "--delay", "10", "super+alt+n" });
    QTest::qWait(1500);
    m_output += QString::fromUtf8(m_app.readAll());
    EXPECT_EQ(createdCount(), 13) << m_output.toStdString();

    stopApp();
    QStringList titles = noteTitles();
    EXPECT_TRUE(titles.contains(QStringLiteral("shortcut note"))) << titles.join('|').toStdString();
    EXPECT_EQ(titles.count(QString()), 12) << titles.join('|').toStdString();
}

TEST_F(GlobalShortcutSmokeTest, KeyHeldByAnotherProgramIsReportedAndLeftToIt)
{
    // Another program holds Super+Alt+N before the app starts.
    m_holder = xcb_connect(m_session.display().toLocal8Bit().constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(m_holder));
    X11KeyGrabs holder(m_holder);
    auto held = holder.grab({ { "other", *KeyChord::parse("Alt+Meta+N") } });
    ASSERT_EQ(held.front().result, X11KeyGrabs::Result::taken);

    startApp("is held by another program");
    EXPECT_TRUE(m_output.contains("Global shortcut Alt+Meta+N for new-note is held by another program"))
        << m_output.toStdString();
    // The rest are the app's.
    EXPECT_TRUE(m_output.contains("today-board Alt+Meta+B")) << m_output.toStdString();

    key("super+alt+n");
    bool received = false;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_holder)) {
            received = received || (event->response_type & 0x7f) == XCB_KEY_PRESS;
            std::free(event);
        }
        return received;
    },
        10000))
        << "the program that holds the key gets it";
    QTest::qWait(500);
    m_output += QString::fromUtf8(m_app.readAll());
    EXPECT_EQ(createdCount(), 0) << m_output.toStdString();
    EXPECT_EQ(m_output.count("is held by another program"), 1) << "said once";
}

} // namespace

TEST(GlobalShortcutDefaults, EveryActionHasItsOwnSuperAltKey)
{
    std::vector<std::string> keys;
    for (const GlobalShortcuts::Action& action : shortcutActions()) {
        std::optional<KeyChord> chord = KeyChord::parse(action.defaultKeys);
        ASSERT_TRUE(chord.has_value()) << action.defaultKeys;
        EXPECT_EQ(chord->modifiers, unsigned(KeyChord::alt | KeyChord::meta)) << action.defaultKeys;
        EXPECT_EQ(std::count(keys.begin(), keys.end(), chord->key), 0) << action.defaultKeys;
        keys.push_back(chord->key);
    }
    EXPECT_EQ(keys, (std::vector<std::string> { "N", "B", "H", "P" }));
}
