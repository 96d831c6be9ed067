#include "dashboard/ReminderSettingsSection.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/PreferenceBinder.h"
#include "dashboard/ToggleSwitch.h"
#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QVBoxLayout>

namespace brivet {

ReminderSettingsSection::ReminderSettingsSection(AppState& state, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_binder(new PreferenceBinder(state, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* section = new FormSection(QStringLiteral("提醒"), this);
    layout->addWidget(section);
    auto add = [&](const QString& label, bool AppPreferences::*field) {
        auto* control = new ToggleSwitch(label);
        m_binder->bindSwitch(control, field);
        section->addRow(label, control);
        return control;
    };
    m_enabled = add(QStringLiteral("桌面通知"), &AppPreferences::noticesEnabled);
    m_due = add(QStringLiteral("便签到期时提醒"), &AppPreferences::noticeWhenDue);
    m_returned = add(QStringLiteral("稍后的便签回来时提醒"), &AppPreferences::noticeWhenDeferralEnds);
    m_calendar = add(QStringLiteral("日历事件开始时提醒"), &AppPreferences::noticeAtCalendarEventStart);
    connect(&bridge, &StateBridge::preferencesChanged, this, &ReminderSettingsSection::showPreferences);
    showPreferences();
}

void ReminderSettingsSection::showPreferences()
{
    m_binder->apply();
    const bool on = m_state.preferences().noticesEnabled;
    for (ToggleSwitch* kind : { m_due, m_returned, m_calendar })
        kind->setEnabled(on);
}

} // namespace brivet
