#pragma once

#include "sync/SyncService.h"
#include "sync/EventStore.h"

#include <memory>

namespace brivet {

class Clock;
class UserCalendar;

// The notes sorted by `updatedAt`, newest first (stable), keeping the first
// note of each link (source and external identifier) and, among notes
// without a link, the first of each id.
std::vector<StickyNote> uniqueNotes(std::vector<StickyNote> notes);

// The sync engine: turns the notes plus the system store's reminders and
// events into a new notes list. It keeps no state between calls beyond the
// store it owns; every call works on its own copy of the notes. Completions
// run on the main loop, possibly before the call returns.
class ReminderSyncEngine final : public SyncService {
public:
    ReminderSyncEngine(std::unique_ptr<EventStore> store, const Clock& clock, const UserCalendar& calendar);
    ~ReminderSyncEngine() override;

    void synchronize(std::vector<StickyNote> notes, AppPreferences preferences,
        std::function<void(SyncResult)> completion) override;
    void fetchSourceSnapshot(const AppPreferences& preferences,
        std::function<void(SyncSourceSnapshot)> completion) override;
    void setChangeHandler(std::function<void()> handler) override;
    void abandonSync() override;
    void setLinkHandler(LinkHandler handler) override { m_linkHandler = std::move(handler); }
    bool hasWritesInFlight() const override { return m_writesInFlight > 0; }

    EventStore& eventStore() { return *m_store; }

private:
    struct Run;

    std::unique_ptr<EventStore> m_store;
    LinkHandler m_linkHandler;
    int m_writesInFlight = 0;
    std::weak_ptr<Run> m_current;
    const Clock& m_clock;
    const UserCalendar& m_calendar;
    // Lets completions that arrive after the service is gone do nothing.
    std::shared_ptr<ReminderSyncEngine*> m_lifetime;
};

} // namespace brivet
