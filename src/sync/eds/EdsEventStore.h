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
    // How long a refresh waits for the servers before the sync goes on
    // without them: long enough for a slow server to list a collection,
    // short enough that a sync by hand still feels like one.
    static constexpr unsigned refreshTimeoutMs = 10'000;

    // Floating and date-only times are read in `timeZoneId` (an Olson name
    // such as "Europe/Berlin"); empty means the system zone.
    explicit EdsEventStore(std::string timeZoneId = {});
    ~EdsEventStore() override;
    EdsEventStore(const EdsEventStore&) = delete;
    EdsEventStore& operator=(const EdsEventStore&) = delete;

    // Granted once the source registry answers, after the clients of every
    // list of that type are open (so calendars() knows which are read-only)
    // and watched for changes. No session bus, no EDS, or a registry service
    // that cannot be started gives an unreachable StoreError with the
    // reason; a registry that went away is started again first.
    void requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion) override;
    // Enabled sources only, ordered as the registry sorts them (by display
    // name, then by identifier). An unreachable error before access was
    // granted and while the registry service is gone.
    CalendarsResult calendars(StoreEntityType type) const override;
    // An error as soon as one of the requested lists cannot be opened or
    // read, so that a partial answer is never taken for the whole.
    // Identifiers that name no list are ignored. A repeating VTODO is one
    // reminder (its master).
    void fetchReminders(const std::vector<std::string>& sourceUids, std::function<void(RemindersResult)> completion) override;
    // Lists whose backend refreshes from a server (CalDAV and the like) are
    // asked to, and the answer waits until their copy is fetched, for at
    // most refreshTimeout. A list whose server cannot be reached, that is
    // offline or that does not answer in time is named with the reason.
    void refreshLists(StoreEntityType type, const std::vector<std::string>& sourceUids,
        std::function<void(std::vector<StoreStaleList>)> completion) override;
    // Ordered by start, then calendar order, then identifier. An error when
    // one of the calendars cannot be opened.
    void fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
        std::function<void(EventsResult)> completion) override;
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
