#include "support/InMemoryEventStore.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace brivet::testing {

StoreCalendar& InMemoryEventStore::addList(std::string id, std::string title, std::string account)
{
    reminderLists.push_back({ std::move(id), std::move(title), std::move(account), std::nullopt, true, false });
    return reminderLists.back();
}

StoreCalendar& InMemoryEventStore::addCalendar(std::string id, std::string title, std::string account)
{
    eventCalendars.push_back({ std::move(id), std::move(title), std::move(account), std::nullopt, true, false });
    return eventCalendars.back();
}

StoreReminder& InMemoryEventStore::addReminder(std::string id, std::string listId, std::string title,
    std::optional<Instant> due, std::optional<Instant> modified)
{
    StoreReminder item;
    item.uid = std::move(id);
    item.sourceUid = listId;
    if (const StoreCalendar* found = list(listId))
        item.calendarTitle = found->title;
    item.title = std::move(title);
    item.dueDate = due;
    item.lastModifiedDate = modified;
    reminders.push_back(std::move(item));
    return reminders.back();
}

StoreEvent& InMemoryEventStore::addEvent(std::string id, std::string calendarId, std::string title, Instant start,
    std::optional<Instant> modified)
{
    StoreEvent event;
    event.uid = std::move(id);
    event.sourceUid = calendarId;
    for (const StoreCalendar& calendar : eventCalendars)
        if (calendar.uid == calendarId)
            event.calendarTitle = calendar.title;
    event.title = std::move(title);
    event.startDate = start;
    event.lastModifiedDate = modified;
    events.push_back(std::move(event));
    return events.back();
}

StoreReminder* InMemoryEventStore::reminder(const std::string& id)
{
    // Tests edit `reminders` directly, so the index is only a hint: checked
    // on every hit and rebuilt when it is wrong.
    auto hint = m_index.find(id);
    if (hint != m_index.end() && hint->second < reminders.size() && reminders[hint->second].uid == id)
        return &reminders[hint->second];
    m_index.clear();
    for (std::size_t i = 0; i < reminders.size(); ++i)
        m_index.emplace(reminders[i].uid, i);
    hint = m_index.find(id);
    return hint == m_index.end() ? nullptr : &reminders[hint->second];
}

bool InMemoryEventStore::holds(const std::string& id)
{
    // A miss in an index of the right size is taken as absent, so that
    // checking each new reminder stays cheap on large runs.
    if (m_index.size() == reminders.size()) {
        auto hint = m_index.find(id);
        if (hint == m_index.end())
            return false;
        if (hint->second < reminders.size() && reminders[hint->second].uid == id)
            return true;
    }
    return reminder(id) != nullptr;
}

const StoreCalendar* InMemoryEventStore::list(const std::string& id) const
{
    for (const StoreCalendar& calendar : reminderLists)
        if (calendar.uid == id)
            return &calendar;
    return nullptr;
}

void InMemoryEventStore::answer(std::function<void()> call)
{
    if (deferCompletions)
        m_queue.push_back(std::move(call));
    else
        call();
}

void InMemoryEventStore::deliver()
{
    while (!m_queue.empty()) {
        auto call = std::move(m_queue.front());
        m_queue.pop_front();
        call();
    }
}

bool InMemoryEventStore::deliverNext()
{
    if (m_queue.empty())
        return false;
    auto call = std::move(m_queue.front());
    m_queue.pop_front();
    call();
    return true;
}

void InMemoryEventStore::postChange()
{
    if (m_changeHandler)
        m_changeHandler();
}

void InMemoryEventStore::requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion)
{
    ++accessRequests;
    AccessResult result = type == StoreEntityType::reminder ? reminderAccess : eventAccess;
    answer([completion = std::move(completion), result] { completion(result); });
}

EventStore::CalendarsResult InMemoryEventStore::calendars(StoreEntityType type) const
{
    if (listingError)
        return *listingError;
    return type == StoreEntityType::reminder ? reminderLists : eventCalendars;
}

void InMemoryEventStore::fetchReminders(const std::vector<std::string>& sourceUids,
    std::function<void(RemindersResult)> completion)
{
    if (fetchError) {
        answer([completion = std::move(completion), error = *fetchError] { completion(error); });
        return;
    }
    std::unordered_set<std::string> wanted(sourceUids.begin(), sourceUids.end());
    std::vector<StoreReminder> result;
    for (const StoreReminder& item : reminders)
        if (wanted.empty() || wanted.count(item.sourceUid))
            result.push_back(item);
    answer([completion = std::move(completion), result = std::move(result)]() mutable { completion(std::move(result)); });
}

void InMemoryEventStore::fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
    std::function<void(EventsResult)> completion)
{
    if (eventFetchError) {
        answer([completion = std::move(completion), error = *eventFetchError] { completion(error); });
        return;
    }
    std::unordered_set<std::string> wanted(sourceUids.begin(), sourceUids.end());
    std::vector<StoreEvent> result;
    // Events here last one hour; the store answers with every occurrence
    // that overlaps the window.
    for (const StoreEvent& event : events)
        if ((wanted.empty() || wanted.count(event.sourceUid)) && event.startDate <= end
            && event.startDate + std::chrono::hours(1) > start)
            result.push_back(event);
    answer([completion = std::move(completion), result = std::move(result)]() mutable { completion(std::move(result)); });
}

void InMemoryEventStore::saveReminder(StoreReminder item, std::function<void(SaveResult)> completion)
{
    ++saveAttempts;
    if (failFromSave && saveAttempts >= *failFromSave) {
        answer([completion = std::move(completion), error = saveError] { completion(error); });
        return;
    }
    const StoreCalendar* target = list(item.sourceUid);
    if (!target) {
        answer([completion = std::move(completion)] { completion(StoreError { "The reminder list does not exist" }); });
        return;
    }
    item.calendarTitle = target->title;
    item.lastModifiedDate = m_clock.now();
    // As the real store: a new reminder whose UID is taken writes into the
    // one that holds it.
    if (item.uid.empty() && !item.uidForNew.empty() && holds(item.uidForNew)) {
        item.uid = item.uidForNew;
        item.uidForNew.clear();
    }
    if (item.uid.empty()) {
        item.uid = item.uidForNew.empty() ? "created-" + std::to_string(m_nextId++) : item.uidForNew;
        item.uidForNew.clear();
        m_index[item.uid] = reminders.size();
        reminders.push_back(item);
        if (loseAnswerOfSave && saveAttempts == *loseAnswerOfSave) {
            // Stored, but the answer never arrives: the store went away.
            answer([completion = std::move(completion)] { completion(StoreError { "The store went away" }); });
            return;
        }
    } else if (StoreReminder* existing = reminder(item.uid)) {
        *existing = item;
    } else {
        answer([completion = std::move(completion)] { completion(StoreError { "The reminder no longer exists" }); });
        return;
    }
    saves.push_back(item);
    if (answerSavesAfter && answerScheduler) {
        answerScheduler->schedule(*answerSavesAfter,
            [completion = std::move(completion), item]() mutable { completion(std::move(item)); });
        return;
    }
    answer([completion = std::move(completion), item]() mutable { completion(std::move(item)); });
}

} // namespace brivet::testing
