#include "DashboardFixture.h"

#include "dashboard/DashboardStepper.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/SyncLogSection.h"
#include "dashboard/ToggleSwitch.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

using namespace brivet;
using namespace brivet::testing;

namespace {

class SyncCenterTest : public DashboardTest {
protected:
    DashboardSyncCenterView* center() { return view().syncCenter(); }
    void chooseScope(SyncDateScope scope)
    {
        QComboBox* picker = center()->scopePicker();
        int index = picker->findData(int(scope));
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    }
    static SyncSourceOption option(std::string id, std::string title, SyncSourceKind kind, std::optional<std::string> color = {})
    {
        return SyncSourceOption { std::move(id), std::move(title), "账户", kind, std::move(color) };
    }
};

TEST_F(SyncCenterTest, SwitchesAndPickersGoThroughThePreferences)
{
    launch({});
    open(DashboardDestination::sync);
    center()->switchNamed(QStringLiteral("系统有新事项时自动同步"))->click();
    center()->switchNamed(QStringLiteral("仅导入高优先级提醒"))->click();
    EXPECT_TRUE(state().preferences().autoSyncEnabled);
    EXPECT_TRUE(state().preferences().onlyImportHighPriorityReminders);
    QComboBox* surface = center()->surfacePicker();
    surface->setCurrentIndex(2);
    emit surface->activated(2);
    EXPECT_EQ(state().preferences().desktopSurfaceMode, DesktopSurfaceMode::allImportedNotes);
    fixture.scheduler.advance(std::chrono::seconds(1));
    ASSERT_TRUE(fixture.preferencesStore.stored);
    EXPECT_TRUE(fixture.preferencesStore.stored->onlyImportHighPriorityReminders);

    // A change made elsewhere shows here.
    state().updatePreferences([](AppPreferences& p) { p.autoSyncEnabled = false; });
    EXPECT_FALSE(center()->switchNamed(QStringLiteral("系统有新事项时自动同步"))->isChecked());
}

TEST_F(SyncCenterTest, TheStepperStaysBetweenThreeAndNine)
{
    fixture.preferencesStore.fallback.focusBoardTaskLimit = 8;
    launch({});
    open(DashboardDestination::sync);
    DashboardStepper* stepper = center()->taskLimitStepper();
    EXPECT_EQ(center()->taskLimitLabel()->text(), QStringLiteral("每张场景板最多展示 8 项"));
    stepper->incrementButton()->click();
    EXPECT_EQ(state().preferences().focusBoardTaskLimit, 9);
    EXPECT_FALSE(stepper->incrementButton()->isEnabled());
    stepper->incrementButton()->click();
    EXPECT_EQ(state().preferences().focusBoardTaskLimit, 9);
    EXPECT_EQ(center()->taskLimitLabel()->text(), QStringLiteral("每张场景板最多展示 9 项"));
    for (int i = 0; i < 10; ++i)
        stepper->decrementButton()->click();
    EXPECT_EQ(state().preferences().focusBoardTaskLimit, 3);
    EXPECT_FALSE(stepper->decrementButton()->isEnabled());
    EXPECT_TRUE(stepper->incrementButton()->isEnabled());
}

TEST_F(SyncCenterTest, ACustomScopeShowsPickersAndAnEndBeforeTheStartIsCorrected)
{
    launch({});
    open(DashboardDestination::sync);
    EXPECT_TRUE(center()->rangeLabel()->isVisible());
    EXPECT_EQ(center()->rangeLabel()->text(), QStringLiteral("当前范围：12月5日 - 12月12日"));
    chooseScope(SyncDateScope::custom);
    EXPECT_FALSE(center()->rangeLabel()->isVisible());
    ASSERT_TRUE(center()->startPicker()->isVisible());
    EXPECT_TRUE(center()->endPicker()->isVisible());

    center()->startPicker()->setDate(QDate(2026, 12, 20));
    emit center()->startPicker()->editingFinished();
    EXPECT_EQ(state().preferences().syncStartDate, at(2026, 12, 20));
    EXPECT_EQ(state().preferences().syncEndDate, at(2026, 12, 20)) << "the end moved up to the start";
    EXPECT_EQ(center()->endPicker()->date(), QDate(2026, 12, 20));

    center()->endPicker()->setDate(QDate(2026, 12, 1));
    emit center()->endPicker()->editingFinished();
    EXPECT_EQ(state().preferences().syncEndDate, at(2026, 12, 20));
    EXPECT_EQ(center()->endPicker()->date(), QDate(2026, 12, 20));

    chooseScope(SyncDateScope::next3Days);
    EXPECT_TRUE(center()->rangeLabel()->isVisible());
    EXPECT_EQ(center()->rangeLabel()->text(), QStringLiteral("当前范围：12月20日 - 12月23日"));
}

TEST_F(SyncCenterTest, ResultsAppearOnlyAfterASuccessfulSync)
{
    StickyNote note = makeNote("保持原样");
    launch({ note });
    open(DashboardDestination::sync);
    EXPECT_FALSE(center()->resultsSection()->isVisible());
    EXPECT_EQ(center()->syncButton()->text(), QStringLiteral("开始同步"));
    EXPECT_EQ(center()->statusHeadline()->text(), QStringLiteral("尚未开始同步"));

    state().updatePreferences([](AppPreferences& p) { p.selectedReminderListIDs = { "list" }; });
    std::vector<StickyNote> before = state().notes();
    sync.failure = "Evolution Data Server is not reachable";
    center()->syncButton()->click();
    fixture.scheduler.runDue();
    EXPECT_EQ(sync.syncs, 1);
    EXPECT_FALSE(center()->resultsSection()->isVisible());
    EXPECT_EQ(center()->statusLine()->text(), QStringLiteral("同步失败：Evolution Data Server is not reachable"));
    EXPECT_EQ(state().notes(), before) << "a failed sync changes no note";
    EXPECT_EQ(center()->syncButton()->text(), QStringLiteral("开始同步"));

    sync.failure.reset();
    sync.report = SyncReport { 2, 1, 4, 0, 0 };
    center()->syncButton()->click();
    fixture.scheduler.runDue();
    ASSERT_TRUE(center()->resultsSection()->isVisible());
    QStringList values = center()->resultValues();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values.mid(0, 3), (QStringList { "2", "1", "4" }));
    EXPECT_EQ(values[4], QString::number(state().notes().size()));
    EXPECT_EQ(center()->resultsStatusLabel()->text(), QString::fromStdString(state().lastSyncReport()->statusText()));
    EXPECT_EQ(center()->syncButton()->text(), QStringLiteral("立即同步"));
    EXPECT_EQ(center()->statusHeadline()->text(), QStringLiteral("同步已激活"));
}

// "同步记录" lists each sync as it ends, newest first, and says what it did
// to which note behind "详情".
TEST_F(SyncCenterTest, TheSyncLogListsEachSyncAndWhatItDidBehindDetails)
{
    launch({ makeNote("保持原样") });
    open(DashboardDestination::sync);
    SyncLogSection* log = center()->syncLog();
    EXPECT_TRUE(log->headlines().isEmpty());

    state().updatePreferences([](AppPreferences& p) { p.selectedReminderListIDs = { "list" }; });
    sync.report = SyncReport { 1, 1, 0, 0, 0 };
    sync.actions.add({ SyncActionKind::imported, "交周报", {}, {} });
    sync.actions.add({ SyncActionKind::writtenToStore, "买牛奶", {}, SyncSide::note });
    center()->syncButton()->click();
    fixture.scheduler.runDue();
    ASSERT_EQ(log->headlines().size(), 1);
    EXPECT_TRUE(log->headlines()[0].endsWith(QStringLiteral(" · 手动 · 0.0 秒 · 完成"))) << log->headlines()[0].toStdString();
    EXPECT_EQ(log->detailLines(0),
        (QStringList { QStringLiteral("导入「交周报」"), QStringLiteral("写入系统提醒「买牛奶」（两边都改过，以便签为准）") }));
    QToolButton* details = log->detailsButton(0);
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->accessibleName(), QStringLiteral("同步详情：") + log->headlines()[0]);

    sync.failure = "Evolution Data Server is not reachable";
    center()->syncButton()->click();
    fixture.scheduler.runDue();
    ASSERT_EQ(log->headlines().size(), 2);
    EXPECT_TRUE(log->headlines()[0].endsWith(QStringLiteral(" · 失败"))) << "newest first";
    EXPECT_EQ(log->detailsButton(0), nullptr) << "nothing done, nothing to detail";
}

TEST_F(SyncCenterTest, SourcesAreListedAfterARefreshAndSelectionsReachThePreferences)
{
    sync.snapshot.remindersAuthorized = true;
    sync.snapshot.calendarsAuthorized = true;
    sync.snapshot.reminderLists = { option("work", "工作", SyncSourceKind::reminderList, "#FF9500"),
        option("home", "家庭", SyncSourceKind::reminderList) };
    launch({});
    open(DashboardDestination::sync);
    // Nothing is read before the button is pressed.
    EXPECT_TRUE(center()->sourceRows(SyncSourceKind::reminderList).empty());
    EXPECT_TRUE(center()->sourcesNotice(SyncSourceKind::reminderList)->isVisible());
    EXPECT_TRUE(center()->sourcesNotice(SyncSourceKind::reminderList)->text().contains(QStringLiteral("刷新源列表")));

    center()->refreshButton()->click();
    fixture.scheduler.runDue();
    auto rows = center()->sourceRows(SyncSourceKind::reminderList);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].first, QStringLiteral("工作"));
    EXPECT_FALSE(center()->sourcesNotice(SyncSourceKind::reminderList)->isVisible());
    // Access without calendars: an empty section without text.
    EXPECT_TRUE(center()->sourceRows(SyncSourceKind::calendar).empty());
    EXPECT_FALSE(center()->sourcesNotice(SyncSourceKind::calendar)->isVisible());

    rows[1].second->click();
    EXPECT_EQ(state().preferences().selectedReminderListIDs, (std::set<std::string> { "home" }));
    fixture.scheduler.advance(std::chrono::seconds(1));
    ASSERT_TRUE(fixture.preferencesStore.stored);
    EXPECT_EQ(fixture.preferencesStore.stored->selectedReminderListIDs, (std::set<std::string> { "home" }));
    rows[1].second->click();
    EXPECT_TRUE(state().preferences().selectedReminderListIDs.empty());
}

TEST_F(SyncCenterTest, AStoreThatDoesNotAnswerSaysWhatToInstallOrStart)
{
    launch({});
    open(DashboardDestination::sync);
    QString before = center()->sourcesNotice(SyncSourceKind::calendar)->text();
    center()->refreshButton()->click();
    fixture.scheduler.runDue();
    QString after = center()->sourcesNotice(SyncSourceKind::calendar)->text();
    EXPECT_NE(before, after);
    EXPECT_TRUE(after.contains(QStringLiteral("没有响应")));
    EXPECT_TRUE(after.contains(QStringLiteral("evolution-data-server")));
    EXPECT_TRUE(center()->sourcesNotice(SyncSourceKind::reminderList)->text().contains(QStringLiteral("D-Bus")));

    // A store that says why it cannot be reached: both sections say so,
    // with its reason, instead of standing empty.
    sync.snapshot.unreachable = "Evolution Data Server is not reachable: no registry";
    center()->refreshButton()->click();
    fixture.scheduler.runDue();
    for (SyncSourceKind kind : { SyncSourceKind::reminderList, SyncSourceKind::calendar }) {
        QLabel* notice = center()->sourcesNotice(kind);
        EXPECT_TRUE(notice->isVisible());
        EXPECT_TRUE(notice->text().startsWith(QStringLiteral("无法连接系统提醒与日历服务"))) << notice->text().toStdString();
        EXPECT_TRUE(notice->text().contains(QStringLiteral("（Evolution Data Server is not reachable: no registry）")));
        EXPECT_TRUE(center()->sourceRows(kind).empty());
    }
}

} // namespace
