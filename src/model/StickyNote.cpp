#include "model/StickyNote.h"

#include <algorithm>
#include <cmath>

namespace brivet {

Size boardSize(NoteSizePreset preset)
{
    switch (preset) {
    case NoteSizePreset::small: return { 344, 248 };
    case NoteSizePreset::medium: return { 500, 318 };
    case NoteSizePreset::large: return { 600, 378 };
    }
    return { 500, 318 };
}

Size detailMinimumSize(NoteSizePreset preset)
{
    switch (preset) {
    case NoteSizePreset::small: return { 560, 420 };
    case NoteSizePreset::medium: return { 660, 500 };
    case NoteSizePreset::large: return { 760, 580 };
    }
    return { 660, 500 };
}

std::string creationDescription(NoteSizePreset preset)
{
    Size size = boardSize(preset);
    return std::to_string(static_cast<int>(size.width)) + " × " + std::to_string(static_cast<int>(size.height));
}

std::string menuLabel(NoteSizePreset preset)
{
    return std::string(title(preset)) + "号 · " + creationDescription(preset);
}

NoteSizePreset closestPreset(Size size)
{
    auto distance = [&](NoteSizePreset preset) {
        Size board = boardSize(preset);
        return std::abs(size.width - board.width) + std::abs(size.height - board.height);
    };
    double small = distance(NoteSizePreset::small);
    double medium = distance(NoteSizePreset::medium);
    double large = distance(NoteSizePreset::large);
    if (large < small && large < medium)
        return NoteSizePreset::large;
    if (medium < small)
        return NoteSizePreset::medium;
    return NoteSizePreset::small;
}

StickyNote StickyNote::placeholder(const Uuid& id, Instant now)
{
    StickyNote note;
    note.id = id;
    note.createdAt = now;
    note.updatedAt = now;
    return note;
}

bool StickyNote::storeFieldsDiffer(const StickyNote& a, const StickyNote& b)
{
    return a.title != b.title || a.details != b.details || a.isCompleted != b.isCompleted || a.priority != b.priority
        || a.dueDate != b.dueDate;
}

void StickyNote::touch(Instant now)
{
    updatedAt = now;
    contentUpdatedAt.reset();
}

void StickyNote::touch(const StickyNote& before, Instant now)
{
    if (storeFieldsDiffer(before, *this))
        contentUpdatedAt.reset();
    else
        contentUpdatedAt = before.storeFieldsUpdatedAt();
    updatedAt = now;
    // A change made at the same instant as the last edit is no older.
    if (contentUpdatedAt && *contentUpdatedAt >= updatedAt)
        contentUpdatedAt.reset();
}

int StickyNote::completedTaskCount() const
{
    return static_cast<int>(std::count_if(tasks.begin(), tasks.end(), [](const NoteTask& t) { return t.isCompleted; }));
}

std::string StickyNote::taskProgressText() const
{
    return std::to_string(completedTaskCount()) + "/" + std::to_string(tasks.size());
}

void StickyNote::recomputeCompletion()
{
    if (tasks.empty())
        return;
    isCompleted = std::all_of(tasks.begin(), tasks.end(), [](const NoteTask& t) { return t.isCompleted; });
}

void StickyNote::clampDatesToStorable()
{
    auto clamp = [](std::optional<Instant>& date) {
        if (date)
            date = clampedToStorable(*date);
    };
    createdAt = clampedToStorable(createdAt);
    updatedAt = clampedToStorable(updatedAt);
    clamp(contentUpdatedAt);
    clamp(dueDate);
    clamp(deferredUntil);
    for (NoteTask& task : tasks)
        clamp(task.linkedDueDate);
    if (externalLink) {
        clamp(externalLink->lastSyncedAt);
        clamp(externalLink->lastExternalModifiedAt);
    }
}

} // namespace brivet
