#pragma once

#include "model/Enums.h"
#include "model/Instant.h"
#include "model/Uuid.h"

#include <optional>
#include <string>
#include <vector>

namespace brivet {

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Board-mode size of a preset: the exact content size of a compact card.
Size boardSize(NoteSizePreset);
// Smallest content size of a card in detail mode.
Size detailMinimumSize(NoteSizePreset);
// Largest content size of a card in detail mode.
inline constexpr Size detailMaximumSize { 960, 860 };
// "344 × 248" and so on.
std::string creationDescription(NoteSizePreset);
// "小号 · 344 × 248" and so on.
std::string menuLabel(NoteSizePreset);
// The preset whose board size is nearest; equal distances go to the smaller.
NoteSizePreset closestPreset(Size size);

struct NoteTask {
    Uuid id;
    std::string title;
    bool isCompleted = false;
    std::optional<Uuid> linkedNoteID;
    std::optional<NoteSource> linkedSource;
    std::optional<Instant> linkedDueDate;

    friend bool operator==(const NoteTask&, const NoteTask&) = default;
};

// Screen rectangle in points, origin at the bottom left, y upwards.
struct NoteFrame {
    double x = 120;
    double y = 620;
    double width = 500;
    double height = 318;
    NoteSizePreset sizePreset = NoteSizePreset::medium;

    friend bool operator==(const NoteFrame&, const NoteFrame&) = default;
};

struct NoteStyle {
    NoteTheme theme = NoteTheme::work;
    double opacity = 0.92;
    std::optional<std::string> customHexColor;
    double fontScale = 1.0;

    friend bool operator==(const NoteStyle&, const NoteStyle&) = default;
};

struct ExternalLink {
    NoteSource source = NoteSource::reminders;
    std::string externalID;
    std::optional<Instant> lastSyncedAt;
    std::optional<Instant> lastExternalModifiedAt;

    friend bool operator==(const ExternalLink&, const ExternalLink&) = default;
};

// One note or scene board. Plain value; copies are independent. (A new
// field also joins the list of fields a sync's rebase carries over, in
// src/state/SyncRebase.cpp.)
struct StickyNote {
    Uuid id;
    std::string title;
    std::string details;
    std::vector<NoteTask> tasks;
    bool isCompleted = false;
    NotePriority priority = NotePriority::normal;
    std::optional<Instant> dueDate;
    std::string category = "收集箱";
    std::string group = "默认";
    Instant createdAt {};
    // Every change.
    Instant updatedAt {};
    // The last change of a field the reminders store holds too (title,
    // details, completion, priority, due date), when it is older than
    // updatedAt; none: the same as updatedAt. A sync weighs this against
    // the reminder's own edit time, so moving, resizing or hiding a card
    // never makes it win over a newer edit made on another device.
    std::optional<Instant> contentUpdatedAt;
    NoteFrame frame;
    NoteStyle style;
    NoteSource source = NoteSource::local;
    std::optional<ExternalLink> externalLink;
    bool isHidden = false;
    bool syncToReminders = false;
    NoteDisplayMode displayMode = NoteDisplayMode::board;
    NoteSurfaceRole surfaceRole = NoteSurfaceRole::regular;
    std::optional<Instant> deferredUntil;

    // The note with this id and every other field at its placeholder value;
    // creation and update time are `now`.
    static StickyNote placeholder(const Uuid& id, Instant now);

    // When a field the reminders store holds last changed here.
    Instant storeFieldsUpdatedAt() const { return contentUpdatedAt.value_or(updatedAt); }
    // Whether title, details, completion, priority or due date differ.
    static bool storeFieldsDiffer(const StickyNote& a, const StickyNote& b);
    // Stamps a change made at `now` to any field.
    void touch(Instant now);
    // Stamps a change made at `now` from `before`: the store's fields count
    // as changed only when they differ.
    void touch(const StickyNote& before, Instant now);

    int completedTaskCount() const;
    // "2/5"; "0/0" without tasks.
    std::string taskProgressText() const;
    bool isSceneBoard() const { return surfaceRole != NoteSurfaceRole::regular; }
    // With at least one task: completed exactly when every task is. A note
    // without tasks keeps its flag.
    void recomputeCompletion();
    // Brings every date of the note (its tasks' and link's included) into
    // the years the notes file can hold.
    void clampDatesToStorable();

    friend bool operator==(const StickyNote&, const StickyNote&) = default;
};

} // namespace brivet
