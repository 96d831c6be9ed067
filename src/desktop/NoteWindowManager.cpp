#include "desktop/NoteWindowManager.h"

#include "desktop/NotePanelController.h"
#include "state/AppState.h"
#include "ui/CompositorWatch.h"
#include "ui/StateBridge.h"

#include <QCoreApplication>
#include <QEvent>

#include <set>

namespace brivet {

namespace {

// Qt closes every window when the application quits; those closes must not
// hide the notes on the desktop. What the panels still hold (a frame report
// being debounced, text typed in the last moments) reaches the state first,
// so the save at quit writes it.
class QuitWatcher final : public QObject {
public:
    explicit QuitWatcher(NoteWindowManager& manager) : m_manager(manager) { }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit && !m_manager.environment()->quitting) {
            m_manager.commitPendingChanges();
            m_manager.environment()->quitting = true;
        }
        return false;
    }

private:
    NoteWindowManager& m_manager;
};

} // namespace

NoteWindowManager::NoteWindowManager(AppState& state, Scheduler& scheduler)
    : m_bridge(std::make_unique<StateBridge>())
    , m_environment(std::make_shared<DesktopEnvironment>())
{
    m_environment->state = &state;
    m_environment->scheduler = &scheduler;
    m_environment->bridge = m_bridge.get();
    if (QCoreApplication::instance()) {
        m_compositor = std::make_unique<CompositorWatch>();
        m_environment->compositor = m_compositor.get();
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        m_quitWatcher = std::make_unique<QuitWatcher>(*this);
        app->installEventFilter(m_quitWatcher.get());
    }
}

NoteWindowManager::~NoteWindowManager()
{
    // From here on no view calls into the state, which is being torn down.
    m_environment->state = nullptr;
    m_controllers.clear();
    m_bridge->detach();
    m_environment->bridge = nullptr;
    m_environment->compositor = nullptr;
}

void NoteWindowManager::commitPendingChanges()
{
    if (!m_environment->state)
        return;
    // A commit can reconcile the panels, so each is looked up afresh.
    std::vector<Uuid> ids;
    for (const auto& entry : m_controllers)
        ids.push_back(entry.first);
    for (const Uuid& id : ids)
        if (NotePanelController* found = controller(id))
            found->commitPendingChanges();
}

void NoteWindowManager::reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences)
{
    AppState* state = m_environment->state;
    if (!state)
        return;
    m_bridge->attach(*state);

    std::set<Uuid> visibleIds;
    for (const StickyNote& note : notes) {
        if (note.isHidden)
            continue;
        visibleIds.insert(note.id);
        if (auto found = m_controllers.find(note.id); found != m_controllers.end())
            found->second->refresh(note, preferences);
        else
            m_controllers.emplace(note.id, std::make_unique<NotePanelController>(note, m_environment, preferences));
    }

    std::vector<Uuid> stale;
    for (const auto& [id, controller] : m_controllers)
        if (!visibleIds.contains(id))
            stale.push_back(id);
    for (const Uuid& id : stale) {
        auto found = m_controllers.find(id);
        if (found == m_controllers.end())
            continue;
        // Closing hides the note through the state; it is already hidden or
        // gone, so that causes no second reconcile.
        found->second->close();
        m_controllers.erase(id);
    }
}

void NoteWindowManager::focus(const Uuid& noteId)
{
    if (NotePanelController* found = controller(noteId))
        found->focus();
}

NotePanelController* NoteWindowManager::controller(const Uuid& noteId) const
{
    auto found = m_controllers.find(noteId);
    return found == m_controllers.end() ? nullptr : found->second.get();
}

} // namespace brivet
