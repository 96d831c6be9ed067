#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace brivet {

class AppState;
class FormSection;
struct BackupEntry;

// Settings' "备份与恢复": the backups newest first with their date and note
// count (counted off the main thread), "打开备份文件夹", and per backup
// "从此备份恢复", which asks first and goes through the state's restore.
class BackupSection final : public QWidget {
    Q_OBJECT
public:
    explicit BackupSection(AppState& state, QWidget* parent = nullptr);

    // Lists the backups folder again.
    void reload();
    // Restores `name` after the user agreed (tests answer for the user).
    enum class Confirmation { ask,
        given };
    void restore(const QString& name, Confirmation confirmation);

    QLabel* statusLabel() const { return m_status; }
    // The row label of a backup ("2026-12-08 · 12 条便签"), if listed.
    QLabel* rowLabel(const QString& name) const;
    QPushButton* restoreButton(const QString& name) const;

signals:
    // Every note count of the current list is in.
    void countsFinished();

private:
    void countInBackground(const std::vector<BackupEntry>& entries);

    AppState& m_state;
    FormSection* m_section = nullptr;
    QVBoxLayout* m_rows = nullptr;
    QWidget* m_rowBox = nullptr;
    QLabel* m_status = nullptr;
    // What the last restore from this section came to.
    QString m_lastResult;
    int m_generation = 0;
};

} // namespace brivet
