#include "dashboard/NoteTransferActions.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "ui/QtConversions.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brivet {

namespace {

struct ExportChoice {
    bool filteredOnly = false;
    ExportFormat format = ExportFormat::markdown;
};

std::optional<ExportChoice> askExportChoice(QWidget* parent, std::size_t allCount, std::optional<std::size_t> filteredCount)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setWindowTitle(QStringLiteral("导出便签"));
    auto* column = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    column->addLayout(form);
    auto* scope = new QWidget(&dialog);
    auto* scopeColumn = new QVBoxLayout(scope);
    scopeColumn->setContentsMargins(0, 0, 0, 0);
    auto* all = new QRadioButton(QStringLiteral("全部便签（%1 条）").arg(allCount), scope);
    all->setChecked(true);
    scopeColumn->addWidget(all);
    auto* filtered = new QRadioButton(
        filteredCount ? QStringLiteral("当前筛选的便签（%1 条）").arg(*filteredCount) : QStringLiteral("当前筛选的便签"), scope);
    filtered->setEnabled(filteredCount.has_value());
    scopeColumn->addWidget(filtered);
    form->addRow(QStringLiteral("导出内容"), scope);
    auto* format = new QComboBox(&dialog);
    format->addItem(QStringLiteral("Markdown（每条便签一个 .md 文件）"), static_cast<int>(ExportFormat::markdown));
    format->addItem(QStringLiteral("悬笺 JSON（可再导入）"), static_cast<int>(ExportFormat::json));
    format->addItem(QStringLiteral("iCalendar 待办（.ics）"), static_cast<int>(ExportFormat::iCalendar));
    form->addRow(QStringLiteral("格式"), format);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("选择位置…"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ExportChoice { filtered->isChecked(), static_cast<ExportFormat>(format->currentData().toInt()) };
}

std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(text.toStdString());
}

} // namespace

NoteTransferActions::NoteTransferActions(AppState& state, QWidget* dialogParent)
    : QObject(dialogParent)
    , m_state(state)
    , m_parent(dialogParent)
{
}

std::filesystem::path NoteTransferActions::markdownFolderIn(const std::filesystem::path& parent) const
{
    const std::string base = "悬笺导出 " + m_state.calendar().formatPattern(m_state.clock().now(), "yyyy-MM-dd");
    std::filesystem::path target = parent / base;
    std::error_code error;
    for (int n = 2; std::filesystem::exists(target, error); ++n)
        target = parent / (base + " (" + std::to_string(n) + ")");
    return target;
}

void NoteTransferActions::exportNotes(std::optional<std::vector<StickyNote>> filtered)
{
    std::optional<std::size_t> filteredCount;
    if (filtered)
        filteredCount = filtered->size();
    std::optional<ExportChoice> choice = askExportChoice(m_parent, m_state.notes().size(), filteredCount);
    if (!choice)
        return;
    const std::vector<StickyNote> notes = choice->filteredOnly && filtered ? *filtered : m_state.notes();
    std::filesystem::path target;
    switch (choice->format) {
    case ExportFormat::markdown: {
        QString parent = QFileDialog::getExistingDirectory(m_parent, QStringLiteral("选择导出到哪个文件夹"), QDir::homePath());
        if (parent.isEmpty())
            return;
        target = markdownFolderIn(toPath(parent));
        break;
    }
    case ExportFormat::json:
    case ExportFormat::iCalendar: {
        const bool json = choice->format == ExportFormat::json;
        QString file = QFileDialog::getSaveFileName(m_parent, QStringLiteral("导出到"),
            QDir::home().filePath(json ? QStringLiteral("悬笺便签.json") : QStringLiteral("悬笺便签.ics")),
            json ? QStringLiteral("悬笺 JSON (*.json)") : QStringLiteral("iCalendar (*.ics)"));
        if (file.isEmpty())
            return;
        target = toPath(file);
        break;
    }
    }
    Status status = m_state.exportNotes(notes, choice->format, target);
    if (!status.ok()) {
        QMessageBox::warning(m_parent, QStringLiteral("导出失败"), qs(status.message()) + QStringLiteral("\n\n便签没有任何改动。"));
        emit finished(qs(status.message()));
        return;
    }
    emit finished(QStringLiteral("已导出 %1 条便签到 %2").arg(notes.size()).arg(QString::fromStdString(target.string())));
}

void NoteTransferActions::importNotes(ImportSource source)
{
    QString chosen = source == ImportSource::markdownFolder
        ? QFileDialog::getExistingDirectory(m_parent, QStringLiteral("选择 Markdown 文件夹"), QDir::homePath())
        : QFileDialog::getOpenFileName(m_parent, QStringLiteral("选择要导入的文件"), QDir::homePath(),
            QStringLiteral("悬笺导出 (*.json *.ics *.md *.markdown);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    importFrom(toPath(chosen), Confirmation::ask);
}

QString NoteTransferActions::importFrom(const std::filesystem::path& source, Confirmation confirmation)
{
    auto read = readImport(source, m_state.calendar(), m_state.clock().now());
    if (auto* error = std::get_if<DecodeError>(&read)) {
        QString message = QStringLiteral("无法导入：") + qs(error->message) + QStringLiteral("。便签没有任何改动。");
        if (confirmation == Confirmation::ask)
            QMessageBox::warning(m_parent, QStringLiteral("无法导入"), message);
        emit finished(message);
        return message;
    }
    std::vector<StickyNote> incoming = std::move(std::get<std::vector<StickyNote>>(read));
    ImportPlan plan = planImport(incoming, m_state.notes());
    QString summary = QStringLiteral("将添加 %1 条便签，跳过 %2 条（已存在或是自动生成的场景板）。").arg(plan.added.size()).arg(plan.skipped);
    if (plan.added.empty()) {
        QString message = QStringLiteral("没有可导入的新便签：") + summary;
        if (confirmation == Confirmation::ask)
            QMessageBox::information(m_parent, QStringLiteral("导入"), message);
        emit finished(message);
        return message;
    }
    if (confirmation == Confirmation::ask) {
        auto answer = QMessageBox::question(m_parent, QStringLiteral("导入便签"),
            summary + QStringLiteral("\n\n导入的便签放在列表里，不会出现在桌面上。"), QMessageBox::Yes | QMessageBox::Cancel,
            QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return QStringLiteral("已取消导入");
    }
    std::size_t added = m_state.importNotes(std::move(incoming));
    QString message = QStringLiteral("已导入 %1 条便签，跳过 %2 条。").arg(added).arg(plan.skipped);
    emit finished(message);
    return message;
}

} // namespace brivet
