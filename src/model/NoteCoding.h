#pragma once

#include "model/AppPreferences.h"
#include "model/StickyNote.h"
#include "model/TrashEntry.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brivet {

class UserCalendar;

// The stored JSON forms. Output is pretty-printed with the keys of every
// object in ascending order; dates are UTC with whole seconds and a "Z".

// "2026-12-05T10:38:12Z"; the fraction of a second is dropped.
std::string formatIsoDate(Instant);
// Only the form above is accepted.
std::optional<Instant> parseIsoDate(std::string_view);
// The value of a run of ASCII digits ("0042" is 42); none for an empty run,
// any other character, or a value past what an int holds.
std::optional<int> parseDecimal(std::string_view);

struct DecodeError {
    // "<field>: <problem>", for a note of the notes file led by
    // "note <index>: " (its position in the list, from 0).
    std::string message;
    // The position of the note that failed, when one did.
    std::optional<std::size_t> noteIndex = std::nullopt;
};
template<typename T>
using Decoded = std::variant<T, DecodeError>;

// The notes file: {"notes": [...], "version": 1}.
std::string encodeNotesFile(const std::vector<StickyNote>& notes);
void encodeNotesFile(const std::vector<StickyNote>& notes, std::string& out);
// Fails as a whole when any note fails. Missing dates take `now`.
Decoded<std::vector<StickyNote>> decodeNotesFile(std::string_view json, Instant now);
// The same for bytes followed by at least `jsonReadPadding` more readable
// bytes (any content), which saves copying a large file before parsing.
constexpr std::size_t jsonReadPadding = 64;
Decoded<std::vector<StickyNote>> decodePaddedNotesFile(std::string_view json, Instant now);

// The preferences file: {"preferences": {...}, "version": 1}.
std::string encodePreferencesFile(const AppPreferences& preferences);
Decoded<AppPreferences> decodePreferencesFile(std::string_view json, const UserCalendar& calendar, Instant now);

// The trash file: {"trash": [{"boardLines": [...], "deletedAt": ...,
// "note": {...}, "position": n}, ...], "version": 1}; a board line is
// {"boardID": ..., "line": <task>, "position": n}. Fails as a whole when
// any entry fails.
std::string encodeTrashFile(const std::vector<TrashEntry>& entries);
Decoded<std::vector<TrashEntry>> decodeTrashFile(std::string_view json, Instant now);

// Single records, as they stand inside the files.
std::string encodeNote(const StickyNote& note);
Decoded<StickyNote> decodeNote(std::string_view json, Instant now);
std::string encodePreferences(const AppPreferences& preferences);
Decoded<AppPreferences> decodePreferences(std::string_view json, const UserCalendar& calendar, Instant now);

} // namespace brivet
