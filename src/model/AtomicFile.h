#pragma once

#include "model/Status.h"

#include <filesystem>
#include <string_view>

namespace brivet {

// Replaces `target` with `bytes` durably: a temporary file in the same
// folder, flushed and fsynced, renamed over the target, then the folder
// fsynced. The file is created with mode 0600. On failure the previous file
// is untouched and no temporary file is left behind.
Status writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace brivet
