#pragma once

#include "model/Status.h"

#include <filesystem>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace brivet {

// Replaces `target` with `bytes` durably: a temporary file in the same
// folder, flushed and fsynced, renamed over the target, then the folder
// fsynced. The file is created with mode 0600. On failure the previous file
// is untouched and no temporary file is left behind.
Status writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Copies `source` to `target`, which must not exist yet, with mode 0600 and
// flushed to disk. On failure no part of `target` is left.
Status copyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target);

// The whole file, when it is a regular file of at most `limit` bytes; the
// size is checked before anything is read.
enum class ReadFailure { missing,
    tooLarge,
    unreadable };
std::variant<std::string, ReadFailure> readFileUpTo(const std::filesystem::path& path, std::uintmax_t limit);

// Flushes a folder's entries (a rename or a new file in it) to disk.
void syncFolder(const std::filesystem::path& folder);

} // namespace brivet
