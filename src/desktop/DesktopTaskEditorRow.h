#pragma once

#include "desktop/DesktopEnvironment.h"
#include "desktop/DraftCommitter.h"
#include "ui/CardColors.h"
#include "model/StickyNote.h"

#include <QWidget>

class QToolButton;

namespace brivet {

class BoundLineEdit;

// One task line of the detail editor: toggle, title field (its draft
// committed 0.22 s after typing stops, on Return, focus loss and when the
// row goes) and delete.
class DesktopTaskEditorRow final : public QWidget {
    Q_OBJECT
public:
    static constexpr Duration titleCommitDelay { 220 };

    DesktopTaskEditorRow(DesktopEnvironmentPtr environment, const Uuid& noteId, const NoteTask& task, bool readOnly,
        const CardColors& colors, QWidget* parent = nullptr);
    ~DesktopTaskEditorRow() override;

    const Uuid& taskId() const { return m_task.id; }
    // The stored task changed.
    void setTask(const NoteTask& task);
    void flush();
    BoundLineEdit* titleInput() const { return m_input; }
    QToolButton* toggleButton() const { return m_toggle; }
    QToolButton* deleteButton() const { return m_delete; }

private:
    void updateToggle();

    DesktopEnvironmentPtr m_environment;
    Uuid m_noteId;
    NoteTask m_task;
    bool m_readOnly;
    CardColors m_colors;
    DraftCommitter m_committer;
    QToolButton* m_toggle = nullptr;
    BoundLineEdit* m_input = nullptr;
    QToolButton* m_delete = nullptr;
};

} // namespace brivet
