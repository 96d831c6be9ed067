#ifdef BRIVET_HAVE_EDS
// GLib's headers name a field `signals`; they come before Qt's macro.
#include "EdsSandbox.h"
#include "sync/eds/EdsModule.h"

#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardView.h"
#include "dashboard/ToggleSwitch.h"
#include "model/AppLogger.h"
#include "model/JsonStores.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <chrono>

using namespace brivet;
using namespace brivet::testing;

namespace {

// Runs both the Qt and the GLib loop until `condition` holds.
bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        g_main_context_iteration(nullptr, FALSE);
    }
    return true;
}

TEST(EdsSyncCenterTest, ListsTheStoresListsAndASelectionReachesThePreferencesFile)
{
    if (auto missing = EdsSandbox::missingTools())
        GTEST_SKIP() << "no Evolution Data Server here: " << *missing;
    EdsSandbox eds;
    if (auto error = eds.start())
        FAIL() << "the private Evolution Data Server did not start: " << *error;
    ASSERT_FALSE(eds.addSource({ "dash-work", "工作", true, "local", "#FF9500" }));
    ASSERT_FALSE(eds.addSource({ "dash-home", "家庭", true, "local", std::nullopt }));
    ASSERT_FALSE(eds.addSource({ "dash-team", "团队日历", false, "local", "#007AFF" }));

    ManualClock clock;
    ManualScheduler scheduler { clock };
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    clock.set(*calendar.instant(UserCalendar::Components { 2026, 12, 5, 10, 0, 0 }));
    TempDir dir;
    DataFolder folder(dir.path() / "Brivet");
    ASSERT_TRUE(folder.ensureExists());
    JsonPreferencesStore preferences(folder, clock, calendar);
    MemoryNoteRepository notes;
    DefaultTemplateProvider templates(clock, calendar);
    AppLogger logger(clock, calendar);
    FixedScreenList screens({ Rect { 0, 0, 1920, 1055 } });
    std::unique_ptr<SyncService> sync = makeEdsModuleSyncService(clock, calendar, BRIVET_EDS_MODULE);
    auto state = std::make_unique<AppState>(AppStateDependencies { notes, preferences, templates, *sync, logger, clock,
        scheduler, screens, calendar, [](AppState&) { return std::make_unique<RecordingWindowManager>(); },
        SaveThread::caller });
    scheduler.runDue();
    state->setDashboardDestination(DashboardDestination::sync);

    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* dashboard = new DashboardView(*state, scheduler, &window);
        layout->addWidget(dashboard);
        window.resize(1080, 720);
        window.show();
        DashboardSyncCenterView* center = dashboard->syncCenter();

        center->refreshButton()->click();
        scheduler.runDue();
        ASSERT_TRUE(pumpUntil([&] { return state->syncSources().remindersAuthorized; }));
        QCoreApplication::processEvents();

        std::vector<QString> lists;
        ToggleSwitch* home = nullptr;
        for (const auto& [title, toggle] : center->sourceRows(SyncSourceKind::reminderList)) {
            lists.push_back(title);
            if (title == QStringLiteral("家庭"))
                home = toggle;
        }
        EXPECT_NE(std::find(lists.begin(), lists.end(), QStringLiteral("工作")), lists.end());
        ASSERT_NE(home, nullptr);
        bool teamListed = false;
        for (const auto& [title, toggle] : center->sourceRows(SyncSourceKind::calendar))
            teamListed = teamListed || title == QStringLiteral("团队日历");
        EXPECT_TRUE(teamListed);
        EXPECT_FALSE(center->sourcesNotice(SyncSourceKind::reminderList)->isVisible());

        home->click();
        scheduler.advance(std::chrono::seconds(1));
        std::string file = readFile(folder.preferencesFile());
        auto key = file.find("\"selectedReminderListIDs\"");
        ASSERT_NE(key, std::string::npos);
        EXPECT_NE(file.find("\"dash-home\"", key), std::string::npos) << file;
        EXPECT_EQ(file.find("\"dash-work\""), std::string::npos);
    }
    state.reset();
    sync.reset();
}

} // namespace
#endif
