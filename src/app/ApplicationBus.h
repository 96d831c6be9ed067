#pragma once

#include "app/DesktopAction.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <string>

namespace brivet {

// The running app on the session bus: the name com.brivet.Brivet (the
// desktop entry's id, so a launcher that activates entries over D-Bus
// finds it) with org.freedesktop.Application at /com/brivet/Brivet.
// Activate and Open bring the dashboard forward, as a second launch does;
// ActivateAction runs one of the desktop actions by its id or its title.
// Only the instance that holds the data folder's lock ever asks for the
// name.
class ApplicationBus final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static constexpr char serviceName[] = "com.brivet.Brivet";
    static constexpr char objectPath[] = "/com/brivet/Brivet";

    using Log = std::function<void(const std::string&)>;
    explicit ApplicationBus(Log log, QObject* parent = nullptr);
    ~ApplicationBus() override;

    // Exports the interface on `bus` and asks for the name without waiting
    // for the answer: a call the bus holds for the name (the one that
    // started the app) arrives once the name is ours. False, and the app
    // goes on without the bus, when `bus` is not connected or the object
    // path is taken.
    bool start(QDBusConnection bus);
    // Whether the bus answered that the name is ours.
    bool ownsName() const { return m_ownsName; }

    // Whether the session bus started this process to deliver a call.
    static bool startedByBus();
    // For a launch the bus started that lost the folder to a running
    // instance: waits, at most `window`, until someone owns the name, so
    // the bus hands the call it holds to that owner rather than fail it
    // when this process leaves. Needs a QCoreApplication. True once owned.
    static bool waitForOwner(std::chrono::milliseconds window);

    // The platform data's startup notification id, empty when the caller
    // sent none. A Wayland activation token alone is of no use: the app
    // runs on X11 (XWayland under a Wayland session).
    static QString startupId(const QVariantMap& platformData);

signals:
    // Activate or Open: what a second launch asks for. `startupId` as
    // startupId() reads it.
    void activated(const QString& startupId);
    void actionRequested(brivet::DesktopAction action, const QString& startupId);
    // The bus's answer to the request for the name.
    void nameSettled(bool owned);

public slots:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
    // Nothing of ours opens from a URI: the dashboard comes forward.
    Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
    // An unknown action or a parameter (none of ours takes one) is
    // answered with org.freedesktop.DBus.Error.InvalidArgs and does
    // nothing.
    Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData);

private:
    Log m_log;
    QDBusConnection m_bus;
    bool m_registered = false;
    bool m_ownsName = false;
};

} // namespace brivet
