#pragma once

#include "desktop/DesktopEnvironment.h"
#include "ui/CardColors.h"
#include "desktop/DraftCommitter.h"
#include "model/StickyNote.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace brivet {

class DesktopTaskEditorRow;
class BoundPlainTextEdit;
class BoundLineEdit;

// The detail face of a card: title, details and tasks edited as drafts
// that commit shortly after typing stops (0.25 s title, 0.28 s details),
// at once on focus loss, Return, leaving and closing. Calendar notes are
// read-only and never commit.
class DesktopDetailEditor final : public QWidget {
    Q_OBJECT
public:
    static constexpr Duration titleCommitDelay { 250 };
    static constexpr Duration detailsCommitDelay { 280 };
    static constexpr const char* taskFooterAnchorID = "desktop-task-footer-anchor";

    DesktopDetailEditor(DesktopEnvironmentPtr environment, const StickyNote& note, QWidget* parent = nullptr);
    ~DesktopDetailEditor() override;

    // The stored note changed (or was read again).
    void setNote(const StickyNote& note);
    // Commits both drafts and every task draft now.
    void flushAll();
    bool isReadOnly() const { return m_note.source == NoteSource::calendar; }

    // Actions of the editor's controls.
    void leaveEditor();
    void appendTaskAndPrepareScroll();
    void toggleCompletion();
    void addDueDate();
    void clearDueDate();
    void deleteNote();

    BoundLineEdit* titleInput() const { return m_titleInput; }
    BoundPlainTextEdit* detailsInput() const { return m_detailsInput; }
    const std::vector<DesktopTaskEditorRow*>& taskRows() const { return m_rows; }
    const std::optional<Uuid>& pendingTaskScrollID() const { return m_pendingTaskScrollID; }
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildToolbar();
    void buildBottomBar();
    void syncTasks();
    void scrollToPendingTask();
    void orderFocusChain();

    DesktopEnvironmentPtr m_environment;
    StickyNote m_note;
    CardColors m_colors;
    DraftCommitter m_title;
    DraftCommitter m_details;
    std::optional<Uuid> m_pendingTaskScrollID;

    QVBoxLayout* m_layout = nullptr;
    QWidget* m_toolbar = nullptr;
    QWidget* m_bottomBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    BoundLineEdit* m_titleInput = nullptr;
    BoundPlainTextEdit* m_detailsInput = nullptr;
    QPushButton* m_addTaskButton = nullptr;
    QVBoxLayout* m_taskList = nullptr;
    QLabel* m_emptyHint = nullptr;
    QPushButton* m_footerButton = nullptr;
    std::vector<DesktopTaskEditorRow*> m_rows;
};

} // namespace brivet
