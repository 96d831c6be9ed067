#pragma once

#include <string>

namespace brivet::testing {

// The far end of a CalDavHome: run in a child process of its own, it starts
// a private EDS whose one task list is a "caldav" source on
// `collectionUrl`, launches an AppState syncing that list through the real
// EDS module, and then answers the commands CalDavHome sends on standard
// input, one per line, until "quit" or the end of input. Every reply is a
// few lines starting with "> " and ends with a line ">.". The process's exit
// code.
int runCalDavHomeAgent(const std::string& collectionUrl);

} // namespace brivet::testing
