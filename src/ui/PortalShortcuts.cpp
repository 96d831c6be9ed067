#include "ui/PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <array>
#include <string_view>
#include <utility>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One shortcut as the portal passes it: (id, properties).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcutList)

namespace brivet {

namespace {

QMap<QString, QString> triggersOf(const QVariant& value)
{
    QMap<QString, QString> triggers;
    PortalShortcutList list;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> list;
    else
        list = value.value<PortalShortcutList>();
    for (const PortalShortcut& shortcut : list)
        triggers.insert(shortcut.id, shortcut.properties.value(QStringLiteral("trigger_description")).toString());
    return triggers;
}

} // namespace

PortalShortcuts::PortalShortcuts(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

QString PortalShortcuts::triggerText(const KeyChord& chord)
{
    QString text;
    for (auto [flag, name] : { std::pair { KeyChord::control, "CTRL+" }, std::pair { KeyChord::alt, "ALT+" },
             std::pair { KeyChord::shift, "SHIFT+" }, std::pair { KeyChord::meta, "LOGO+" } })
        if (chord.modifiers & flag)
            text += QLatin1String(name);
    // Keys by their X keysym names.
    static constexpr std::array<std::pair<std::string_view, const char*>, 31> names { {
        { "Space", "space" },
        { "Esc", "Escape" },
        { "Tab", "Tab" },
        { "Backtab", "ISO_Left_Tab" },
        { "Backspace", "BackSpace" },
        { "Return", "Return" },
        { "Enter", "KP_Enter" },
        { "Ins", "Insert" },
        { "Del", "Delete" },
        { "Home", "Home" },
        { "End", "End" },
        { "PgUp", "Page_Up" },
        { "PgDown", "Page_Down" },
        { "Left", "Left" },
        { "Up", "Up" },
        { "Right", "Right" },
        { "Down", "Down" },
        { "Print", "Print" },
        { "Pause", "Pause" },
        { "ScrollLock", "Scroll_Lock" },
        { "Menu", "Menu" },
        { "Help", "Help" },
        { ",", "comma" },
        { ".", "period" },
        { "/", "slash" },
        { ";", "semicolon" },
        { "'", "apostrophe" },
        { "[", "bracketleft" },
        { "]", "bracketright" },
        { "\\", "backslash" },
        { "-", "minus" },
    } };
    for (auto [key, name] : names)
        if (key == chord.key)
            return text + QLatin1String(name);
    if (chord.key == "=")
        return text + QStringLiteral("equal");
    if (chord.key == "`")
        return text + QStringLiteral("grave");
    // Letters by their unshifted symbol; function keys and digits as they are.
    QString key = QString::fromStdString(chord.key);
    return text + (key.size() == 1 ? key.toLower() : key);
}

void PortalShortcuts::probe(std::function<void(std::optional<uint>)> answer)
{
    if (!m_bus.isConnected()) {
        answer(std::nullopt);
        return;
    }
    // Apps outside a sandbox tell the portal who they are before they ask
    // anything; portals without the registry answer with an error, which
    // changes nothing.
    QDBusMessage registration = QDBusMessage::createMethodCall(portalService, portalPath,
        QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    registration << QStringLiteral("com.brivet.Brivet") << QVariantMap();
    m_bus.asyncCall(registration);

    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answer = std::move(answer)] {
        watcher->deleteLater();
        QDBusMessage reply = watcher->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            answer(std::nullopt);
            return;
        }
        uint version = reply.arguments().front().value<QDBusVariant>().variant().toUInt();
        answer(version > 0 ? std::optional<uint>(version) : std::nullopt);
    });
}

void PortalShortcuts::request(const QString& method, QList<QVariant> arguments, QVariantMap options,
    std::function<void(uint, QVariantMap)> done)
{
    // The request's object path is known before the call, so its answer
    // cannot arrive before anyone listens.
    QString token = QStringLiteral("brivet%1").arg(++m_nextToken);
    QString sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QString path = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    m_pending[path] = std::move(done);
    m_bus.connect(portalService, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), this,
        SLOT(deliverResponse(QDBusMessage)));
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    arguments.append(options);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        if (watcher->isError()) {
            auto done = m_pending.extract(path);
            if (!done.empty())
                done.mapped()(2, { { QStringLiteral("error"), watcher->error().message() } });
        }
    });
}

void PortalShortcuts::deliverResponse(const QDBusMessage& message)
{
    auto done = m_pending.extract(message.path());
    m_bus.disconnect(portalService, message.path(), QStringLiteral("org.freedesktop.portal.Request"),
        QStringLiteral("Response"), this, SLOT(deliverResponse(QDBusMessage)));
    if (done.empty() || message.arguments().size() < 2)
        return;
    QVariantMap results;
    const QVariant second = message.arguments().at(1);
    if (second.canConvert<QDBusArgument>())
        second.value<QDBusArgument>() >> results;
    else
        results = second.toMap();
    done.mapped()(message.arguments().at(0).toUInt(), results);
}

void PortalShortcuts::bind(std::vector<Shortcut> shortcuts, std::function<void(QMap<QString, QString>)> bound,
    std::function<void(QString)> failed)
{
    QVariantMap options { { QStringLiteral("session_handle_token"), QStringLiteral("brivet") } };
    request(QStringLiteral("CreateSession"), {}, options,
        [this, shortcuts = std::move(shortcuts), bound = std::move(bound), failed](uint code, const QVariantMap& results) {
            m_session = results.value(QStringLiteral("session_handle")).toString();
            if (code != 0 || m_session.isEmpty()) {
                failed(results.value(QStringLiteral("error"), QStringLiteral("the portal refused a session")).toString());
                return;
            }
            m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                SLOT(deliverActivated(QDBusMessage)));
            m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"), this,
                SLOT(deliverShortcutsChanged(QDBusMessage)));
            PortalShortcutList list;
            for (const Shortcut& shortcut : shortcuts) {
                QVariantMap properties { { QStringLiteral("description"), shortcut.description } };
                if (shortcut.preferred)
                    properties.insert(QStringLiteral("preferred_trigger"), triggerText(*shortcut.preferred));
                list.append({ shortcut.id, properties });
            }
            request(QStringLiteral("BindShortcuts"),
                { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(list), QString() }, {},
                [bound, failed](uint code, const QVariantMap& results) {
                    if (code == 0)
                        bound(triggersOf(results.value(QStringLiteral("shortcuts"))));
                    else
                        failed(code == 1 ? QStringLiteral("the user declined the shortcuts")
                                         : results.value(QStringLiteral("error"), QStringLiteral("the portal refused the shortcuts")).toString());
                });
        });
}

void PortalShortcuts::configure()
{
    if (m_session.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
        QStringLiteral("ConfigureShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString() << QVariantMap();
    m_bus.asyncCall(call);
}

void PortalShortcuts::deliverActivated(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && arguments.at(0).value<QDBusObjectPath>().path() == m_session)
        emit activated(arguments.at(1).toString());
}

void PortalShortcuts::deliverShortcutsChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && arguments.at(0).value<QDBusObjectPath>().path() == m_session)
        emit triggersChanged(triggersOf(arguments.at(1)));
}

} // namespace brivet
