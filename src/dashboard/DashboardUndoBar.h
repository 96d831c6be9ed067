#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace brivet {

class AppState;
class StateBridge;

// "已删除「标题」 撤销" across the top of the dashboard while the state
// offers to take back the last delete, from whichever surface it came.
class DashboardUndoBar final : public QFrame {
    Q_OBJECT
public:
    DashboardUndoBar(AppState& state, StateBridge& bridge, QWidget* parent = nullptr);

    QLabel* message() const { return m_message; }
    QPushButton* undoButton() const { return m_undo; }
    QPushButton* trashButton() const { return m_trash; }

signals:
    void trashRequested();

private:
    void showOffer();

    AppState& m_state;
    QLabel* m_message = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_trash = nullptr;
};

} // namespace brivet
