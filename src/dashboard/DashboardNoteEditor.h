#pragma once

#include "dashboard/DashboardNoteDraft.h"

#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace brivet {

class AppState;
class BoundLineEdit;
class BoundPlainTextEdit;
class DashboardEditorTaskRow;
class StateBridge;
class ToggleSwitch;

// The dashboard's full editor of one note. It edits a draft made when it
// opens and writes nothing until "完成"; "取消" (or Escape) drops the
// draft. Calendar notes open read-only, every other control disabled.
// Changes made to the note elsewhere meanwhile are not shown in the draft,
// but "完成" writes only what the user changed here, so they survive the
// save.
class DashboardNoteEditor final : public QWidget {
    Q_OBJECT
public:
    DashboardNoteEditor(AppState& state, StateBridge& bridge, const Uuid& noteId, QWidget* parent = nullptr);

    const Uuid& noteId() const { return m_noteId; }
    // False when the state held no such note at opening: nothing is shown.
    bool hasContent() const { return m_hasContent; }
    bool isReadOnly() const { return m_readOnly; }
    const DashboardNoteDraft& draft() const { return m_draft; }
    // Whether the user changed anything since the editor opened.
    bool hasChanges() const { return m_hasContent && !m_readOnly && m_draft != m_start; }
    // Writes what the user changed into the state's note; false when
    // nothing was written (read-only or gone).
    bool saveDraft();

    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* doneButton() const { return m_done; }
    BoundLineEdit* titleInput() const { return m_titleInput; }
    BoundPlainTextEdit* detailsInput() const { return m_detailsInput; }
    QPushButton* addTaskButton() const { return m_addTask; }
    QLabel* noTasksLabel() const { return m_noTasks; }
    const std::vector<DashboardEditorTaskRow*>& taskRows() const { return m_taskRows; }
    ToggleSwitch* completedSwitch() const { return m_completed; }
    QComboBox* priorityPicker() const { return m_priority; }
    QComboBox* themePicker() const { return m_theme; }
    ToggleSwitch* dueDateSwitch() const { return m_hasDueDate; }
    QDateTimeEdit* dueDatePicker() const { return m_dueDate; }
    QPushButton* clearDueDateButton() const { return m_clearDueDate; }
    ToggleSwitch* syncSwitch() const { return m_sync; }

signals:
    // "取消": the draft is to be dropped.
    void cancelled();
    // "完成": the draft was saved (or, read-only, nothing was written).
    void saved();
    // The note was deleted elsewhere while the editor was open.
    void noteGone();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void build(const StickyNote& note);
    QWidget* buildEditorSurface(QWidget* parent);
    QWidget* buildTasksSurface(QWidget* parent);
    QWidget* buildSettingsSurface(QWidget* parent);
    void rebuildTaskRows();
    void showDueDate();
    void checkNoteStillExists();
    void keepInDraft(QLineEdit* input, std::function<void(const QString&)> store);

    AppState& m_state;
    Uuid m_noteId;
    bool m_hasContent = false;
    bool m_readOnly = false;
    DashboardNoteDraft m_draft;
    // The draft as the editor opened: what the user changed is what differs.
    DashboardNoteDraft m_start;

    QPushButton* m_cancel = nullptr;
    QPushButton* m_done = nullptr;
    QScrollArea* m_scroll = nullptr;
    BoundLineEdit* m_titleInput = nullptr;
    BoundPlainTextEdit* m_detailsInput = nullptr;
    QPushButton* m_addTask = nullptr;
    QVBoxLayout* m_taskList = nullptr;
    QLabel* m_noTasks = nullptr;
    std::vector<DashboardEditorTaskRow*> m_taskRows;
    ToggleSwitch* m_completed = nullptr;
    QComboBox* m_priority = nullptr;
    QComboBox* m_theme = nullptr;
    QWidget* m_dueDateRow = nullptr;
    QDateTimeEdit* m_dueDate = nullptr;
    QPushButton* m_clearDueDate = nullptr;
    ToggleSwitch* m_hasDueDate = nullptr;
    ToggleSwitch* m_sync = nullptr;
};

} // namespace brivet
