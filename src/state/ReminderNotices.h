#pragma once

#include "model/Instant.h"
#include "model/Scheduler.h"
#include "model/Uuid.h"
#include "state/StateObserver.h"

#include <cstddef>
#include <string>
#include <vector>

namespace brivet {

class AppState;
class UserCalendar;

// What a notice is about.
enum class NoticeKind {
    // A dated note's due time came.
    due,
    // A deferral ended: the note put off has come back.
    returned,
    // An imported calendar event starts.
    calendarStart,
};

// The buttons of a note's notice.
enum class NoticeAction { complete,
    later,
    open };

struct ReminderNotice {
    Uuid noteId;
    NoticeKind kind = NoticeKind::due;
    // When the event happened (the due time, the deferral's end).
    Instant at {};
    std::string title;

    // The notice's headline and body for the user.
    std::string summary(const UserCalendar& calendar) const;
    std::string body(const UserCalendar& calendar) const;
};

// Where the notices go; the desktop's notification server in the app.
class ReminderNoticeSink {
public:
    virtual ~ReminderNoticeSink() = default;
    // One note's notice; a later one for the same note and kind takes its
    // place rather than standing beside it.
    virtual void show(const ReminderNotice& notice) = 0;
    // The notices of one moment, when there are too many to show each.
    virtual void showSummary(const std::vector<ReminderNotice>& notices) = 0;
};

// Tells the sink when a dated note falls due, when a deferral ends and,
// if the user wants it, when a calendar event starts. It wakes only at
// the next such instant (on the wall clock, so also after a sleep) and
// keeps in the preferences the instant up to which every event has been
// dealt with: each event is told once, also across restarts, and a launch
// tells what came while the app was not running. The events of one moment
// beyond summaryLimit go out as one summary.
class ReminderNotices final : public StateObserver {
public:
    static constexpr std::size_t summaryLimit = 3;

    // Looks at once (on the scheduler's next turn) for what came since the
    // last run. `state` and `sink` must outlive it.
    ReminderNotices(AppState& state, Scheduler& scheduler, ReminderNoticeSink& sink);
    ~ReminderNotices() override;
    ReminderNotices(const ReminderNotices&) = delete;
    ReminderNotices& operator=(const ReminderNotices&) = delete;

    // A notice's button, through the same operations as the panel. A note
    // that has gone, or is already done, is left as it is.
    void perform(const Uuid& noteId, NoticeAction action);

    // The next instant it wakes at, if any (tests).
    std::optional<Instant> nextWakeUp() const { return m_wakeUpAt; }

    // The summary's headline and body.
    static std::string summaryHeadline(const std::vector<ReminderNotice>& notices);
    static std::string summaryBody(const std::vector<ReminderNotice>& notices);

private:
    void stateDidChange(StateField field) override;
    // The events after m_handledUntil up to `until`, in time order.
    std::vector<ReminderNotice> eventsUpTo(std::optional<Instant> until) const;
    // Tells what fell due, records how far that went, arms the next wake-up.
    void look();
    void scheduleWakeUp();

    AppState& m_state;
    Scheduler& m_scheduler;
    ReminderNoticeSink& m_sink;
    Instant m_handledUntil;
    TaskHandle m_wakeUp;
    std::optional<Instant> m_wakeUpAt;
};

} // namespace brivet
