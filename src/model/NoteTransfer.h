#pragma once

#include "model/NoteCoding.h"
#include "model/Status.h"
#include "model/StickyNote.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brivet {

class UserCalendar;

enum class ExportFormat {
    // A new folder with one .md file per note.
    markdown,
    // One file in the notes file's own format, importable back.
    json,
    // One .ics file with a VTODO per note.
    iCalendar,
};

// Writes `notes` at `target`: for Markdown a folder that must not exist yet
// (its files are written in a hidden folder beside it, then the folder is
// renamed into place), otherwise a file that replaces any file there. A
// failure leaves nothing behind and says in Chinese what could not be
// written, the system's words in brackets.
Status exportNotes(const std::vector<StickyNote>& notes, ExportFormat format, const std::filesystem::path& target, Instant now);

// "file:///home/…" with the bytes a URL may not hold percent-encoded.
std::string fileUrl(const std::filesystem::path& path);

// Files larger than this are refused before they are read.
constexpr std::uintmax_t largestImportFile = std::uintmax_t(64) << 20;
// A Markdown folder may hold at most this many notes.
constexpr std::size_t mostImportedMarkdownFiles = 10'000;

// The notes in an export: a JSON file in the notes file's format (the
// records as they were), an .ics file of to-dos, a Markdown file, or a
// folder of Markdown files (its .md files, not its subfolders). The kind
// comes from the extension, or from the first bytes for any other name.
// Fails, with a message for the user, when the source is missing, too
// large, or not what it claims to be.
Decoded<std::vector<StickyNote>> readImport(const std::filesystem::path& source, const UserCalendar& calendar, Instant now);

// What an import adds to `existing`: notes whose id is already there (or
// came earlier in the same import) are skipped, and so are the generated
// boards, which the app builds itself.
struct ImportPlan {
    std::vector<StickyNote> added;
    std::size_t skipped = 0;
};
ImportPlan planImport(std::vector<StickyNote> incoming, const std::vector<StickyNote>& existing);

} // namespace brivet
