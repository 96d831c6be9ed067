#pragma once

#include "desktop/DesktopEnvironment.h"
#include "model/Uuid.h"
#include "state/WindowManaging.h"

#include <QObject>

#include <map>
#include <memory>

namespace brivet {

class AppState;
class CompositorWatch;
class NotePanelController;
class StateBridge;

// One desktop panel per note that is not hidden. Created by the state while
// it is being built, so the constructor only records the state; nothing is
// asked of it before the first reconcile.
class NoteWindowManager final : public WindowManaging {
public:
    NoteWindowManager(AppState& state, Scheduler& scheduler);
    ~NoteWindowManager() override;

    void reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences) override;
    void focus(const Uuid& noteId) override;

    // The controller of a note's panel, or null.
    NotePanelController* controller(const Uuid& noteId) const;
    std::size_t panelCount() const { return m_controllers.size(); }
    const DesktopEnvironmentPtr& environment() const { return m_environment; }
    // Every panel hands the state its pending frame report and uncommitted
    // editor text; done when the app begins to quit, before the last save.
    void commitPendingChanges();

private:
    std::unique_ptr<StateBridge> m_bridge;
    std::unique_ptr<CompositorWatch> m_compositor;
    std::unique_ptr<QObject> m_quitWatcher;
    DesktopEnvironmentPtr m_environment;
    std::map<Uuid, std::unique_ptr<NotePanelController>> m_controllers;
};

} // namespace brivet
