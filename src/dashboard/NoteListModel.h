#pragma once

#include "dashboard/DashboardLists.h"
#include "dashboard/NoteListRow.h"

#include <QAbstractListModel>

namespace brivet {

class AppState;

// One row per listed note, read straight from the state's notes list (the
// model keeps positions, never copies of notes).
class NoteListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NoteIdRole = Qt::UserRole + 1 };

    explicit NoteListModel(AppState& state, QObject* parent = nullptr);

    // The rows to show now; the same positions again only repaint.
    void setPositions(NotePositions positions, bool hasCustomBoards);
    const NotePositions& positions() const { return m_positions; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Nothing for a row out of range.
    const StickyNote* note(int row) const;
    NoteListRow rowContent(int row) const;
    AppState& state() const { return m_state; }

private:
    AppState& m_state;
    NotePositions m_positions;
    bool m_hasCustomBoards = false;
};

} // namespace brivet
