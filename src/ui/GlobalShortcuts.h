#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brivet {

class PortalShortcuts;
class X11KeyGrabs;

// The app's global shortcuts: through the desktop's shortcuts portal where
// the session offers one (the desktop binds the keys in its own dialog),
// else with key grabs on X11 (the keys from the preferences, or their
// defaults), else none. Which one is found out without waiting: the portal
// is asked on the bus and the grabs are taken once it has answered.
class GlobalShortcuts final : public QObject {
    Q_OBJECT
public:
    struct Action {
        QString id;
        QString title;
        // The chord proposed or grabbed when the user chose none.
        std::string defaultKeys;
    };
    enum class Backend { starting,
        portal,
        keyGrabs,
        none };
    enum class KeyState {
        // The key does its action.
        active,
        // Another program holds it; the user should pick another.
        heldElsewhere,
        // No key: turned off, or not bound in the desktop yet.
        unbound,
        // The keyboard has no such key.
        unavailable,
    };
    struct Entry {
        QString id;
        QString title;
        // The chord in the key editor's text form (grabs), or the
        // desktop's description of the trigger (portal); "" for none.
        QString keys;
        KeyState state = KeyState::unbound;
    };
    using Log = std::function<void(const std::string&)>;

    // The way shortcuts go once the portal has answered: the portal when
    // it offers them, key grabs on X11, else none.
    static Backend choose(std::optional<uint> portalVersion, bool keyGrabsPossible);

    // `portal` and `grabs` may be null where the session has no bus or no
    // X server.
    GlobalShortcuts(std::vector<Action> actions, Log log, std::unique_ptr<PortalShortcuts> portal,
        std::unique_ptr<X11KeyGrabs> grabs, QObject* parent = nullptr);
    ~GlobalShortcuts() override;

    // Asks the portal and then takes the keys; `choices` are the user's
    // (action id → chord text, see KeyChord).
    void start(const std::map<std::string, std::string>& choices);
    // The user's choices changed: with key grabs the keys are taken again
    // (the portal keeps the desktop's).
    void setChoices(const std::map<std::string, std::string>& choices);

    Backend backend() const { return m_backend; }
    const std::vector<Entry>& entries() const { return m_entries; }
    // The desktop's dialog for the keys can be opened (portal version 2).
    bool canConfigureInDesktop() const;
    void configureInDesktop();

signals:
    // An action's key was pressed; `x11Time` is the key event's X server
    // time (0 when the portal reported it), which a window activated in
    // answer needs.
    void activated(const QString& id, std::uint32_t x11Time);
    // The back-end or an entry changed.
    void changed();

private:
    void useKeyGrabs();
    void usePortal();
    void fillEntries();

    std::vector<Action> m_actions;
    Log m_log;
    std::unique_ptr<PortalShortcuts> m_portal;
    std::unique_ptr<X11KeyGrabs> m_grabs;
    Backend m_backend = Backend::starting;
    std::optional<uint> m_portalVersion;
    std::map<std::string, std::string> m_choices;
    std::vector<Entry> m_entries;
    // Chords already reported as held by another program: each is said once.
    std::vector<std::string> m_reportedHeld;
};

} // namespace brivet
