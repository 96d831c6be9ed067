#pragma once

#include "sync/SyncService.h"

#include <memory>

namespace brivet {

class Clock;
class UserCalendar;

// The sync engine on Evolution Data Server, with floating and date-only
// times read in the calendar's zone. Never null; it neither blocks nor fails
// without a session bus — an unreachable EDS shows up as an access error
// when syncing.
std::unique_ptr<SyncService> makeEdsSyncService(const Clock& clock, const UserCalendar& calendar);

} // namespace brivet
