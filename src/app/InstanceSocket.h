#pragma once

#include "model/DataFolder.h"

#include <chrono>
#include <filesystem>
#include <optional>

namespace brivet {

// Where the running instance listens for a second launch, and the second
// launch's side of the hand-over. The socket sits in a folder only the
// user can enter: $XDG_RUNTIME_DIR/brivet, or /tmp/brivet-<uid> where that
// variable is not set. Each data folder has its own socket, as it has its
// own lock.
namespace InstanceSocket {

// The socket folder under `runtimeDirectory` (empty: from the environment),
// created 0700 when missing. Nothing when it cannot be made private to the
// user (wrong owner, open to others, not a folder).
std::optional<std::filesystem::path> directory(const std::filesystem::path& runtimeDirectory = {});
// The socket of `folder` inside `directory`; nothing when the path would
// be too long for a local socket.
std::optional<std::filesystem::path> path(const std::filesystem::path& directory, const DataFolder& folder);

// What a launch that found the folder locked sends and receives.
inline constexpr char presentDashboardRequest[] = "present dashboard\n";
inline constexpr char acceptedReply[] = "ok\n";

enum class HandOver {
    // The running instance brought its dashboard forward.
    accepted,
    // Nobody listened, or the listener did not answer in time.
    noAnswer,
};

// Asks the instance at `socket` to bring its dashboard forward. Keeps
// trying to connect for `connectWindow` (an instance that is still
// starting has the lock before it listens; one that is busy may have a
// full queue) and waits `answerWindow` for the reply. Blocks, for no longer
// than the two windows together, whatever the other end does; used before
// the application exists.
HandOver requestDashboard(const std::filesystem::path& socket, std::chrono::milliseconds connectWindow,
    std::chrono::milliseconds answerWindow);

} // namespace InstanceSocket

} // namespace brivet
