#include "state/NoteTrash.h"

#include "model/TrashStore.h"
#include "state/SaveQueue.h"

#include <algorithm>
#include <unordered_set>

namespace brivet {

NoteTrash::NoteTrash(TrashStore& store, SaveQueue& saves)
    : m_store(store)
    , m_saves(saves)
{
}

void NoteTrash::ensureLoaded(const std::vector<StickyNote>& notes, Instant now)
{
    if (m_loaded)
        return;
    m_loaded = true;
    TrashStore::Loaded loaded = m_store.loadTrash();
    m_entries = std::move(loaded.entries);
    m_problem = std::move(loaded.problem);
    // Kept in the order of deletion whatever order a hand-edited file has:
    // the capacity drops from the front.
    std::stable_sort(m_entries.begin(), m_entries.end(),
        [](const TrashEntry& a, const TrashEntry& b) { return a.deletedAt < b.deletedAt; });
    std::unordered_set<Uuid> present;
    present.reserve(notes.size());
    for (const StickyNote& note : notes)
        present.insert(note.id);
    const std::size_t before = m_entries.size();
    std::erase_if(m_entries, [&](const TrashEntry& entry) { return present.count(entry.note.id) > 0; });
    const bool restoredDropped = m_entries.size() != before;
    if (trim(now) || restoredDropped)
        save();
}

const TrashEntry* NoteTrash::find(const Uuid& noteId) const
{
    // The newest entry wins should a note have been deleted twice (restored
    // in between while its trash write failed).
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
        if (it->note.id == noteId)
            return &*it;
    return nullptr;
}

void NoteTrash::add(TrashEntry entry, const std::vector<StickyNote>& notes, Instant now)
{
    ensureLoaded(notes, now);
    std::erase_if(m_entries, [&](const TrashEntry& kept) { return kept.note.id == entry.note.id; });
    m_entries.push_back(std::move(entry));
    trim(now);
    save();
}

std::optional<TrashEntry> NoteTrash::take(const Uuid& noteId)
{
    const TrashEntry* found = find(noteId);
    if (!found)
        return std::nullopt;
    auto at = m_entries.begin() + (found - m_entries.data());
    TrashEntry entry = std::move(*at);
    m_entries.erase(at);
    save();
    return entry;
}

bool NoteTrash::purge(Instant now)
{
    if (!trim(now))
        return false;
    save();
    return true;
}

void NoteTrash::clear()
{
    m_entries.clear();
    save();
}

bool NoteTrash::trim(Instant now)
{
    const std::size_t before = m_entries.size();
    const Instant oldestKept = now - keepFor;
    std::erase_if(m_entries, [&](const TrashEntry& entry) { return entry.deletedAt < oldestKept; });
    if (m_entries.size() > capacity)
        m_entries.erase(m_entries.begin(), m_entries.end() - static_cast<std::ptrdiff_t>(capacity));
    return m_entries.size() != before;
}

void NoteTrash::save()
{
    m_saves.saveOther("trash", [store = &m_store, entries = m_entries] { return store->save(entries); });
}

} // namespace brivet
