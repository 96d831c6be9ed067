#include "model/KeyChord.h"
#include "support/RequiredServices.h"
#include "ui/GlobalShortcuts.h"
#include "ui/PortalShortcuts.h"
#include "ui/X11KeyGrabs.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace brivet;

namespace {

struct FakeShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(FakeShortcut)
Q_DECLARE_METATYPE(QList<FakeShortcut>)

namespace {

const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The desktop's side of the portal, as much as the app uses: a session,
// binding (the desktop takes the proposed keys as they are), the dialog,
// and presses.
class FakePortal final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
    }
    uint version() const { return 2; }

    QList<FakeShortcut> bound;
    int configured = 0;

    void press(const QString& id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(desktopPath, shortcutsInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(m_session)) << id << qulonglong(0) << QVariantMap();
        m_bus.send(signal);
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message)
    {
        m_session = desktopPath + QStringLiteral("/session/") + escaped(message.service()) + QLatin1Char('/')
            + options.value(QStringLiteral("session_handle_token")).toString();
        return respond(message, options, { { QStringLiteral("session_handle"), m_session } });
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<FakeShortcut>& shortcuts, const QString&,
        const QVariantMap& options, const QDBusMessage& message)
    {
        bound = shortcuts;
        QList<FakeShortcut> triggers;
        for (const FakeShortcut& shortcut : bound)
            triggers.append({ shortcut.id,
                { { QStringLiteral("trigger_description"), shortcut.properties.value("preferred_trigger").toString() } } });
        return respond(message, options, { { QStringLiteral("shortcuts"), QVariant::fromValue(triggers) } });
    }
    void ConfigureShortcuts(const QDBusObjectPath&, const QString&, const QVariantMap&) { ++configured; }

private:
    static QString escaped(QString name) { return name.mid(1).replace(QLatin1Char('.'), QLatin1Char('_')); }
    QDBusObjectPath respond(const QDBusMessage& message, const QVariantMap& options, const QVariantMap& results)
    {
        QString path = desktopPath + QStringLiteral("/request/") + escaped(message.service()) + QLatin1Char('/')
            + options.value(QStringLiteral("handle_token")).toString();
        // After the call's own reply, as a real portal answers.
        QTimer::singleShot(0, this, [this, path, results] {
            QDBusMessage response
                = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << 0u << results;
            m_bus.send(response);
        });
        return QDBusObjectPath(path);
    }

    QDBusConnection m_bus;
    QString m_session;
};

class PortalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
            BRIVET_SKIP_WITHOUT_SERVICE("dbus-daemon is not installed");
        }
        qDBusRegisterMetaType<FakeShortcut>();
        qDBusRegisterMetaType<QList<FakeShortcut>>();
        m_daemon.start("dbus-daemon", { "--session", "--nofork", "--print-address" });
        ASSERT_TRUE(m_daemon.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_daemon.canReadLine(); }, 10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("desktop");
        QDBusConnection::disconnectFromBus("app");
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString& name) const { return QDBusConnection::connectToBus(m_address, name); }

    QProcess m_daemon;
    QString m_address;
};

TEST_F(PortalShortcutsTest, ActionsAreBoundThroughThePortalAndItsPressesArrive)
{
    QDBusConnection desktop = connect("desktop");
    FakePortal portal(desktop);
    ASSERT_TRUE(desktop.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(desktop.registerObject(desktopPath, &portal, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));

    std::vector<std::string> log;
    GlobalShortcuts shortcuts(
        { { "new-note", "新建悬笺", "Alt+Meta+N" }, { "open-panel", "打开面板", "Alt+Meta+P" } },
        [&](const std::string& line) { log.push_back(line); }, std::make_unique<PortalShortcuts>(connect("app")), nullptr);
    shortcuts.start({ { "open-panel", "Ctrl+Alt+F8" } });
    EXPECT_EQ(shortcuts.backend(), GlobalShortcuts::Backend::starting) << "the launch does not wait for the portal";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shortcuts.entries().front().keys.isEmpty(); }, 10000)) << ::testing::PrintToString(log) << int(shortcuts.backend());

    EXPECT_EQ(shortcuts.backend(), GlobalShortcuts::Backend::portal);
    ASSERT_EQ(portal.bound.size(), 2);
    EXPECT_EQ(portal.bound[0].properties.value("description").toString(), QStringLiteral("新建悬笺"));
    EXPECT_EQ(portal.bound[0].properties.value("preferred_trigger").toString(), QStringLiteral("ALT+LOGO+n"));
    EXPECT_EQ(portal.bound[1].properties.value("preferred_trigger").toString(), QStringLiteral("CTRL+ALT+F8"));
    EXPECT_EQ(shortcuts.entries()[1].keys, QStringLiteral("CTRL+ALT+F8"));
    EXPECT_EQ(shortcuts.entries()[1].state, GlobalShortcuts::KeyState::active);

    QSignalSpy activated(&shortcuts, &GlobalShortcuts::activated);
    portal.press("open-panel");
    ASSERT_TRUE(activated.wait(5000));
    EXPECT_EQ(activated.front().front().toString(), QStringLiteral("open-panel"));

    ASSERT_TRUE(shortcuts.canConfigureInDesktop());
    shortcuts.configureInDesktop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return portal.configured == 1; }, 5000));
}

TEST_F(PortalShortcutsTest, ABusWithoutThePortalFallsBackToKeyGrabsWithoutWaiting)
{
    std::vector<std::string> log;
    auto grabs = std::make_unique<X11KeyGrabs>(nullptr);
    GlobalShortcuts shortcuts(
        { { "new-note", "新建悬笺", "Alt+Meta+N" } }, [&](const std::string& line) { log.push_back(line); },
        std::make_unique<PortalShortcuts>(connect("app")), std::move(grabs));
    shortcuts.start({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return shortcuts.backend() != GlobalShortcuts::Backend::starting; }, 10000));
    EXPECT_EQ(shortcuts.backend(), GlobalShortcuts::Backend::keyGrabs);
    // No X server here: the key cannot be had, and the entry says so.
    EXPECT_EQ(shortcuts.entries().front().state, GlobalShortcuts::KeyState::unavailable);
}

} // namespace

#include "PortalShortcutsTest.moc"
