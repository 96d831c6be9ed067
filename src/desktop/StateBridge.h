#pragma once

#include "state/StateObserver.h"

#include <QObject>

namespace brivet {

class AppState;

// Turns the state's change notices into Qt signals for the desktop views.
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
    void notesChanged();
    void preferencesChanged();

private:
    AppState* m_state = nullptr;
};

} // namespace brivet
