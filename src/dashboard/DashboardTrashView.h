#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace brivet {

class AppState;
class StateBridge;

// The "回收站" page: the deleted notes, newest deletion first, each with
// when it was deleted, "恢复" and "彻底删除"; "清空回收站" for all of them.
// Reached from Settings and from the undo bar, not from the sidebar.
class DashboardTrashView final : public QWidget {
    Q_OBJECT
public:
    DashboardTrashView(AppState& state, StateBridge& bridge, QWidget* parent = nullptr);
    ~DashboardTrashView() override;

    // One row per deleted note, in the order shown.
    struct Row {
        QWidget* row = nullptr;
        QLabel* title = nullptr;
        QLabel* deletedAt = nullptr;
        QPushButton* restore = nullptr;
        QPushButton* deleteForGood = nullptr;
    };
    const std::vector<Row>& rows() const { return m_rows; }
    QPushButton* emptyButton() const { return m_empty; }
    QLabel* problemLabel() const { return m_problem; }
    QLabel* emptyLabel() const { return m_emptyText; }

private:
    void showTrash();

    AppState& m_state;
    QVBoxLayout* m_list = nullptr;
    QWidget* m_listCard = nullptr;
    QPushButton* m_empty = nullptr;
    QLabel* m_problem = nullptr;
    QLabel* m_emptyText = nullptr;
    std::vector<Row> m_rows;
};

} // namespace brivet
