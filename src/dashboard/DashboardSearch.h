#pragma once

#include "dashboard/DashboardLists.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivet {

// Search as the user types: a note matches when every word of the query
// (split at white space, ideographic space included) occurs in its title,
// its details or one of its task titles, ignoring case.
class DashboardSearch {
public:
    // The folded words of a query; empty for a blank query.
    static std::vector<std::string> words(std::string_view query);
    // Simple Unicode case folding of UTF-8 text; malformed bytes are kept.
    static std::string folded(std::string_view text);
    // True for a blank query.
    static bool matches(const StickyNote& note, const std::vector<std::string>& words);

    // Forget every remembered note text (the notes changed).
    void invalidate() { m_texts.clear(); }
    // The positions of `list` whose notes match; `list` itself when the
    // query is blank. Order is kept.
    NotePositions filter(const std::vector<StickyNote>& notes, const NotePositions& list,
        const std::vector<std::string>& words);

private:
    static std::string searchableText(const StickyNote& note);

    // Folded texts by position in the notes list, made when first needed.
    std::vector<std::optional<std::string>> m_texts;
};

} // namespace brivet
