#pragma once

#include "model/Instant.h"
#include "model/StickyNote.h"

#include <optional>
#include <string>
#include <vector>

namespace brivet {

class AppState;

// What one row of a dashboard note list shows for its note, and which of
// its buttons exist and are enabled.
struct NoteListRow {
    enum class TagKind { role, onDesktop, hidden, deferred };
    struct Tag {
        TagKind kind;
        std::string text;
        friend bool operator==(const Tag&, const Tag&) = default;
    };

    enum class Action {
        edit,
        remove,
        hide,
        reveal,
        // The menu "加入" (custom boards exist).
        addToBoard,
        // The single button "新建自定义场景板并加入" (no custom board yet).
        createBoardWithNote,
    };
    struct Button {
        Action action;
        std::string title;
        bool enabled = true;
        friend bool operator==(const Button&, const Button&) = default;
    };

    // One entry of the "加入" menu: a custom board, or none for the
    // closing entry that creates a board.
    struct BoardEntry {
        std::optional<Uuid> boardId;
        std::string title;
    };

    std::string title;
    std::vector<Tag> tags;
    std::string subtitle;
    std::vector<Button> buttons;

    // The row of `note` in `state` at `now`; `hasCustomBoards` says whether
    // the state has custom scene boards (asked once per list, not per row).
    static NoteListRow make(const StickyNote& note, const AppState& state, bool hasCustomBoards, Instant now);
    // The "加入" menu: the custom boards in order, then the entry that
    // creates a new board with the note.
    static std::vector<BoardEntry> boardEntries(const std::vector<StickyNote>& customBoards);

    const Button* button(Action action) const;
};

// Runs a row's action through the state's operations. addToBoard needs the
// chosen board (an empty one creates a new board with the note).
void performRowAction(AppState& state, const Uuid& noteId, NoteListRow::Action action,
    std::optional<Uuid> boardId = std::nullopt);

} // namespace brivet
