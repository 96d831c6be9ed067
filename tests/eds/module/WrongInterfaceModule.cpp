// A module with the right entry point from another build of the program:
// it refuses every interface it is asked for.
namespace brivet {
class EventStore;
}

extern "C" __attribute__((visibility("default"))) brivet::EventStore* brivet_eds_create_event_store(unsigned long, const char*)
{
    return nullptr;
}
