#include "sync/eds/EdsSyncService.h"

#include "model/UserCalendar.h"
#include "sync/EventKitSyncService.h"
#include "sync/eds/EdsEventStore.h"

namespace brivet {

std::unique_ptr<EventKitSyncing> makeEdsSyncService(const Clock& clock, const UserCalendar& calendar)
{
    return std::make_unique<EventKitSyncService>(std::make_unique<EdsEventStore>(calendar.timeZoneId()), clock, calendar);
}

} // namespace brivet
