#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QToolButton;
class QVBoxLayout;

namespace brivet {

class AppState;

// The sync center's "同步记录": the last syncs, newest first, each with its
// time, trigger, length, outcome and counters, and what it did to which
// note behind a "详情" button.
class SyncLogSection final : public QWidget {
    Q_OBJECT
public:
    SyncLogSection(AppState& state, QWidget* parent = nullptr);

    // Shows the log as it stands; cheap when nothing was added.
    void refresh();

    // For tests: the headline of each sync shown, and the detail button
    // and action lines of the n-th.
    QStringList headlines() const;
    QToolButton* detailsButton(int index) const;
    QStringList detailLines(int index) const;

private:
    struct Row {
        QWidget* widget = nullptr;
        QString headline;
        QToolButton* details = nullptr;
        QStringList lines;
    };

    AppState& m_state;
    QVBoxLayout* m_rows = nullptr;
    QWidget* m_empty = nullptr;
    std::vector<Row> m_shown;
    // What was shown last: the number of syncs and when the newest began.
    std::size_t m_shownCount = 0;
    long long m_shownNewest = 0;
};

} // namespace brivet
