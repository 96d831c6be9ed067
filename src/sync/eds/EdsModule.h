#pragma once

#include "sync/EventStore.h"
#include "sync/SyncService.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace brivet {

class AppLogger;
class Clock;
class UserCalendar;

// The Evolution Data Server store lives in a module of its own, a shared
// library loaded on first use, so a process that never syncs never maps
// libecal, libedataserver, libical and the GLib and network stack under
// them. The module exports one function with C linkage:
//   EventStore* brivet_eds_create_event_store(unsigned long interface, const char* timeZoneId)
// It returns a new store owned by the caller, or null when `interface` is
// not the one it was built with.
namespace EdsModule {

inline constexpr char entryPoint[] = "brivet_eds_create_event_store";

// Both sides compile it from the same headers; a module of another build
// (the store's types laid out differently) refuses to make a store.
constexpr unsigned long interfaceId()
{
    constexpr unsigned long version = 3;
    return (version << 48) ^ (sizeof(StoreCalendar) << 36) ^ (sizeof(StoreReminder) << 24) ^ (sizeof(StoreEvent) << 12)
        ^ sizeof(std::function<void()>) ^ (sizeof(std::string) << 6);
}

// Where the build and the install rules put the module: a fixed path
// relative to the folder of the running program.
std::filesystem::path besideExecutable();

} // namespace EdsModule

// Runs a piece of work on a later turn of the main loop.
using DeferFunction = std::function<void(std::function<void()>)>;

// An event store that loads the module at `module` the first time it is
// asked anything. When the module cannot be loaded (missing, not a library,
// a library it needs is missing, another build) that is logged once and
// every call fails with an error naming the module. A change handler set
// before first use is handed to the module through `defer`, so subscribing
// while the app starts does not put the loading on the way to the first
// window; without `defer` it is loaded at once. The module stays loaded for
// the life of the process (the GLib types it registers cannot be undone).
std::unique_ptr<EventStore> makeEdsModuleEventStore(std::filesystem::path module, std::string timeZoneId,
    AppLogger* logger = nullptr, DeferFunction defer = {});

// The sync engine on the store of the module at `module` (loaded as above),
// with floating and date-only times read in the calendar's zone.
std::unique_ptr<SyncService> makeEdsModuleSyncService(const Clock& clock, const UserCalendar& calendar,
    std::filesystem::path module, AppLogger* logger = nullptr, DeferFunction defer = {});

} // namespace brivet
