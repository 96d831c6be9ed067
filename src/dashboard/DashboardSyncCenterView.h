#pragma once

#include "model/Scheduler.h"
#include "sync/SyncTypes.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace brivet {

class SyncLogSection;

class AppState;
class DashboardStepper;
class PreferenceBinder;
class StateBridge;
class ToggleSwitch;

// The sync center: what is imported (date window, filters, lists and
// calendars), the state of sync, the last result, and the buttons that
// read the lists and start a sync. Every setting goes through the state's
// preferences update; list selections through setSource.
class DashboardSyncCenterView final : public QWidget {
    Q_OBJECT
public:
    DashboardSyncCenterView(AppState& state, Scheduler& scheduler, StateBridge& bridge, QWidget* parent = nullptr);
    ~DashboardSyncCenterView() override;

    QPushButton* refreshButton() const { return m_refresh; }
    QPushButton* syncButton() const { return m_syncButton; }
    ToggleSwitch* switchNamed(const QString& text) const;
    QComboBox* surfacePicker() const { return m_surfaceMode; }
    QComboBox* scopePicker() const { return m_scope; }
    QLabel* rangeLabel() const { return m_range; }
    QDateEdit* startPicker() const { return m_start; }
    QDateEdit* endPicker() const { return m_end; }
    DashboardStepper* taskLimitStepper() const { return m_stepper; }
    QLabel* taskLimitLabel() const { return m_stepperLabel; }
    QLabel* statusHeadline() const { return m_headline; }
    QLabel* statusLine() const { return m_status; }
    QWidget* resultsSection() const { return m_results; }
    // The values of the five pills, in their order.
    QStringList resultValues() const;
    QLabel* resultsStatusLabel() const { return m_resultsStatus; }
    SyncLogSection* syncLog() const { return m_log; }
    // The rows of one kind, as (title, switch).
    std::vector<std::pair<QString, ToggleSwitch*>> sourceRows(SyncSourceKind kind) const;
    QLabel* sourcesNotice(SyncSourceKind kind) const;

private:
    struct SourceSection {
        QWidget* section = nullptr;
        QVBoxLayout* rows = nullptr;
        QLabel* notice = nullptr;
        std::vector<QWidget*> rowWidgets;
        std::vector<std::pair<QString, ToggleSwitch*>> switches;
        std::vector<SyncSourceOption> shown;
    };

    QWidget* buildHeader(QWidget* parent);
    QWidget* buildStrategy(QWidget* parent);
    QWidget* buildResults(QWidget* parent);
    void buildSourceSection(SourceSection& section, const QString& title, QWidget* parent);

    void showPreferences();
    void showSync();
    void showSources(SourceSection& section, const std::vector<SyncSourceOption>& options, bool authorized,
        SyncSourceKind kind);

    AppState& m_state;
    Scheduler& m_scheduler;
    PreferenceBinder* m_binder = nullptr;
    TaskHandle m_refreshTask;
    bool m_refreshRequested = false;
    bool m_refreshed = false;

    QPushButton* m_refresh = nullptr;
    SyncLogSection* m_log = nullptr;
    std::vector<ToggleSwitch*> m_switches;
    QComboBox* m_surfaceMode = nullptr;
    QComboBox* m_scope = nullptr;
    QLabel* m_range = nullptr;
    QWidget* m_customRange = nullptr;
    QDateEdit* m_start = nullptr;
    QDateEdit* m_end = nullptr;
    DashboardStepper* m_stepper = nullptr;
    QLabel* m_stepperLabel = nullptr;
    QLabel* m_headline = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_syncButton = nullptr;
    QWidget* m_results = nullptr;
    std::vector<QLabel*> m_pillValues;
    QLabel* m_resultsStatus = nullptr;
    SourceSection m_reminders;
    SourceSection m_calendars;
};

} // namespace brivet
