#pragma once

#include "model/StickyNote.h"

#include <QWidget>

class QCheckBox;
class QToolButton;

namespace brivet {

class BoundLineEdit;

// One task of the editor's draft: completion check, title field and a
// delete button. It only reports; the editor owns the draft and follows
// the title field itself.
class DashboardEditorTaskRow final : public QWidget {
    Q_OBJECT
public:
    DashboardEditorTaskRow(const NoteTask& task, bool isEditable, QWidget* parent = nullptr);

    const Uuid& taskId() const { return m_taskId; }
    QCheckBox* completionBox() const { return m_check; }
    BoundLineEdit* titleInput() const { return m_input; }
    QToolButton* deleteButton() const { return m_delete; }

signals:
    void completionChanged(bool isCompleted);
    void deleteRequested();

private:
    Uuid m_taskId;
    QCheckBox* m_check = nullptr;
    BoundLineEdit* m_input = nullptr;
    QToolButton* m_delete = nullptr;
};

} // namespace brivet
