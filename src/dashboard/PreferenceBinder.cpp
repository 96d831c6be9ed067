#include "dashboard/PreferenceBinder.h"

#include "dashboard/DashboardDates.h"
#include "dashboard/ToggleSwitch.h"
#include "state/AppState.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QSignalBlocker>

namespace brivet {

PreferenceBinder::PreferenceBinder(AppState& state, QObject* parent)
    : QObject(parent)
    , m_state(state)
{
}

void PreferenceBinder::bindSwitch(ToggleSwitch* control, bool AppPreferences::*field)
{
    AppState* state = &m_state;
    connect(control, &ToggleSwitch::toggled, this,
        [state, field](bool on) { state->updatePreferences([&](AppPreferences& p) { p.*field = on; }); });
    m_updaters.push_back([control, field](const AppPreferences& p) { control->setOn(p.*field); });
}

void PreferenceBinder::bindPickerInt(QComboBox* control, std::function<int(const AppPreferences&)> read,
    std::function<void(AppPreferences&, int)> write)
{
    AppState* state = &m_state;
    connect(control, &QComboBox::activated, this, [state, control, write](int index) {
        int value = control->itemData(index).toInt();
        state->updatePreferences([&](AppPreferences& p) { write(p, value); });
    });
    m_updaters.push_back([control, read](const AppPreferences& p) {
        QSignalBlocker block(control);
        control->setCurrentIndex(control->findData(read(p)));
    });
}

void PreferenceBinder::bindDate(QDateEdit* control, Instant AppPreferences::*field)
{
    AppState* state = &m_state;
    control->setCalendarPopup(true);
    QLocale locale = DashboardDates::locale(state->calendar());
    control->setLocale(locale);
    control->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat));
    // Committed when a day is picked or editing ends, not on every digit
    // typed: the update keeps the end on or after the start, which would
    // move the other date while a year is half typed.
    auto commit = [state, field](QDate date) {
        if (!date.isValid())
            return;
        Instant day = DashboardDates::startOfDay(date, state->calendar());
        if (state->preferences().*field == day)
            return;
        state->updatePreferences([&](AppPreferences& p) { p.*field = day; });
    };
    connect(control, &QDateEdit::editingFinished, this, [control, commit] { commit(control->date()); });
    if (QCalendarWidget* calendar = control->calendarWidget())
        connect(calendar, &QCalendarWidget::clicked, this, commit);
    m_updaters.push_back([control, field, state](const AppPreferences& p) {
        QSignalBlocker block(control);
        control->setDate(DashboardDates::date(p.*field, state->calendar()));
    });
}

void PreferenceBinder::apply()
{
    const AppPreferences& preferences = m_state.preferences();
    for (const auto& update : m_updaters)
        update(preferences);
}

} // namespace brivet
