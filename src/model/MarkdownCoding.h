#pragma once

#include "model/NoteCoding.h"
#include "model/StickyNote.h"

#include <set>
#include <string>
#include <string_view>

namespace brivet {

// One note as a Markdown file: a front matter block (id, due date,
// priority, completion, source, theme), the title as the heading, the
// details as text and the tasks as "- [ ]" / "- [x]" lines under "## 任务".
std::string encodeMarkdownNote(const StickyNote& note);

// A note read back from that shape. The front matter is optional (a note
// without an id gets a fresh one); without a heading the title is
// `fallbackTitle`. Fails on text that is not UTF-8 or a front matter value
// that cannot be read, with a message for the user.
Decoded<StickyNote> decodeMarkdownNote(std::string_view text, const std::string& fallbackTitle, Instant now);

// "<title>.md" made safe for any file system (no separators or reserved
// characters, at most 80 bytes), "无标题.md" for an empty title; a name
// already in `taken` (compared without ASCII case) gets " (2)" and so on.
// The name returned joins `taken`.
std::string markdownFileName(const StickyNote& note, std::set<std::string>& taken);

} // namespace brivet
