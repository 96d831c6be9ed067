#include "state/ScreenPlacement.h"

#include <algorithm>

namespace brivet::ScreenPlacement {

namespace {

const Rect& targetScreen(const Rect& frame, const std::vector<Rect>& screens)
{
    for (const Rect& screen : screens)
        if (screen.intersects(frame))
            return screen;
    return screens.front();
}

} // namespace

Size minimumSize(NoteDisplayMode mode, NoteSizePreset preset)
{
    if (mode == NoteDisplayMode::board)
        return boardSize(NoteSizePreset::small);
    return detailMinimumSize(preset);
}

Size maximumSize(NoteDisplayMode mode, NoteSizePreset)
{
    if (mode == NoteDisplayMode::board)
        return boardSize(NoteSizePreset::large);
    return detailMaximumSize;
}

Rect clamped(const Rect& frame, NoteDisplayMode mode, NoteSizePreset preset, const std::vector<Rect>& screens)
{
    if (screens.empty())
        return frame;
    const Rect& screen = targetScreen(frame, screens);
    Size minimum = minimumSize(mode, preset);
    Size maximum = maximumSize(mode, preset);
    // The minimum wins over the screen: a screen smaller than the minimum
    // gets an overhanging card rather than an unusable one.
    double width = std::max(minimum.width, std::min(std::min(screen.width, maximum.width), frame.width));
    double height = std::max(minimum.height, std::min(std::min(screen.height, maximum.height), frame.height));
    // Far edge first, near edge last: an oversized card aligns left and bottom.
    double x = std::max(screen.minX(), std::min(screen.maxX() - width, frame.x));
    double y = std::max(screen.minY(), std::min(screen.maxY() - height, frame.y));
    return Rect { x, y, width, height };
}

void place(StickyNote& note, const std::vector<Rect>& screens)
{
    if (screens.empty())
        return;
    Rect frame { note.frame.x, note.frame.y, note.frame.width, note.frame.height };
    Rect placed = clamped(frame, note.displayMode, note.frame.sizePreset, screens);
    note.frame.x = placed.x;
    note.frame.y = placed.y;
    note.frame.width = placed.width;
    note.frame.height = placed.height;
}

StickyNote sanitized(const StickyNote& note, const std::vector<Rect>& screens)
{
    StickyNote result = note;
    place(result, screens);
    return result;
}

std::vector<StickyNote> sanitized(std::vector<StickyNote> notes, const std::vector<Rect>& screens)
{
    for (StickyNote& note : notes)
        place(note, screens);
    return notes;
}

Point sanitize(Point origin, const std::vector<Rect>& screens)
{
    if (screens.empty())
        return origin;
    Rect placed = clamped(Rect { origin.x, origin.y, 500, 318 }, NoteDisplayMode::board, NoteSizePreset::medium, screens);
    return Point { placed.x, placed.y };
}

} // namespace brivet::ScreenPlacement
