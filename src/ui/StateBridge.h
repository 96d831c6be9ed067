#pragma once

#include "state/StateObserver.h"

#include <QObject>

namespace brivet {

class AppState;

// Turns the state's change notices into Qt signals for the views (desktop
// cards, the tray item and its panel, the dashboard).
class StateBridge final : public QObject, public StateObserver {
    Q_OBJECT
public:
    explicit StateBridge(QObject* parent = nullptr);
    ~StateBridge() override;

    // Starts listening to `state`; detach() (or destruction) stops it.
    void attach(AppState& state);
    void detach();
    bool isAttached() const { return m_state != nullptr; }

    void stateDidChange(StateField field) override;

signals:
    // Every change of a published field, then the field's own signal.
    void changed(brivet::StateField field);
    void notesChanged();
    void preferencesChanged();
    // Sync status, running flag, last report or the source snapshot.
    void syncChanged();
    void dashboardDestinationChanged();
    void trashChanged();

private:
    AppState* m_state = nullptr;
};

} // namespace brivet
