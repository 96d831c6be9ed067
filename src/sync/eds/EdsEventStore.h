#pragma once

#include "sync/EventStore.h"

#include <memory>
#include <string>

namespace brivet {

// The reminders and calendar store on Evolution Data Server: reminder lists
// are its task lists (VTODO), calendars its event calendars (VEVENT).
//
// Construction touches no D-Bus; the source registry is reached on the first
// requestAccess and every call after that is asynchronous on the GLib main
// context of the thread that made it (the Qt event loop in the app). D-Bus
// work that EDS only offers synchronously (timezone look-ups, recurrence
// expansion) runs in worker threads. Destroying the store cancels what is
// pending; no completion runs after that.
class EdsEventStore final : public EventStore {
public:
    // Floating and date-only times are read in `timeZoneId` (an Olson name
    // such as "Europe/Berlin"); empty means the system zone.
    explicit EdsEventStore(std::string timeZoneId = {});
    ~EdsEventStore() override;
    EdsEventStore(const EdsEventStore&) = delete;
    EdsEventStore& operator=(const EdsEventStore&) = delete;

    // Granted once the source registry answers, after the clients of every
    // list of that type are open (so calendars() knows which are read-only)
    // and watched for changes. No session bus or no EDS gives a StoreError.
    void requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion) override;
    // Enabled sources only, ordered as the registry sorts them (by display
    // name, then by identifier). Empty before access was granted.
    std::vector<StoreCalendar> calendars(StoreEntityType type) const override;
    // None as soon as one of the requested lists cannot be read, so that a
    // partial answer is never taken for the whole. Identifiers that name no
    // list are ignored. A repeating VTODO is one reminder (its master).
    void fetchReminders(const std::vector<std::string>& sourceUids,
        std::function<void(std::optional<std::vector<StoreReminder>>)> completion) override;
    // Ordered by start, then calendar order, then identifier. A calendar that
    // cannot be read contributes nothing.
    void fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
        std::function<void(std::vector<StoreEvent>)> completion) override;
    std::optional<StoreCalendar> defaultCalendarForNewReminders() const override;
    // Refuses lists that are missing, disabled or read-only and identifiers
    // the list does not hold. A new reminder without a list goes to the
    // default list.
    void saveReminder(StoreReminder reminder, std::function<void(SaveResult)> completion) override;
    // Setting a handler starts watching every list and calendar (the first
    // access request does too); notices are coalesced into one call per
    // main-loop turn.
    void setChangeHandler(std::function<void()> handler) override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace brivet
