#include "dashboard/BackupSection.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardStyle.h"
#include "model/AtomicFile.h"
#include "model/BackupArchive.h"
#include "model/Clock.h"
#include "model/NoteCoding.h"
#include "state/AppState.h"
#include "ui/QtConversions.h"
#include "ui/Widgets.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

namespace brivet {

namespace {

QString entryDate(const BackupEntry& entry)
{
    const auto& t = entry.takenAt;
    char text[64];
    if (entry.kind == BackupEntry::Kind::daily)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return QString::fromLatin1(text);
}

QString entryTitle(const BackupEntry& entry)
{
    return entryDate(entry) + (entry.kind == BackupEntry::Kind::beforeRestore ? QStringLiteral("（恢复前）") : QString());
}

// "12 条便签", or why the backup cannot be read; off the main thread.
QString countNotes(const BackupEntry& entry)
{
    auto bytes = readFileUpTo(entry.folder / "notes.json", std::uintmax_t(1) << 30);
    if (!std::holds_alternative<std::string>(bytes))
        return QStringLiteral("已损坏：无法读取便签文件");
    auto notes = decodeNotesFile(std::get<std::string>(bytes), SystemClock().now());
    if (std::holds_alternative<DecodeError>(notes))
        return QStringLiteral("已损坏，无法恢复");
    return QStringLiteral("%1 条便签").arg(std::get<std::vector<StickyNote>>(notes).size());
}

} // namespace

BackupSection::BackupSection(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("backupSection"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Theme colors = Theme::from(palette());
    m_section = new FormSection(QStringLiteral("备份与恢复"), this);
    outer->addWidget(m_section);
    QLabel* explanation = makeLabel(QStringLiteral("每天第一次保存前，悬笺会把上一份便签和偏好设置复制到备份文件夹；保留最近 14 天的每日备份、"
                                                   "最近 6 个月每月一份，总共不超过 100 MB。"),
        12, QFont::Normal, colors.secondaryText, m_section, LabelWrap::anywhere);
    explanation->setContentsMargins(0, 4, 0, 4);
    m_section->addWidget(explanation);
    auto* open = new QPushButton(QStringLiteral("打开备份文件夹"), m_section);
    open->setObjectName(QStringLiteral("openBackupFolder"));
    open->setCursor(Qt::PointingHandCursor);
    connect(open, &QPushButton::clicked, this, [this] {
        if (BackupArchive* archive = m_state.backups()) {
            std::filesystem::path folder = archive->path();
            std::error_code error;
            if (!std::filesystem::exists(folder, error))
                folder = folder.parent_path();
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
        }
    });
    m_section->addRow(QStringLiteral("备份文件夹"), open);
    m_status = makeLabel({}, 12, QFont::Normal, colors.secondaryText, m_section, LabelWrap::anywhere);
    m_status->setObjectName(QStringLiteral("backupStatus"));
    m_section->addWidget(m_status);
    m_rowBox = new QWidget(m_section);
    m_rows = new QVBoxLayout(m_rowBox);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    m_section->addWidget(m_rowBox);
    reload();
}

void BackupSection::reload()
{
    ++m_generation;
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    BackupArchive* archive = m_state.backups();
    std::vector<BackupEntry> entries = archive ? archive->list() : std::vector<BackupEntry> {};
    QString status = m_lastResult;
    if (archive && archive->lastFailure())
        status = QStringLiteral("最近一次自动备份没有完成（%1），下次保存时会再试。").arg(qs(*archive->lastFailure()));
    else if (status.isEmpty() && entries.empty())
        status = QStringLiteral("还没有备份：第一份会在明天第一次保存时生成。");
    m_status->setText(status);
    m_status->setVisible(!m_status->text().isEmpty());
    Theme colors = Theme::from(palette());
    for (const BackupEntry& entry : entries) {
        auto* row = new QWidget(m_rowBox);
        const QString name = qs(entry.name);
        row->setObjectName(QStringLiteral("backupRow-") + name);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 6, 0, 6);
        QLabel* label = makeLabel(entryTitle(entry) + QStringLiteral(" · 正在统计…"), 13, QFont::Normal, colors.text, row);
        label->setObjectName(QStringLiteral("backupLabel"));
        line->addWidget(label, 1);
        auto* restoreButton = new QPushButton(QStringLiteral("从此备份恢复"), row);
        restoreButton->setObjectName(QStringLiteral("restoreBackup"));
        restoreButton->setCursor(Qt::PointingHandCursor);
        connect(restoreButton, &QPushButton::clicked, this, [this, name] { restore(name, Confirmation::ask); });
        line->addWidget(restoreButton);
        m_rows->addWidget(row);
    }
    if (entries.empty())
        emit countsFinished();
    else
        countInBackground(entries);
}

void BackupSection::countInBackground(const std::vector<BackupEntry>& entries)
{
    QPointer<BackupSection> self(this);
    const int generation = m_generation;
    QThreadPool::globalInstance()->start([self, generation, entries] {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QString count = countNotes(entries[i]);
            const bool last = i + 1 == entries.size();
            const QString name = qs(entries[i].name);
            const QString text = entryTitle(entries[i]) + QStringLiteral(" · ") + count;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, name, text, last] {
                    if (!self || self->m_generation != generation)
                        return;
                    if (QLabel* label = self->rowLabel(name))
                        label->setText(text);
                    if (last)
                        emit self->countsFinished();
                },
                Qt::QueuedConnection);
        }
    });
}

QLabel* BackupSection::rowLabel(const QString& name) const
{
    QWidget* row = m_rowBox->findChild<QWidget*>(QStringLiteral("backupRow-") + name, Qt::FindDirectChildrenOnly);
    return row ? row->findChild<QLabel*>(QStringLiteral("backupLabel")) : nullptr;
}

QPushButton* BackupSection::restoreButton(const QString& name) const
{
    QWidget* row = m_rowBox->findChild<QWidget*>(QStringLiteral("backupRow-") + name, Qt::FindDirectChildrenOnly);
    return row ? row->findChild<QPushButton*>(QStringLiteral("restoreBackup")) : nullptr;
}

void BackupSection::restore(const QString& name, Confirmation confirmation)
{
    BackupArchive* archive = m_state.backups();
    if (!archive)
        return;
    std::optional<BackupEntry> chosen;
    for (BackupEntry& entry : archive->list())
        if (qs(entry.name) == name)
            chosen = std::move(entry);
    if (!chosen) {
        QMessageBox::warning(this, QStringLiteral("无法恢复"), QStringLiteral("这份备份已经不在备份文件夹里了。"));
        reload();
        return;
    }
    if (confirmation == Confirmation::ask) {
        auto answer = QMessageBox::question(this, QStringLiteral("从此备份恢复"),
            QStringLiteral("用 %1 的备份替换现在的全部便签和偏好设置？\n\n现在的便签会先另存为一份新备份，恢复之后也能再恢复回来。")
                .arg(entryTitle(*chosen)),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return;
    }
    Status status = m_state.restoreBackup(*chosen);
    if (!status.ok()) {
        if (confirmation == Confirmation::ask)
            QMessageBox::warning(this, QStringLiteral("无法恢复"), qs(status.message()));
        m_lastResult = qs(status.message());
    } else {
        m_lastResult = QStringLiteral("已从 %1 的备份恢复；恢复前的便签已另存为一份新备份。").arg(entryTitle(*chosen));
    }
    reload();
}

} // namespace brivet
