#include "dashboard/DashboardEditorTaskRow.h"

#include "dashboard/DashboardStyle.h"
#include "ui/BoundTextInputs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QToolButton>

namespace brivet {

DashboardEditorTaskRow::DashboardEditorTaskRow(const NoteTask& task, bool isEditable, QWidget* parent)
    : QWidget(parent)
    , m_taskId(task.id)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(10);

    m_check = new QCheckBox(this);
    m_check->setObjectName(QStringLiteral("taskCompletion"));
    m_check->setChecked(task.isCompleted);
    m_check->setEnabled(isEditable);
    m_check->setCursor(Qt::PointingHandCursor);
    connect(m_check, &QCheckBox::toggled, this, &DashboardEditorTaskRow::completionChanged);
    row->addWidget(m_check);

    m_input = new BoundLineEdit(this);
    m_input->setObjectName(QStringLiteral("taskTitle"));
    m_input->setPlaceholderText(QStringLiteral("输入任务内容"));
    setUiFont(m_input, 15);
    setTextColor(m_input, EditorColors::title());
    m_input->setEditable(isEditable);
    m_input->setBoundText(QString::fromStdString(task.title));
    m_input->setMinimumHeight(26);
    m_input->setAccessibleName(QStringLiteral("任务内容"));
    // The check box reads as the task it completes.
    auto nameCheck = [this](const QString& title) {
        m_check->setAccessibleName(title.trimmed().isEmpty() ? QStringLiteral("完成任务") : QStringLiteral("完成：") + title);
    };
    nameCheck(m_input->text());
    connect(m_input, &QLineEdit::textChanged, this, nameCheck);
    row->addWidget(m_input, 1);

    m_delete = new QToolButton(this);
    m_delete->setObjectName(QStringLiteral("taskDelete"));
    m_delete->setIcon(bundledIcon(Symbol::trash, EditorColors::secondary()));
    m_delete->setToolTip(QStringLiteral("删除任务"));
    m_delete->setAccessibleName(QStringLiteral("删除任务"));
    m_delete->setAutoRaise(true);
    m_delete->setEnabled(isEditable);
    m_delete->setCursor(Qt::PointingHandCursor);
    connect(m_delete, &QToolButton::clicked, this, &DashboardEditorTaskRow::deleteRequested);
    row->addWidget(m_delete);
}

} // namespace brivet
