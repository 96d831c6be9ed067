#pragma once

#include "model/AppPreferences.h"

#include <QObject>

#include <functional>
#include <vector>

class QComboBox;
class QDateEdit;

namespace brivet {

class AppState;
class ToggleSwitch;

// Binds settings controls to preference fields: a user change goes through
// the state's general preferences update (normalised and saved there);
// apply() shows the state's values again without re-sending them.
class PreferenceBinder final : public QObject {
    Q_OBJECT
public:
    explicit PreferenceBinder(AppState& state, QObject* parent = nullptr);

    void bindSwitch(ToggleSwitch* control, bool AppPreferences::*field);
    // Items hold the enumeration's cases as ints, in declaration order.
    template<typename Enum>
    void bindPicker(QComboBox* control, Enum AppPreferences::*field);
    // The picker shows the calendar day of the field; choosing a day
    // stores the start of that day.
    void bindDate(QDateEdit* control, Instant AppPreferences::*field);
    void bindCustom(std::function<void(const AppPreferences&)> show) { m_updaters.push_back(std::move(show)); }

    void apply();
    AppState& state() const { return m_state; }

private:
    void bindPickerInt(QComboBox* control, std::function<int(const AppPreferences&)> read,
        std::function<void(AppPreferences&, int)> write);

    AppState& m_state;
    std::vector<std::function<void(const AppPreferences&)>> m_updaters;
};

template<typename Enum>
void PreferenceBinder::bindPicker(QComboBox* control, Enum AppPreferences::*field)
{
    bindPickerInt(
        control, [field](const AppPreferences& p) { return static_cast<int>(p.*field); },
        [field](AppPreferences& p, int value) { p.*field = static_cast<Enum>(value); });
}

} // namespace brivet
