#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivet {

// A key combination for a global shortcut, in the text form the
// preferences keep and the key editor shows: modifiers joined by "+" in the
// order Ctrl, Alt, Shift, Meta, then one key ("Alt+Meta+N", "Ctrl+Alt+F9").
// Meta is the Super (Windows) key; "Super" and "Control" are read too.
struct KeyChord {
    enum Modifier : unsigned { shift = 1,
        control = 2,
        alt = 4,
        meta = 8 };
    unsigned modifiers = 0;
    // "A"–"Z", "0"–"9", "F1"–"F35", a named key ("Space", "PgUp", "Del", …)
    // or one punctuation character (",", "/", …).
    std::string key;

    // The chord in the text form above, or none when it is not one. Valid
    // chords hold Ctrl, Alt or Meta: a global key on its own (or with only
    // Shift) would take typing away from every other program.
    static std::optional<KeyChord> parse(std::string_view text);
    std::string toString() const;

    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// An action's key as it is to be taken: the user's choice, its default, or
// none.
struct ShortcutBinding {
    std::string actionId;
    std::optional<KeyChord> chord;
    // Why the user's choice was not taken (English, for the log); empty
    // when it was.
    std::string problem;
};

// The keys for `defaults` (action id → default chord text, in the order to
// take them): a stored choice that parses wins, "" turns the key off, and
// text that does not parse, or a chord an earlier action already has,
// falls back to the default (or to none when that is taken too) with the
// reason in `problem`.
std::vector<ShortcutBinding> resolveShortcuts(const std::vector<std::pair<std::string, std::string>>& defaults,
    const std::map<std::string, std::string>& stored);

} // namespace brivet
