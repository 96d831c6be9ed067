#include "dashboard/NoteListModel.h"

#include "model/Clock.h"
#include "state/AppState.h"

namespace brivet {

NoteListModel::NoteListModel(AppState& state, QObject* parent)
    : QAbstractListModel(parent)
    , m_state(state)
{
}

void NoteListModel::setPositions(NotePositions positions, bool hasCustomBoards)
{
    if (positions == m_positions) {
        m_hasCustomBoards = hasCustomBoards;
        if (!m_positions.empty())
            emit dataChanged(index(0), index(int(m_positions.size()) - 1));
        return;
    }
    beginResetModel();
    m_positions = std::move(positions);
    m_hasCustomBoards = hasCustomBoards;
    endResetModel();
}

int NoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_positions.size());
}

const StickyNote* NoteListModel::note(int row) const
{
    if (row < 0 || std::size_t(row) >= m_positions.size())
        return nullptr;
    const auto& notes = m_state.notes();
    std::uint32_t position = m_positions[std::size_t(row)];
    return position < notes.size() ? &notes[position] : nullptr;
}

NoteListRow NoteListModel::rowContent(int row) const
{
    const StickyNote* found = note(row);
    if (!found)
        return {};
    return NoteListRow::make(*found, m_state, m_hasCustomBoards, m_state.clock().now());
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const
{
    const StickyNote* found = note(index.row());
    if (!found)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(found->title.empty() ? std::string("未命名悬笺") : found->title);
    case NoteIdRole: return QString::fromStdString(found->id.toString());
    default: return {};
    }
}

} // namespace brivet
