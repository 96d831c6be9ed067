#pragma once

namespace brivet {

// The published fields of the state.
enum class StateField {
    notes,
    preferences,
    dashboardDestination,
    syncStatus,
    lastSyncReport,
    lastExportURL,
    syncSources,
    isSyncing,
    syncLog,
    // The trash's notes or the offer to undo the last delete.
    trash,
};

// Told after every change of a published field; views re-read the state.
class StateObserver {
public:
    virtual ~StateObserver() = default;
    virtual void stateDidChange(StateField field) = 0;
};

} // namespace brivet
