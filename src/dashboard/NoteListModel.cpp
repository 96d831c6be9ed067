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
    const auto& notes = m_state.notes();
    std::vector<Uuid> ids;
    ids.reserve(positions.size());
    for (std::uint32_t position : positions)
        ids.push_back(position < notes.size() ? notes[position].id : Uuid());
    if (ids == m_ids) {
        m_positions = std::move(positions);
        m_hasCustomBoards = hasCustomBoards;
        if (!m_positions.empty())
            emit dataChanged(index(0), index(int(m_positions.size()) - 1));
        return;
    }
    beginResetModel();
    m_positions = std::move(positions);
    m_ids = std::move(ids);
    m_hasCustomBoards = hasCustomBoards;
    endResetModel();
}

int NoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_positions.size());
}

const StickyNote* NoteListModel::note(int row) const
{
    if (row < 0 || std::size_t(row) >= m_ids.size())
        return nullptr;
    const Uuid& id = m_ids[std::size_t(row)];
    const auto& notes = m_state.notes();
    std::uint32_t position = m_positions[std::size_t(row)];
    if (position < notes.size() && notes[position].id == id)
        return &notes[position];
    return m_state.findNote(id);
}

std::optional<Uuid> NoteListModel::noteId(int row) const
{
    if (row < 0 || std::size_t(row) >= m_ids.size())
        return std::nullopt;
    return m_ids[std::size_t(row)];
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
