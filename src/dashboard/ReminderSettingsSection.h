#pragma once

#include <QWidget>

namespace brivet {

class AppState;
class PreferenceBinder;
class StateBridge;
class ToggleSwitch;

// Settings' "提醒": desktop notices on or off, and which: due notes,
// returning deferrals, calendar event starts. Each switch is named by its
// row's label for screen readers.
class ReminderSettingsSection final : public QWidget {
    Q_OBJECT
public:
    ReminderSettingsSection(AppState& state, StateBridge& bridge, QWidget* parent = nullptr);

    ToggleSwitch* enabledSwitch() const { return m_enabled; }
    ToggleSwitch* dueSwitch() const { return m_due; }
    ToggleSwitch* returnedSwitch() const { return m_returned; }
    ToggleSwitch* calendarSwitch() const { return m_calendar; }

private:
    // The kinds follow the main switch: off, they cannot be changed.
    void showPreferences();

    AppState& m_state;
    PreferenceBinder* m_binder;
    ToggleSwitch* m_enabled = nullptr;
    ToggleSwitch* m_due = nullptr;
    ToggleSwitch* m_returned = nullptr;
    ToggleSwitch* m_calendar = nullptr;
};

} // namespace brivet
