// The entry point of the Evolution Data Server module (see EdsModule.h).
#include "sync/eds/EdsEventStore.h"
#include "sync/eds/EdsModule.h"

#include <new>

extern "C" __attribute__((visibility("default"))) brivet::EventStore* brivet_eds_create_event_store(
    unsigned long interface, const char* timeZoneId)
{
    if (interface != brivet::EdsModule::interfaceId())
        return nullptr;
    return new (std::nothrow) brivet::EdsEventStore(timeZoneId ? timeZoneId : "");
}
