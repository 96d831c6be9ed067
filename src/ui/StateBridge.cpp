#include "ui/StateBridge.h"

#include "state/AppState.h"

namespace brivet {

StateBridge::StateBridge(QObject* parent)
    : QObject(parent)
{
}

StateBridge::~StateBridge()
{
    detach();
}

void StateBridge::attach(AppState& state)
{
    if (m_state == &state)
        return;
    detach();
    m_state = &state;
    m_state->addObserver(this);
}

void StateBridge::detach()
{
    if (m_state)
        m_state->removeObserver(this);
    m_state = nullptr;
}

void StateBridge::stateDidChange(StateField field)
{
    emit changed(field);
    switch (field) {
    case StateField::notes:
        emit notesChanged();
        break;
    case StateField::preferences:
        emit preferencesChanged();
        break;
    case StateField::dashboardDestination:
        emit dashboardDestinationChanged();
        break;
    case StateField::syncStatus:
    case StateField::lastSyncReport:
    case StateField::syncSources:
    case StateField::isSyncing:
    case StateField::syncLog:
        emit syncChanged();
        break;
    case StateField::lastExportURL:
        break;
    case StateField::trash:
        emit trashChanged();
        break;
    }
}

} // namespace brivet
