#include "desktop/DesktopTaskEditorRow.h"

#include "desktop/CardAccessibility.h"
#include "desktop/CardStyle.h"
#include "state/AppState.h"
#include "ui/BoundTextInputs.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace brivet {

DesktopTaskEditorRow::DesktopTaskEditorRow(DesktopEnvironmentPtr environment, const Uuid& noteId, const NoteTask& task,
    bool readOnly, const CardColors& colors, QWidget* parent)
    : QWidget(parent)
    , m_environment(std::move(environment))
    , m_noteId(noteId)
    , m_task(task)
    , m_readOnly(readOnly)
    , m_colors(colors)
    , m_committer(*m_environment->scheduler, titleCommitDelay, [env = m_environment, noteId, taskId = task.id](const std::string& title) {
        if (AppState* state = env->state)
            state->updateTaskTitle(noteId, taskId, title);
    })
{
    setObjectName(QStringLiteral("taskEditorRow"));
    m_committer.setEnabled(!readOnly);
    m_committer.storedChanged(task.title, false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(8);

    m_toggle = new QToolButton(this);
    m_toggle->setObjectName(QStringLiteral("taskToggle"));
    styleCardControl(m_toggle, CardControl::flatIcon);
    m_toggle->setIconSize(QSize(18, 18));
    // A check box named by what it does; Space on it ticks the task.
    m_toggle->setAccessibleName(QStringLiteral("标记完成"));
    m_toggle->setCheckable(true);
    markTaskTick(m_toggle);
    m_toggle->setFocusPolicy(Qt::TabFocus);
    m_toggle->setEnabled(!readOnly);
    makeClickable(m_toggle, !readOnly);
    connect(m_toggle, &QToolButton::clicked, this, [this] {
        if (AppState* state = m_environment->state)
            state->setTaskCompletion(m_noteId, m_task.id, !m_task.isCompleted);
        // The click turned the box over already; it shows the stored task
        // whether or not the state took the change.
        m_toggle->setChecked(m_task.isCompleted);
    });
    row->addWidget(m_toggle);

    m_input = new BoundLineEdit(this);
    m_input->setObjectName(QStringLiteral("taskTitleInput"));
    m_input->setPlaceholderText(QStringLiteral("任务内容"));
    m_input->setAccessibleName(QStringLiteral("任务内容"));
    QFont font = m_input->font();
    font.setPixelSize(fontPixels(15));
    m_input->setFont(font);
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Text, colors.text);
    palette.setColor(QPalette::PlaceholderText, colors.secondaryText);
    m_input->setPalette(palette);
    m_input->setEditable(!readOnly);
    m_input->setBoundText(qs(task.title));
    connect(m_input, &BoundLineEdit::edited, this, [this](const QString& text) { m_committer.draftChanged(ss(text)); });
    connect(m_input, &BoundLineEdit::submitted, this, [this] { flush(); });
    connect(m_input, &BoundLineEdit::focusChanged, this, [this](bool focused) {
        if (!focused)
            flush();
    });
    row->addWidget(m_input, 1);

    m_delete = new QToolButton(this);
    m_delete->setObjectName(QStringLiteral("taskDelete"));
    styleCardControl(m_delete, CardControl::flatIcon);
    m_delete->setIcon(symbolIcon(Symbol::trash, colors.secondaryText));
    m_delete->setIconSize(QSize(15, 15));
    m_delete->setToolTip(QStringLiteral("删除任务"));
    m_delete->setAccessibleName(QStringLiteral("删除任务"));
    m_delete->setFocusPolicy(Qt::TabFocus);
    m_delete->setEnabled(!readOnly);
    makeClickable(m_delete, !readOnly);
    connect(m_delete, &QToolButton::clicked, this, [this] {
        if (AppState* state = m_environment->state)
            state->deleteTask(m_noteId, m_task.id);
    });
    row->addWidget(m_delete);
    updateToggle();
}

DesktopTaskEditorRow::~DesktopTaskEditorRow()
{
    flush();
}

void DesktopTaskEditorRow::setTask(const NoteTask& task)
{
    bool toggled = task.isCompleted != m_task.isCompleted;
    m_task = task;
    if (m_committer.storedChanged(task.title, false) || !m_input->isEditing())
        m_input->setBoundText(qs(m_committer.draft()));
    if (toggled || task.title != m_toggle->accessibleDescription().toStdString())
        updateToggle();
}

void DesktopTaskEditorRow::flush()
{
    m_committer.flush();
}

void DesktopTaskEditorRow::updateToggle()
{
    m_toggle->setIcon(bundledIcon(m_task.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle,
        m_task.isCompleted ? m_colors.green : m_colors.secondaryText));
    m_toggle->setToolTip(m_task.isCompleted ? QStringLiteral("标记未完成") : QStringLiteral("标记完成"));
    m_toggle->setAccessibleDescription(qs(m_task.title));
    // Tells assistive tools when the state changed.
    m_toggle->setChecked(m_task.isCompleted);
}

} // namespace brivet
