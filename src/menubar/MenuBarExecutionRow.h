#pragma once

#include "model/Enums.h"
#include "model/StickyNote.h"

#include <QWidget>

#include <vector>

namespace brivet {

class UserCalendar;

// A queued execution note: a round tick, the title over its source and due
// date, and the "稍后", "打开" and "加入" controls. "加入" lists the custom
// boards and offers a new one.
class MenuBarExecutionRow final : public QWidget {
    Q_OBJECT
public:
    MenuBarExecutionRow(const StickyNote& note, const std::vector<StickyNote>& customBoards, const UserCalendar& calendar,
        QWidget* parent = nullptr);

    const Uuid& noteId() const { return m_noteId; }

signals:
    void completionToggled(const brivet::Uuid& noteId);
    void deferChosen(const brivet::Uuid& noteId, brivet::NoteDeferPreset preset);
    void openRequested(const brivet::Uuid& noteId);
    void attachRequested(const brivet::Uuid& noteId, const brivet::Uuid& boardId);
    void newBoardRequested(const brivet::Uuid& noteId);

private:
    Uuid m_noteId;
};

} // namespace brivet
