#pragma once

#include "model/Instant.h"
#include "model/StickyNote.h"
#include "model/Uuid.h"

#include <cstddef>
#include <vector>

namespace brivet {

// A line of a board that stood for a deleted note, and where it stood: a
// restore puts it back if the board lost it meanwhile.
struct TrashedBoardLine {
    Uuid boardId;
    std::size_t position = 0;
    NoteTask line;

    friend bool operator==(const TrashedBoardLine&, const TrashedBoardLine&) = default;
};

// A deleted note as the trash keeps it: the whole record, when it was
// deleted, where it stood in the notes list and the board lines that
// pointed at it, so a restore gives back exactly what was there.
struct TrashEntry {
    StickyNote note;
    Instant deletedAt;
    std::size_t position = 0;
    std::vector<TrashedBoardLine> boardLines;

    friend bool operator==(const TrashEntry&, const TrashEntry&) = default;
};

} // namespace brivet
