#pragma once

#include "sync/SyncTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace brivet {

// JSON forms of the selectable sources, keyed by their field names
// (`colorHex` omitted when absent). They live in memory only; the forms
// exist for diagnostics and for handing a snapshot across a process
// boundary.
std::string encodeSyncSourceOption(const SyncSourceOption& option);
std::string encodeSyncSourceSnapshot(const SyncSourceSnapshot& snapshot);
// None when the text is not JSON, a key is missing or has the wrong type, or
// a kind names no case.
std::optional<SyncSourceOption> decodeSyncSourceOption(std::string_view json);
std::optional<SyncSourceSnapshot> decodeSyncSourceSnapshot(std::string_view json);

} // namespace brivet
