#pragma once

#include "model/StickyNote.h"
#include "state/ScreenList.h"

#include <vector>

namespace brivet {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Keeps note frames on a screen and inside their display mode's size limits.
namespace ScreenPlacement {

// The note with its frame moved and sized onto a screen; preset unchanged.
StickyNote sanitized(const StickyNote& note, const std::vector<Rect>& screens);
std::vector<StickyNote> sanitized(std::vector<StickyNote> notes, const std::vector<Rect>& screens);
// The same, in place.
void place(StickyNote& note, const std::vector<Rect>& screens);
// The rectangle clamped as `sanitized` would for that mode and preset.
Rect clamped(const Rect& frame, NoteDisplayMode mode, NoteSizePreset preset, const std::vector<Rect>& screens);
// The point moved so that a medium board card placed there lies on a screen.
Point sanitize(Point origin, const std::vector<Rect>& screens);

Size minimumSize(NoteDisplayMode, NoteSizePreset);
Size maximumSize(NoteDisplayMode, NoteSizePreset);

} // namespace ScreenPlacement

} // namespace brivet
