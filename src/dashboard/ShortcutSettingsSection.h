#pragma once

#include <QString>
#include <QWidget>

#include <map>

class QKeySequenceEdit;
class QLabel;
class QPushButton;

namespace brivet {

class AppState;
class FormSection;
class GlobalShortcuts;

// Settings' "快捷键": each action with its key. Where the app grabs the keys
// itself each one is edited in place (a key editor; a key another program
// holds says so); where the desktop's portal keeps them the keys are shown
// and "在桌面中设置快捷键" opens the desktop's dialog. A change goes into the
// preferences through the state and the keys are taken again.
class ShortcutSettingsSection final : public QWidget {
    Q_OBJECT
public:
    // `shortcuts` is the app's shortcuts service; when null, the one the
    // application object holds as a child, if any.
    ShortcutSettingsSection(AppState& state, GlobalShortcuts* shortcuts = nullptr, QWidget* parent = nullptr);

    QLabel* statusLabel() const { return m_status; }
    QKeySequenceEdit* keyEditor(const QString& id) const;
    // The key as the desktop describes it (portal), or what is wrong with
    // it ("已被其他程序占用").
    QLabel* keyNote(const QString& id) const;
    QPushButton* configureButton() const { return m_configure; }
    QPushButton* resetButton() const { return m_reset; }

private:
    struct Row {
        QKeySequenceEdit* editor = nullptr;
        QLabel* note = nullptr;
    };
    void refresh();
    void choose(const QString& id);

    AppState& m_state;
    GlobalShortcuts* m_shortcuts;
    FormSection* m_section = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_configure = nullptr;
    QPushButton* m_reset = nullptr;
    std::map<QString, Row> m_rows;
};

} // namespace brivet
