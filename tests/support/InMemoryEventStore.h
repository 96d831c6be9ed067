#pragma once

#include "model/Clock.h"
#include "model/Scheduler.h"
#include "sync/EventStore.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace brivet::testing {

// A reminders and calendar store held in memory. Completions run inside the
// call by default; with `deferCompletions` they queue until deliver(), the
// way a real store answers on a later turn of the loop. With
// `answerSavesAfter` a save is made at once but its answer comes through the
// scheduler that much later, as a store that is slow to reply. Saves can be
// made to fail from the N-th one on.
class InMemoryEventStore final : public EventStore {
public:
    explicit InMemoryEventStore(const Clock& clock) : m_clock(clock) { }

    std::vector<StoreCalendar> reminderLists;
    std::vector<StoreCalendar> eventCalendars;
    std::vector<StoreReminder> reminders;
    std::vector<StoreEvent> events;
    std::optional<StoreCalendar> defaultList;

    AccessResult reminderAccess = true;
    AccessResult eventAccess = true;
    // Failure modes: the listing of sources, the reading of reminders and
    // of events answer with these errors instead.
    std::optional<StoreError> listingError;
    std::optional<StoreError> fetchError;
    std::optional<StoreError> eventFetchError;
    std::optional<int> failFromSave; // 1-based
    // What a failing save answers with.
    StoreError saveError { "The reminder could not be saved" };
    // The N-th save (1-based) of a new reminder stores it but answers with
    // an error, as when the store dies before it answers.
    std::optional<int> loseAnswerOfSave;
    bool deferCompletions = false;
    std::optional<Duration> answerSavesAfter;
    Scheduler* answerScheduler = nullptr; // used with answerSavesAfter

    int accessRequests = 0;
    int saveAttempts = 0;
    std::vector<StoreReminder> saves; // every successful save, as stored

    // Convenience builders.
    StoreCalendar& addList(std::string id, std::string title, std::string account = "本地");
    StoreCalendar& addCalendar(std::string id, std::string title, std::string account = "本地");
    StoreReminder& addReminder(std::string id, std::string listId, std::string title, std::optional<Instant> due,
        std::optional<Instant> modified);
    StoreEvent& addEvent(std::string id, std::string calendarId, std::string title, Instant start,
        std::optional<Instant> modified);
    StoreReminder* reminder(const std::string& id);
    bool holds(const std::string& id);

    // Runs queued completions until none is left.
    void deliver();
    // Runs the oldest queued completion; false when none was queued.
    bool deliverNext();
    // Calls the change handler, as the store does after an outside change.
    void postChange();
    bool hasChangeHandler() const { return static_cast<bool>(m_changeHandler); }

    void requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion) override;
    CalendarsResult calendars(StoreEntityType type) const override;
    void fetchReminders(const std::vector<std::string>& sourceUids, std::function<void(RemindersResult)> completion) override;
    void fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
        std::function<void(EventsResult)> completion) override;
    std::optional<StoreCalendar> defaultCalendarForNewReminders() const override { return defaultList; }
    void saveReminder(StoreReminder reminder, std::function<void(SaveResult)> completion) override;
    void setChangeHandler(std::function<void()> handler) override { m_changeHandler = std::move(handler); }

private:
    void answer(std::function<void()> call);
    const StoreCalendar* list(const std::string& id) const;

    const Clock& m_clock;
    std::function<void()> m_changeHandler;
    std::deque<std::function<void()>> m_queue;
    std::unordered_map<std::string, std::size_t> m_index;
    int m_nextId = 1;
};

} // namespace brivet::testing
