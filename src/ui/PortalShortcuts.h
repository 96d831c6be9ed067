#pragma once

#include "model/KeyChord.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace brivet {

// Global shortcuts through the desktop's GlobalShortcuts portal on the
// session bus: the desktop keeps the keys and shows its own dialog to bind
// them; the app proposes a key per action and hears which action was
// pressed. Every call is asynchronous; nothing waits for the portal.
class PortalShortcuts final : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString id;
        QString description;
        // The proposal, or none.
        std::optional<KeyChord> preferred;
    };

    explicit PortalShortcuts(QDBusConnection bus, QObject* parent = nullptr);

    // The desktop's trigger text for `chord` ("LOGO+ALT+n"), as proposals
    // are written.
    static QString triggerText(const KeyChord& chord);

    // Asks whether the portal offers global shortcuts; `answer` gets its
    // interface version, or none when it does not (no bus, no portal, an
    // error or no answer).
    void probe(std::function<void(std::optional<uint>)> answer);
    // Opens a session and binds `shortcuts` (the desktop may ask the user
    // first); `bound` gets each id's trigger as the desktop describes it
    // ("" for none), or `failed` why it did not work.
    void bind(std::vector<Shortcut> shortcuts, std::function<void(QMap<QString, QString>)> bound,
        std::function<void(QString)> failed);
    // Opens the desktop's dialog for the session's keys (interface version
    // 2 and later).
    void configure();

signals:
    void activated(const QString& id);
    // The user changed the keys in the desktop's dialog.
    void triggersChanged(const QMap<QString, QString>& triggers);

private slots:
    void deliverResponse(const QDBusMessage& message);
    void deliverActivated(const QDBusMessage& message);
    void deliverShortcutsChanged(const QDBusMessage& message);

private:
    // Calls `method` of the portal with a request handle; `done` gets the
    // Response's code and results.
    void request(const QString& method, QList<QVariant> arguments, QVariantMap options,
        std::function<void(uint, QVariantMap)> done);

    QDBusConnection m_bus;
    QString m_session;
    std::map<QString, std::function<void(uint, QVariantMap)>> m_pending;
    int m_nextToken = 0;
};

} // namespace brivet
