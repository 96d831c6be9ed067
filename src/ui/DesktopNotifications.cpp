#include "ui/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace brivet {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

QVariantList DesktopNotifications::notifyArguments(const Notice& notice)
{
    QStringList actions;
    for (const auto& [key, label] : notice.actions)
        actions << key << label;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.brivet.Brivet"));
    return { QStringLiteral("悬笺"), notice.replacesId, QStringLiteral("com.brivet.Brivet"), notice.summary, notice.body, actions, hints,
        notice.timeoutMs };
}

DesktopNotifications::DesktopNotifications(std::function<void(const QString&)> unavailable, QObject* parent)
    : DesktopNotifications(Transport {}, std::move(unavailable), parent)
{
    m_overBus = true;
    m_transport = [this](const QVariantList& arguments, std::function<void(std::optional<uint>)> reply) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
        call.setArguments(arguments);
        auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [reply = std::move(reply)](QDBusPendingCallWatcher* done) {
            QDBusPendingReply<uint> answer = *done;
            done->deleteLater();
            reply(answer.isError() ? std::nullopt : std::optional<uint>(answer.value()));
        });
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this, SLOT(deliverAction(uint, QString)));
        bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this, SLOT(deliverClosed(uint, uint)));
    }
}

DesktopNotifications::DesktopNotifications(Transport transport, std::function<void(const QString&)> unavailable, QObject* parent)
    : QObject(parent)
    , m_transport(std::move(transport))
    , m_unavailable(std::move(unavailable))
{
}

void DesktopNotifications::show(const Notice& notice, std::function<void(uint id)> shown)
{
    if (m_overBus && !QDBusConnection::sessionBus().isConnected()) {
        if (!m_reportedUnavailable && m_unavailable)
            m_unavailable(QStringLiteral("no session bus"));
        m_reportedUnavailable = true;
        return;
    }
    m_transport(notifyArguments(notice), [this, shown = std::move(shown)](std::optional<uint> id) {
        if (id) {
            if (shown)
                shown(*id);
            return;
        }
        if (!m_reportedUnavailable && m_unavailable)
            m_unavailable(QStringLiteral("no notification server answered"));
        m_reportedUnavailable = true;
    });
}

void DesktopNotifications::close(uint id)
{
    if (!m_overBus)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CloseNotification"));
    call.setArguments({ id });
    QDBusConnection::sessionBus().asyncCall(call);
}

void DesktopNotifications::deliverAction(uint id, const QString& key)
{
    emit actionInvoked(id, key);
}

void DesktopNotifications::deliverClosed(uint id, uint)
{
    emit closed(id);
}

} // namespace brivet
