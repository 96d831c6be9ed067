#pragma once

#include "model/StickyNote.h"

#include <QWidget>

namespace brivet {

// A scene board: its title over its role and task progress, and "上桌面"
// when it is hidden or "打开" when it is on the desktop.
class MenuBarSceneBoardRow final : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarSceneBoardRow(const StickyNote& board, QWidget* parent = nullptr);

    const Uuid& boardId() const { return m_boardId; }

signals:
    void revealRequested(const brivet::Uuid& boardId);
    void openRequested(const brivet::Uuid& boardId);

private:
    Uuid m_boardId;
};

} // namespace brivet
