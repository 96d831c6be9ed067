#include "app/ApplicationBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>

namespace brivet {

namespace {

// RequestName's flag and answers (the bus daemon's numbers).
constexpr uint doNotQueue = 4;
constexpr uint primaryOwner = 1;
constexpr uint alreadyOwner = 4;

QString knownActions()
{
    QStringList ids;
    for (DesktopAction action : allDesktopActions)
        ids << QString::fromUtf8(actionId(action).data(), qsizetype(actionId(action).size()));
    return ids.join(QStringLiteral(", "));
}

} // namespace

ApplicationBus::ApplicationBus(Log log, QObject* parent)
    : QObject(parent)
    , m_log(std::move(log))
    , m_bus(QString())
{
}

ApplicationBus::~ApplicationBus()
{
    // The name goes with the connection when the process ends: releasing
    // it here would be one more blocking call on the way out.
    if (m_registered)
        m_bus.unregisterObject(QString::fromLatin1(objectPath));
}

bool ApplicationBus::start(QDBusConnection bus)
{
    m_bus = bus;
    if (!m_bus.isConnected()) {
        m_log("D-Bus activation is off: no session bus (" + m_bus.lastError().message().toStdString() + ")");
        return false;
    }
    // The object first: the call the bus holds for the name comes the
    // moment the name is granted.
    if (!m_bus.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportScriptableSlots)) {
        m_log("D-Bus activation is off: the object path is taken");
        return false;
    }
    m_registered = true;
    QDBusMessage request = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << QString::fromLatin1(serviceName) << doNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<uint> reply = *call;
        m_ownsName = reply.isValid() && (reply.value() == primaryOwner || reply.value() == alreadyOwner);
        if (!m_ownsName)
            m_log(reply.isError() ? "D-Bus activation is off: " + reply.error().message().toStdString()
                                  : std::string("D-Bus activation is off: another process owns ") + serviceName);
        emit nameSettled(m_ownsName);
    });
    return true;
}

bool ApplicationBus::startedByBus()
{
    return qEnvironmentVariable("DBUS_STARTER_BUS_TYPE") == QLatin1String("session");
}

bool ApplicationBus::waitForOwner(std::chrono::milliseconds window)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    auto deadline = std::chrono::steady_clock::now() + window;
    for (;;) {
        QDBusReply<bool> owned = bus.interface()->isServiceRegistered(QString::fromLatin1(serviceName));
        if (owned.isValid() && owned.value())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(50);
    }
}

QString ApplicationBus::startupId(const QVariantMap& platformData)
{
    return platformData.value(QStringLiteral("desktop-startup-id")).toString();
}

void ApplicationBus::Activate(const QVariantMap& platformData)
{
    emit activated(startupId(platformData));
}

void ApplicationBus::Open(const QStringList&, const QVariantMap& platformData)
{
    emit activated(startupId(platformData));
}

void ApplicationBus::ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData)
{
    std::optional<DesktopAction> action = desktopActionNamed(name.toStdString());
    if (!action) {
        sendErrorReply(QDBusError::InvalidArgs,
            QStringLiteral("No action named \"%1\"; the actions are %2").arg(name, knownActions()));
        return;
    }
    if (!parameter.isEmpty()) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("The action \"%1\" takes no parameter").arg(name));
        return;
    }
    emit actionRequested(*action, startupId(platformData));
}

} // namespace brivet
