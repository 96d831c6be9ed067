#pragma once

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSlider;

namespace brivet {

class AppState;
class BackupSection;
class NoteTransferActions;
class PreferenceBinder;
class StateBridge;
class ToggleSwitch;

// The settings page: sync switches and range, the look of new notes and
// desktop windows, the tray title, a short explanation of how the app runs
// and, when there is one, the last export. Every control edits one
// preference through the state's preferences update.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumOpacityPercent = 10;

    SettingsView(AppState& state, StateBridge& bridge, QWidget* parent = nullptr);
    ~SettingsView() override;

    ToggleSwitch* autoSyncSwitch() const { return m_autoSync; }
    ToggleSwitch* calendarSwitch() const { return m_calendarEvents; }
    QComboBox* scopePicker() const { return m_scope; }
    QWidget* customRange() const { return m_customRange; }
    QDateEdit* startPicker() const { return m_start; }
    QDateEdit* endPicker() const { return m_end; }
    QPushButton* syncButton() const { return m_syncButton; }
    QComboBox* themePicker() const { return m_theme; }
    QComboBox* menuBarTitlePicker() const { return m_menuBarTitle; }
    QComboBox* layerPicker() const { return m_layer; }
    QSlider* opacitySlider() const { return m_opacity; }
    QLabel* opacityLabel() const { return m_opacityValue; }
    QWidget* exportSection() const { return m_exportSection; }
    QLabel* exportPath() const { return m_exportPath; }
    QPushButton* trashButton() const { return m_trashButton; }
    QPushButton* openExportFolderButton() const { return m_openExportFolder; }
    BackupSection* backupSection() const { return m_backups; }
    NoteTransferActions* transfer() const { return m_transfer; }
    QLabel* transferStatus() const { return m_transferStatus; }

signals:
    void trashRequested();

private:
    void showPreferences();
    void showExport();

    AppState& m_state;
    PreferenceBinder* m_binder = nullptr;

    ToggleSwitch* m_autoSync = nullptr;
    ToggleSwitch* m_calendarEvents = nullptr;
    QComboBox* m_scope = nullptr;
    QWidget* m_customRange = nullptr;
    QDateEdit* m_start = nullptr;
    QDateEdit* m_end = nullptr;
    QPushButton* m_syncButton = nullptr;
    QComboBox* m_theme = nullptr;
    QComboBox* m_menuBarTitle = nullptr;
    QComboBox* m_layer = nullptr;
    QSlider* m_opacity = nullptr;
    QLabel* m_opacityValue = nullptr;
    QWidget* m_exportSection = nullptr;
    QLabel* m_exportPath = nullptr;
    QPushButton* m_trashButton = nullptr;
    QPushButton* m_openExportFolder = nullptr;
    BackupSection* m_backups = nullptr;
    NoteTransferActions* m_transfer = nullptr;
    QLabel* m_transferStatus = nullptr;
};

} // namespace brivet
