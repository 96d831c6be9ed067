#include "sync/eds/EdsSyncService.h"

#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"
#include "sync/eds/EdsEventStore.h"

namespace brivet {

std::unique_ptr<SyncService> makeEdsSyncService(const Clock& clock, const UserCalendar& calendar)
{
    return std::make_unique<ReminderSyncEngine>(std::make_unique<EdsEventStore>(calendar.timeZoneId()), clock, calendar);
}

} // namespace brivet
