#pragma once

#include "dashboard/DashboardView.h"
#include "support/StateFixture.h"
#include "sync/SyncService.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace brivet::testing {

// A sync service that answers at once with what the test set: a failure,
// or the notes it was handed with a report; sources from `snapshot`.
class ScriptedSyncService final : public SyncService {
public:
    std::optional<std::string> failure;
    SyncReport report;
    SyncActions actions;
    SyncSourceSnapshot snapshot;
    int syncs = 0;

    void synchronize(std::vector<StickyNote> notes, AppPreferences, std::function<void(SyncResult)> completion) override
    {
        ++syncs;
        if (failure)
            completion(SyncFailure { *failure });
        else
            completion(SyncExecution { std::move(notes), report, actions });
    }
    void abandonSync() override { }
    void setLinkHandler(LinkHandler) override { }
    bool hasWritesInFlight() const override { return false; }
    void fetchSourceSnapshot(const AppPreferences&, std::function<void(SyncSourceSnapshot)> completion) override
    {
        completion(snapshot);
    }
    void setChangeHandler(std::function<void()>) override { }
};

// A state on in-memory stores with the dashboard in a plain 1080 × 720
// window on the offscreen platform; time under the test's control.
class DashboardTest : public ::testing::Test {
protected:
    DashboardTest();
    ~DashboardTest() override;

    Instant at(int year, int month, int day, int hour = 0, int minute = 0) const { return fixture.at(year, month, day, hour, minute); }
    // A regular local note, hidden.
    static StickyNote makeNote(std::string title, std::optional<Instant> due = std::nullopt);
    static StickyNote makeBoard(std::string title, NoteSurfaceRole role);
    // Launches with these notes stored; those not hidden go on the desktop.
    AppState& launch(std::vector<StickyNote> notes);
    AppState& state() { return fixture.state(); }
    StickyNote stored(const Uuid& id) { return *fixture.state().note(id); }
    // The dashboard, shown, on the given page.
    DashboardView& open(DashboardDestination destination = DashboardDestination::today);
    DashboardView& view() { return *m_view; }
    // Lets queued refreshes and deferred deletes run.
    static void settle();

    StateFixture fixture;
    ScriptedSyncService sync;

private:
    std::unique_ptr<QWidget> m_window;
    DashboardView* m_view = nullptr;
};

} // namespace brivet::testing
