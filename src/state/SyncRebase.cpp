#include "state/SyncRebase.h"

#include <unordered_map>
#include <unordered_set>

namespace brivet {

namespace {

// Calls visit(member, writtenToTheStore) for every field of a note but its
// id and its link. Links are written by syncs alone (also while one runs,
// as each reminder save returns), so a new link is never the user's change.
template<typename Visit>
void forEachUserField(Visit&& visit)
{
    visit(&StickyNote::title, true);
    visit(&StickyNote::details, true);
    visit(&StickyNote::tasks, false);
    visit(&StickyNote::isCompleted, true);
    visit(&StickyNote::priority, true);
    visit(&StickyNote::dueDate, true);
    visit(&StickyNote::category, false);
    visit(&StickyNote::group, false);
    visit(&StickyNote::createdAt, false);
    visit(&StickyNote::updatedAt, false);
    visit(&StickyNote::contentUpdatedAt, false);
    visit(&StickyNote::frame, false);
    visit(&StickyNote::style, false);
    visit(&StickyNote::source, false);
    visit(&StickyNote::isHidden, false);
    visit(&StickyNote::syncToReminders, false);
    visit(&StickyNote::displayMode, false);
    visit(&StickyNote::surfaceRole, false);
    visit(&StickyNote::deferredUntil, false);
}

bool changedByUser(const StickyNote& base, const StickyNote& current)
{
    bool changed = false;
    forEachUserField([&](auto member, bool) { changed = changed || !(current.*member == base.*member); });
    return changed;
}

// The result's note with the fields the user changed since `base`.
StickyNote rebased(const StickyNote& base, const StickyNote& current, StickyNote merged, Instant now)
{
    bool storeFieldChanged = false;
    forEachUserField([&](auto member, bool writtenToTheStore) {
        if (current.*member == base.*member)
            return;
        merged.*member = current.*member;
        storeFieldChanged = storeFieldChanged || writtenToTheStore;
    });
    // The sync stamped the link with its own time, which may be later than
    // the user's edit although the sync never saw that edit.
    if (storeFieldChanged && merged.externalLink != base.externalLink && merged.storeFieldsUpdatedAt() < now)
        merged.touch(now);
    return merged;
}

} // namespace

std::vector<StickyNote> rebaseOntoSyncResult(const std::vector<StickyNote>& base, const std::vector<StickyNote>& current,
    std::vector<StickyNote> result, Instant now)
{
    std::unordered_map<Uuid, const StickyNote*> before;
    before.reserve(base.size());
    for (const StickyNote& note : base)
        before.emplace(note.id, &note);
    std::unordered_map<Uuid, const StickyNote*> changed;
    std::unordered_set<Uuid> present;
    present.reserve(current.size());
    for (const StickyNote& note : current) {
        present.insert(note.id);
        auto found = before.find(note.id);
        if (found != before.end() && changedByUser(*found->second, note))
            changed.emplace(note.id, &note);
    }

    std::vector<StickyNote> merged;
    merged.reserve(result.size() + current.size() - std::min(current.size(), base.size()));
    std::unordered_set<Uuid> placed;
    placed.reserve(result.size());
    for (StickyNote& note : result) {
        auto inBase = before.find(note.id);
        if (inBase != before.end() && !present.count(note.id))
            continue; // deleted meanwhile
        placed.insert(note.id);
        if (auto edit = changed.find(note.id); edit != changed.end())
            merged.push_back(rebased(*inBase->second, *edit->second, std::move(note), now));
        else
            merged.push_back(std::move(note));
    }
    for (const StickyNote& note : current) {
        if (placed.count(note.id))
            continue;
        if (!before.count(note.id) || changed.count(note.id))
            merged.push_back(note); // created meanwhile, or changed and dropped by the sync
    }
    return merged;
}

} // namespace brivet
