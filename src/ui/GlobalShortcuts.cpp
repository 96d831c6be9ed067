#include "ui/GlobalShortcuts.h"

#include "model/KeyChord.h"
#include "ui/PortalShortcuts.h"
#include "ui/X11KeyGrabs.h"

#include <algorithm>
#include <utility>

namespace brivet {

GlobalShortcuts::Backend GlobalShortcuts::choose(std::optional<uint> portalVersion, bool keyGrabsPossible)
{
    if (portalVersion)
        return Backend::portal;
    return keyGrabsPossible ? Backend::keyGrabs : Backend::none;
}

GlobalShortcuts::GlobalShortcuts(std::vector<Action> actions, Log log, std::unique_ptr<PortalShortcuts> portal,
    std::unique_ptr<X11KeyGrabs> grabs, QObject* parent)
    : QObject(parent)
    , m_actions(std::move(actions))
    , m_log(std::move(log))
    , m_portal(std::move(portal))
    , m_grabs(std::move(grabs))
{
    fillEntries();
    if (m_grabs)
        connect(m_grabs.get(), &X11KeyGrabs::pressed, this, &GlobalShortcuts::activated);
    if (m_portal) {
        connect(m_portal.get(), &PortalShortcuts::activated, this, [this](const QString& id) { emit activated(id, 0); });
        connect(m_portal.get(), &PortalShortcuts::triggersChanged, this, [this](const QMap<QString, QString>& triggers) {
            for (Entry& entry : m_entries) {
                entry.keys = triggers.value(entry.id);
                entry.state = entry.keys.isEmpty() ? KeyState::unbound : KeyState::active;
            }
            emit changed();
        });
    }
}

GlobalShortcuts::~GlobalShortcuts() = default;

void GlobalShortcuts::fillEntries()
{
    m_entries.clear();
    for (const Action& action : m_actions)
        m_entries.push_back({ action.id, action.title, {}, KeyState::unbound });
}

void GlobalShortcuts::start(const std::map<std::string, std::string>& choices)
{
    m_choices = choices;
    auto decide = [this](std::optional<uint> version) {
        m_portalVersion = version;
        m_backend = choose(version, m_grabs != nullptr);
        if (m_backend == Backend::portal) {
            usePortal();
        } else if (m_backend == Backend::keyGrabs) {
            useKeyGrabs();
        } else {
            m_log("Global shortcuts are unavailable: no shortcuts portal and no X server");
            emit changed();
        }
    };
    if (m_portal)
        m_portal->probe(decide);
    else
        decide(std::nullopt);
}

void GlobalShortcuts::setChoices(const std::map<std::string, std::string>& choices)
{
    if (choices == m_choices)
        return;
    m_choices = choices;
    if (m_backend == Backend::keyGrabs)
        useKeyGrabs();
}

void GlobalShortcuts::useKeyGrabs()
{
    std::vector<std::pair<std::string, std::string>> defaults;
    for (const Action& action : m_actions)
        defaults.emplace_back(action.id.toStdString(), action.defaultKeys);
    std::vector<ShortcutBinding> bindings = resolveShortcuts(defaults, m_choices);
    std::vector<X11KeyGrabs::Request> requests;
    fillEntries();
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const ShortcutBinding& binding = bindings[i];
        if (!binding.problem.empty())
            m_log("Shortcut for " + binding.actionId + ": " + binding.problem + "; using "
                + (binding.chord ? binding.chord->toString() : std::string("no key")));
        if (binding.chord) {
            m_entries[i].keys = QString::fromStdString(binding.chord->toString());
            requests.push_back({ m_entries[i].id, *binding.chord });
        }
    }
    std::string taken;
    for (const X11KeyGrabs::Outcome& outcome : m_grabs->grab(requests)) {
        auto entry = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.id == outcome.id; });
        std::string keys = entry->keys.toStdString();
        switch (outcome.result) {
        case X11KeyGrabs::Result::taken:
            entry->state = KeyState::active;
            taken += (taken.empty() ? "" : ", ") + outcome.id.toStdString() + " " + keys;
            break;
        case X11KeyGrabs::Result::heldElsewhere:
            entry->state = KeyState::heldElsewhere;
            if (std::find(m_reportedHeld.begin(), m_reportedHeld.end(), keys) == m_reportedHeld.end()) {
                m_reportedHeld.push_back(keys);
                m_log("Global shortcut " + keys + " for " + outcome.id.toStdString()
                    + " is held by another program; it stays with that program");
            }
            break;
        case X11KeyGrabs::Result::noSuchKey:
            entry->state = KeyState::unavailable;
            m_log("Global shortcut " + keys + " for " + outcome.id.toStdString() + " has no key on this keyboard");
            break;
        }
    }
    if (!taken.empty())
        m_log("Global shortcuts taken with X key grabs: " + taken);
    emit changed();
}

void GlobalShortcuts::usePortal()
{
    std::vector<PortalShortcuts::Shortcut> shortcuts;
    for (const Action& action : m_actions) {
        auto choice = m_choices.find(action.id.toStdString());
        std::optional<KeyChord> preferred
            = KeyChord::parse(choice != m_choices.end() ? choice->second : action.defaultKeys);
        shortcuts.push_back({ action.id, action.title, preferred });
    }
    m_log("Global shortcuts go through the desktop's shortcuts portal (version " + std::to_string(*m_portalVersion) + ")");
    emit changed();
    m_portal->bind(
        std::move(shortcuts),
        [this](const QMap<QString, QString>& triggers) {
            for (Entry& entry : m_entries) {
                entry.keys = triggers.value(entry.id);
                entry.state = entry.keys.isEmpty() ? KeyState::unbound : KeyState::active;
            }
            emit changed();
        },
        [this](const QString& why) {
            // Without a session the portal is of no use: grabs where they
            // can be had.
            m_log("The shortcuts portal did not bind the keys (" + why.toStdString() + ")");
            if (m_grabs) {
                m_backend = Backend::keyGrabs;
                useKeyGrabs();
            } else {
                m_backend = Backend::none;
                emit changed();
            }
        });
}

bool GlobalShortcuts::canConfigureInDesktop() const
{
    return m_backend == Backend::portal && m_portalVersion && *m_portalVersion >= 2;
}

void GlobalShortcuts::configureInDesktop()
{
    if (canConfigureInDesktop())
        m_portal->configure();
}

} // namespace brivet
