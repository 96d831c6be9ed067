#include "EdsTestSupport.h"

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "support/ManualClock.h"
#include "support/StateFixture.h"
#include "support/TempDir.h"
#include "sync/eds/EdsModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <ostream>

using namespace brivet;
using namespace brivet::testing;

namespace {

long countContaining(const AppLogger& logger, const std::string& text)
{
    return std::count_if(logger.entries().begin(), logger.entries().end(),
        [&](const std::string& entry) { return entry.find(text) != std::string::npos; });
}

struct UnusableModule {
    const char* name;
    // Writes the module into `folder`; its path.
    std::filesystem::path (*make)(const std::filesystem::path& folder);
};

void PrintTo(const UnusableModule& module, std::ostream* out)
{
    *out << module.name;
}

class EdsModuleUnusable : public ::testing::TestWithParam<UnusableModule> {
protected:
    std::filesystem::path module() { return GetParam().make(dir.path()); }

    TempDir dir;
    ManualClock clock;
    UserCalendar calendar;
    AppLogger logger { clock, calendar };
};

std::filesystem::path writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const UnusableModule unusableModules[] = {
    { "Missing", [](const std::filesystem::path& folder) { return folder / "brivet-eds.so"; } },
    { "Empty", [](const std::filesystem::path& folder) { return writeFile(folder / "brivet-eds.so", ""); } },
    { "Garbage",
        [](const std::filesystem::path& folder) {
            return writeFile(folder / "brivet-eds.so", std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(4000, '\xa5'));
        } },
    { "OtherBuild", [](const std::filesystem::path&) { return std::filesystem::path(BRIVET_EDS_WRONG_MODULE); } },
};

TEST_P(EdsModuleUnusable, EveryCallFailsWithTheModuleNamedAndItIsLoggedOnce)
{
    const std::filesystem::path path = module();
    auto store = makeEdsModuleEventStore(path, "Europe/Berlin", &logger);

    std::optional<EventStore::AccessResult> access;
    store->requestAccess(StoreEntityType::reminder, [&](EventStore::AccessResult result) { access = result; });
    ASSERT_TRUE(access.has_value()) << "an unusable module answers at once";
    auto* error = std::get_if<StoreError>(&*access);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(error->description.find("module could not be loaded"), std::string::npos) << error->description;
    EXPECT_NE(error->description.find(path.string()), std::string::npos) << error->description;

    bool fetched = false;
    store->fetchReminders({}, [&](EventStore::RemindersResult reminders) {
        fetched = true;
        EXPECT_TRUE(std::holds_alternative<StoreError>(reminders));
    });
    EXPECT_TRUE(fetched);
    bool events = false;
    store->fetchEvents(clock.now(), clock.now(), {}, [&](EventStore::EventsResult found) {
        events = true;
        EXPECT_TRUE(std::holds_alternative<StoreError>(found));
    });
    EXPECT_TRUE(events);
    std::optional<EventStore::SaveResult> saved;
    store->saveReminder(StoreReminder {}, [&](EventStore::SaveResult result) { saved = result; });
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(std::holds_alternative<StoreError>(*saved));
    EXPECT_TRUE(std::holds_alternative<StoreError>(store->calendars(StoreEntityType::event)));
    EXPECT_FALSE(store->defaultCalendarForNewReminders().has_value());
    store->setChangeHandler([] { });
    store->setChangeHandler({});

    EXPECT_EQ(countContaining(logger, "Sync is unavailable: The Evolution Data Server module could not be loaded"), 1);
}

// What the user sees: a sync that fails with the reason, as any failing
// store does, and the notes left as they were.
TEST_P(EdsModuleUnusable, SyncFailsWithTheReasonInTheStatus)
{
    std::unique_ptr<SyncService> service; // outlives the state
    StateFixture fixture;
    AppPreferences& preferences = fixture.preferencesStore.fallback;
    preferences = AppPreferences::defaultValue(fixture.calendar, fixture.clock.now());
    preferences.selectedReminderListIDs = { "some-list" };
    preferences.hasActivatedSync = true;
    service = makeEdsModuleSyncService(fixture.clock, fixture.calendar, module(), fixture.logger.get());
    fixture.syncService = service.get();
    AppState& state = fixture.launch();
    const std::size_t notes = state.notes().size();

    state.synchronizeSystemData(true);
    fixture.scheduler.runDue();

    EXPECT_EQ(state.syncStatus().rfind("同步失败：无法访问提醒事项：系统存储报告了错误（The Evolution Data Server module could not be loaded", 0), 0u)
        << state.syncStatus();
    EXPECT_FALSE(state.isSyncing());
    EXPECT_EQ(state.notes().size(), notes);
}

INSTANTIATE_TEST_SUITE_P(Modules, EdsModuleUnusable, ::testing::ValuesIn(unusableModules),
    [](const auto& info) { return std::string(info.param.name); });

// Subscribing while the app starts hands the loading to a later turn; an
// unsubscription in between means it never happens.
TEST(EdsModuleTest, ASubscriptionLoadsTheModuleOnlyWhenTheDeferredWorkRuns)
{
    ManualClock clock;
    UserCalendar calendar;
    AppLogger logger { clock, calendar };
    std::vector<std::function<void()>> deferred;
    auto defer = [&](std::function<void()> work) { deferred.push_back(std::move(work)); };
    const std::string attempted = "Sync is unavailable";

    auto store = makeEdsModuleEventStore("/nonexistent/brivet-eds.so", "UTC", &logger, defer);
    store->setChangeHandler([] { });
    store->setChangeHandler([] { });
    ASSERT_EQ(deferred.size(), 1u) << "one hand-over however often the handler changes";
    EXPECT_EQ(countContaining(logger, attempted), 0);
    deferred.front()();
    EXPECT_EQ(countContaining(logger, attempted), 1);

    deferred.clear();
    auto unsubscribed = makeEdsModuleEventStore("/nonexistent/brivet-eds.so", "UTC", &logger, defer);
    unsubscribed->setChangeHandler([] { });
    unsubscribed->setChangeHandler({});
    ASSERT_EQ(deferred.size(), 1u);
    deferred.front()();
    EXPECT_EQ(countContaining(logger, attempted), 1) << "nothing was loaded for a subscription already withdrawn";

    // The deferred work may outlive the store.
    deferred.clear();
    auto gone = makeEdsModuleEventStore("/nonexistent/brivet-eds.so", "UTC", &logger, defer);
    gone->setChangeHandler([] { });
    gone.reset();
    ASSERT_EQ(deferred.size(), 1u);
    deferred.front()();
    EXPECT_EQ(countContaining(logger, attempted), 1);
}

class EdsModuleStoreTest : public EdsTest { };

TEST_F(EdsModuleStoreTest, TheBuiltModuleLoadsOnFirstUseAndReachesTheStore)
{
    ManualClock clock;
    UserCalendar calendar;
    AppLogger logger { clock, calendar };
    addList("module-list", "Module List");
    auto store = makeEdsModuleEventStore(BRIVET_EDS_MODULE, "UTC", &logger);
    EXPECT_TRUE(std::holds_alternative<StoreError>(store->calendars(StoreEntityType::reminder))) << "a plain read loads nothing";
    EXPECT_EQ(countContaining(logger, "Loaded the Evolution Data Server module"), 0);

    auto access = awaitCompletion<EventStore::AccessResult>(
        [&](auto done) { store->requestAccess(StoreEntityType::reminder, std::move(done)); });
    ASSERT_TRUE(access.has_value());
    ASSERT_TRUE(std::holds_alternative<bool>(*access) && std::get<bool>(*access));
    EXPECT_EQ(countContaining(logger, "Loaded the Evolution Data Server module"), 1);
    const auto lists = listed(*store, StoreEntityType::reminder);
    EXPECT_TRUE(std::any_of(lists.begin(), lists.end(), [](const StoreCalendar& list) { return list.uid == "module-list"; }));
}

} // namespace
