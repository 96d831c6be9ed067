#include "desktop/StateBridge.h"

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
    if (field == StateField::notes)
        emit notesChanged();
    else if (field == StateField::preferences)
        emit preferencesChanged();
}

} // namespace brivet
