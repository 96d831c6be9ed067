#pragma once

#include "model/Instant.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brivet {

// The system's reminders and calendar store as the sync engine uses it.
// Every completion runs on the main loop, possibly before the call returns.
// Identifiers are unique within the store and stable across launches.

enum class StoreEntityType { reminder, event };

// Why a call failed. `unreachable`: the store itself could not be asked (its
// service is not installed, does not start or went away), as opposed to a
// refusal of this one call.
// What lies behind a failed call, as far as the words shown for it differ.
enum class StoreErrorCause {
    other,
    serviceStopped,    // the store's own service went away during the call
    serverUnreachable, // the server behind a list cannot be reached
    readOnly,          // the list refuses changes
};

struct StoreError {
    std::string description; // English, for the log
    bool unreachable = false;
    StoreErrorCause cause = StoreErrorCause::other;
    // The store's own message about the cause, shown in brackets after the
    // app's words; may be empty.
    std::string detail;
};

// A colour as the store gives it, already converted to sRGB where possible:
// red, green, blue (and maybe alpha) in 0…1. Fewer than three components
// means the conversion failed.
struct StoreColor {
    std::vector<double> components;
};

// A reminder list or an event calendar.
struct StoreCalendar {
    // The source's UID (an EDS ESource UID).
    std::string uid;
    std::string title;
    std::string sourceTitle; // the account that holds it
    std::optional<StoreColor> color;
    bool allowsContentModifications = true;
    bool isSubscription = false; // a subscribed (web) calendar
    // Its backend cannot reach its server: it answers with what it held when
    // last online, which may be nothing at all.
    bool isOffline = false;
};

struct StoreReminder {
    // The iCalendar UID; empty for a reminder not yet saved, the store
    // assigns it on save.
    std::string uid;
    // For a new reminder (no `uid`): the UID to create it with, when the
    // caller chooses one; the store then keeps it. Empty: the store picks.
    std::string uidForNew;
    // The UID of the list it lives in; empty for a new reminder not yet
    // given a list.
    std::string sourceUid;
    std::string calendarTitle;
    std::string title;
    std::optional<std::string> notes;
    int priority = 0; // 0 none, 1 highest … 9 lowest
    bool isCompleted = false;
    std::optional<Instant> completionDate;
    // The instant the due-date components denote (to the minute when the
    // engine writes them); none without a due date.
    std::optional<Instant> dueDate;
    // Set by the store on save.
    std::optional<Instant> lastModifiedDate;
};

// One occurrence of an event; the occurrences of a repeating event share
// `uid` (the iCalendar UID) and `lastModifiedDate`.
// A list that could not fetch what its server holds now, so reads and
// writes work from what the store last held.
struct StoreStaleList {
    std::string uid;
    std::string title;
    StoreError reason;
    // Its server did not answer in time and the store's reads of this list
    // wait for that answer as well: reading it now would hang.
    bool readsBlocked = false;
};

struct StoreEvent {
    std::string uid;
    // The UID of the calendar it belongs to.
    std::string sourceUid;
    std::string calendarTitle;
    std::string title;
    std::optional<std::string> notes;
    std::optional<std::string> location;
    Instant startDate;
    std::optional<Instant> lastModifiedDate;
};

class EventStore {
public:
    using AccessResult = std::variant<bool, StoreError>;
    using SaveResult = std::variant<StoreReminder, StoreError>;
    using CalendarsResult = std::variant<std::vector<StoreCalendar>, StoreError>;
    using RemindersResult = std::variant<std::vector<StoreReminder>, StoreError>;
    using EventsResult = std::variant<std::vector<StoreEvent>, StoreError>;

    virtual ~EventStore() = default;

    // Granted (true), refused (false) or an error; asked at every sync and
    // every source refresh.
    virtual void requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion) = 0;

    // The lists (reminder) or calendars (event) in the store's order; an
    // error when the store cannot say which there are (not asked yet, or not
    // reachable), which is never the same as having none.
    virtual CalendarsResult calendars(StoreEntityType type) const = 0;

    // All reminders of the given lists, completed ones included; an empty
    // list of identifiers means every list. An error as soon as one of the
    // lists cannot be read: a partial answer is never given for the whole.
    virtual void fetchReminders(const std::vector<std::string>& sourceUids,
        std::function<void(RemindersResult)> completion) = 0;

    // Has the given lists (every one for an empty list) fetch what their
    // servers hold now, so that the reads and saves after it compare against
    // the newest versions; lists kept only on this machine need nothing.
    // Never fails as a whole and never takes much longer than a few seconds
    // (an unreachable server is given up on): the answer names the lists
    // that still hold what they held before, and why.
    virtual void refreshLists(StoreEntityType type, const std::vector<std::string>& sourceUids,
        std::function<void(std::vector<StoreStaleList>)> completion)
    {
        (void)type;
        (void)sourceUids;
        completion({});
    }

    // The event occurrences of the given calendars overlapping [start, end],
    // repeating events expanded; an error as soon as one of them cannot be
    // read.
    virtual void fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
        std::function<void(EventsResult)> completion) = 0;

    // The list a new reminder goes to when none is chosen; may be absent.
    virtual std::optional<StoreCalendar> defaultCalendarForNewReminders() const = 0;

    // Creates (empty identifier) or replaces a reminder and commits. The
    // result is the reminder as stored, with its identifier and the store's
    // modification time.
    virtual void saveReminder(StoreReminder reminder, std::function<void(SaveResult)> completion) = 0;

    // Called on the main loop after any change in the store (items or
    // sources); an empty function unsubscribes.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace brivet
