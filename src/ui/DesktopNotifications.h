#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace brivet {

// Notices on the desktop through org.freedesktop.Notifications on the
// session bus, with action buttons. Every call is asynchronous: the UI never
// waits for the server. Without a server the notices are dropped, and that
// is logged once by the caller's `unavailable` handler.
class DesktopNotifications final : public QObject {
    Q_OBJECT
public:
    struct Notice {
        QString summary;
        QString body;
        // (key, label) pairs; the key comes back in actionInvoked.
        std::vector<std::pair<QString, QString>> actions;
        // How long the server shows it, in milliseconds.
        int timeoutMs = -1;
        // The server's id of a notice this one takes the place of; 0: none.
        uint replacesId = 0;
    };
    // Sends a Notify call's arguments; calls `reply` with the server's id,
    // or with none when the call failed. The default goes over the bus.
    using Transport = std::function<void(const QVariantList& arguments, std::function<void(std::optional<uint>)> reply)>;

    // The Notify call's eight arguments for `notice`: app name, replaced
    // id, icon, summary, body, actions (key and label in turn), hints,
    // timeout.
    static QVariantList notifyArguments(const Notice& notice);

    // Over the session bus; `unavailable` is told the first failure.
    explicit DesktopNotifications(std::function<void(const QString&)> unavailable, QObject* parent = nullptr);
    // Over `transport` (tests).
    DesktopNotifications(Transport transport, std::function<void(const QString&)> unavailable, QObject* parent = nullptr);

    // `shown` gets the notice's id once the server has it.
    void show(const Notice& notice, std::function<void(uint id)> shown);
    void close(uint id);

public slots:
    // The server's signals.
    void deliverAction(uint id, const QString& key);
    void deliverClosed(uint id, uint reason);

signals:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id);

private:
    Transport m_transport;
    std::function<void(const QString&)> m_unavailable;
    bool m_reportedUnavailable = false;
    bool m_overBus = false;
};

} // namespace brivet
