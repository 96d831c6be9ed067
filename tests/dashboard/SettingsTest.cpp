#include "DashboardFixture.h"

#include "dashboard/DashboardTexts.h"
#include "dashboard/ReminderSettingsSection.h"
#include "dashboard/ToggleSwitch.h"
#include "dashboard/SettingsView.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using namespace brivet;
using namespace brivet::testing;

namespace {

using SettingsTest = DashboardTest;

TEST_F(SettingsTest, OpacityIsAWholeLocalePercentageAndNeverBelowTenPercent)
{
    StickyNote note = makeNote("卡片");
    note.isHidden = false;
    launch({ note });
    SettingsView* settings = open(DashboardDestination::settings).settings();
    EXPECT_EQ(settings->opacityLabel()->text(), QStringLiteral("92%"));
    QSlider* slider = settings->opacitySlider();
    slider->setValue(0);
    EXPECT_EQ(slider->value(), 10);
    EXPECT_DOUBLE_EQ(state().preferences().defaultOpacity, 0.1);
    EXPECT_EQ(settings->opacityLabel()->text(), QStringLiteral("10%"));
    slider->setValue(55);
    EXPECT_DOUBLE_EQ(stored(note.id).style.opacity, 0.55) << "applied to the notes at once";

    EXPECT_EQ(DashboardTexts::percent(0.92, "zh_CN"), "92%");
    EXPECT_EQ(DashboardTexts::percent(0.916, "en_US"), "92%");
    EXPECT_EQ(DashboardTexts::percent(0.5, "tr_TR"), "%50") << "where the locale puts the sign";
}

TEST_F(SettingsTest, PickersEditTheirPreferenceAndTheCustomScopeShowsDates)
{
    launch({});
    SettingsView* settings = open(DashboardDestination::settings).settings();
    EXPECT_FALSE(settings->customRange()->isVisible());
    auto choose = [](QComboBox* picker, int value) {
        int index = picker->findData(value);
        ASSERT_GE(index, 0);
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    };
    choose(settings->scopePicker(), int(SyncDateScope::custom));
    EXPECT_TRUE(settings->customRange()->isVisible());
    choose(settings->scopePicker(), int(SyncDateScope::today));
    EXPECT_FALSE(settings->customRange()->isVisible());

    choose(settings->layerPicker(), int(NoteWindowLayerMode::topMost));
    choose(settings->menuBarTitlePicker(), int(MenuBarTitleMode::currentTask));
    choose(settings->themePicker(), int(NoteTheme::urgent));
    const AppPreferences& p = state().preferences();
    EXPECT_EQ(p.noteWindowLayerMode, NoteWindowLayerMode::topMost);
    EXPECT_EQ(p.menuBarTitleMode, MenuBarTitleMode::currentTask);
    EXPECT_EQ(p.defaultTheme, NoteTheme::urgent);
    EXPECT_EQ(settings->layerPicker()->itemText(0), QStringLiteral("贴桌面显示"));
    EXPECT_FALSE(settings->exportSection()->isVisible()) << "nothing has been exported";
}

TEST_F(SettingsTest, TheSyncButtonSaysSoOnceAHandStartedSyncHasSucceeded)
{
    launch({});
    SettingsView* settings = open(DashboardDestination::settings).settings();
    EXPECT_EQ(settings->syncButton()->text(), QStringLiteral("开始同步"));
    state().updatePreferences([](AppPreferences& p) { p.selectedReminderListIDs = { "list" }; });
    settings->syncButton()->click();
    fixture.scheduler.runDue();
    EXPECT_EQ(settings->syncButton()->text(), QStringLiteral("立即执行同步"));
}

} // namespace

namespace {

TEST_F(SettingsTest, TheReminderSectionSwitchesNoticesAndTheKindsFollowTheMainSwitch)
{
    launch({});
    SettingsView* settings = open(DashboardDestination::settings).settings();
    auto* section = settings->findChild<ReminderSettingsSection*>();
    ASSERT_TRUE(section);
    EXPECT_TRUE(section->enabledSwitch()->isChecked());
    EXPECT_TRUE(section->dueSwitch()->isChecked());
    EXPECT_TRUE(section->returnedSwitch()->isChecked());
    EXPECT_FALSE(section->calendarSwitch()->isChecked()) << "calendar starts are off until asked for";
    EXPECT_EQ(section->calendarSwitch()->accessibleName(), QStringLiteral("日历事件开始时提醒"));

    section->calendarSwitch()->click();
    EXPECT_TRUE(state().preferences().noticeAtCalendarEventStart);
    section->enabledSwitch()->click();
    EXPECT_FALSE(state().preferences().noticesEnabled);
    EXPECT_FALSE(section->dueSwitch()->isEnabled());
    EXPECT_TRUE(state().preferences().noticeWhenDue) << "each kind keeps its choice for when notices are on again";
}

} // namespace
