#pragma once

#include "dashboard/DashboardLists.h"
#include "dashboard/NoteListRow.h"

#include <QAbstractListModel>

#include <optional>
#include <vector>

namespace brivet {

class AppState;

// One row per listed note, read straight from the state's notes list. A row
// stands for a note, not a place in that list: the model keeps each row's
// note id with its position, and a position the notes moved away from
// since (a sync, a delete elsewhere, before the next refresh) is looked up
// again by id, so painting and clicks always reach the note the row shows.
class NoteListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NoteIdRole = Qt::UserRole + 1 };

    explicit NoteListModel(AppState& state, QObject* parent = nullptr);

    // The rows to show now (positions in the state's current notes list);
    // the same notes again only repaint.
    void setPositions(NotePositions positions, bool hasCustomBoards);
    const NotePositions& positions() const { return m_positions; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The row's note; nothing for a row out of range or whose note has gone.
    const StickyNote* note(int row) const;
    // The id of the row's note, even when it has gone; nothing out of range.
    std::optional<Uuid> noteId(int row) const;
    NoteListRow rowContent(int row) const;
    AppState& state() const { return m_state; }

private:
    AppState& m_state;
    NotePositions m_positions;
    std::vector<Uuid> m_ids;
    bool m_hasCustomBoards = false;
};

} // namespace brivet
