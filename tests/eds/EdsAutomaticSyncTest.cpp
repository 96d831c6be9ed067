#include "EdsTestSupport.h"

#include "support/StateFixture.h"
#include "sync/eds/EdsModule.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class EdsAutomaticSyncTest : public EdsTest {
protected:
    ~EdsAutomaticSyncTest() override { fixture.destroyState(); }

    StateFixture fixture;
    std::unique_ptr<SyncService> service;
};

// The whole chain a user relies on: with automatic sync on, a reminder
// added in another app shows up among the notes without anything else
// happening in this one.
TEST_F(EdsAutomaticSyncTest, OutsideChangeToASelectedListBringsItsRemindersIn)
{
    addList("auto-list", "Auto List");
    fixture.clock.set(SystemClock().now());
    AppPreferences& preferences = fixture.preferencesStore.fallback;
    preferences = AppPreferences::defaultValue(fixture.calendar, fixture.clock.now());
    preferences.selectedReminderListIDs = { "auto-list" };
    preferences.includeCalendarEvents = false;
    preferences.autoGenerateFocusBoard = false;
    preferences.autoSyncEnabled = true;
    preferences.hasActivatedSync = true;
    // Listening starts a moment after launch, as in the app.
    ManualScheduler& scheduler = fixture.scheduler;
    service = makeEdsModuleSyncService(fixture.clock, fixture.calendar, BRIVET_EDS_MODULE, nullptr,
        [&scheduler](std::function<void()> work) { scheduler.schedule(1000ms, std::move(work)); });
    fixture.syncService = service.get();
    AppState& state = fixture.launch();

    const std::string due = icalUtc(fixture.clock.now() + 24h);
    auto imported = [&] {
        return std::any_of(state.notes().begin(), state.notes().end(), [](const StickyNote& note) {
            return note.source == NoteSource::reminders && note.title.rfind("From outside", 0) == 0;
        });
    };
    // The store's views come up asynchronously after launch: keep adding
    // reminders elsewhere until the app has heard of one and synced.
    int added = 0;
    auto lastPut = std::chrono::steady_clock::now() - 1s;
    EXPECT_TRUE(waitUntil([&] {
        if (imported())
            return true;
        if (std::chrono::steady_clock::now() - lastPut >= 700ms) {
            lastPut = std::chrono::steady_clock::now();
            ++added;
            putComponent("auto-list", "BEGIN:VTODO\r\nUID:auto-" + std::to_string(added) + "\r\nSUMMARY:From outside "
                    + std::to_string(added) + "\r\nDUE:" + due + "\r\nEND:VTODO\r\n");
        }
        // Time in the app moves on only as far as the test says.
        fixture.scheduler.advance(50ms);
        return false;
    }, 20s)) << "the outside reminder never arrived";
    ASSERT_TRUE(state.lastSyncReport().has_value());
    EXPECT_GE(state.lastSyncReport()->remindersImported, 1);
    EXPECT_EQ(state.syncStatus().rfind("同步完成：", 0), 0u) << state.syncStatus();
    EXPECT_FALSE(state.isSyncing());
}

} // namespace
