#include "state/ReminderNotices.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"

#include <algorithm>

namespace brivet {

namespace {

std::string shownTitle(const std::string& title)
{
    return title.empty() ? std::string("未命名悬笺") : title;
}

// Calls `visit(kind, at)` for every event of `note`; `ended` is when its
// last deferral ran out during this run, if one did.
template<typename Visit>
void forEachEvent(const StickyNote& note, std::optional<Instant> ended, Visit&& visit)
{
    if (note.isSceneBoard() || note.isCompleted)
        return;
    if (note.deferredUntil)
        visit(NoticeKind::returned, *note.deferredUntil);
    if (ended && ended != note.deferredUntil)
        visit(NoticeKind::returned, *ended);
    if (!note.dueDate)
        return;
    // A note put off to or past its time says so when it comes back; a
    // deferral moves a note's due date to its end, so both come together.
    const Instant due = *note.dueDate;
    if ((note.deferredUntil && *note.deferredUntil >= due) || (ended && *ended == due))
        return;
    visit(note.source == NoteSource::calendar ? NoticeKind::calendarStart : NoticeKind::due, due);
}

bool wanted(const AppPreferences& p, NoticeKind kind)
{
    if (!p.noticesEnabled)
        return false;
    switch (kind) {
    case NoticeKind::due: return p.noticeWhenDue;
    case NoticeKind::returned: return p.noticeWhenDeferralEnds;
    case NoticeKind::calendarStart: return p.noticeAtCalendarEventStart;
    }
    return false;
}

} // namespace

std::string ReminderNotice::summary(const UserCalendar&) const
{
    switch (kind) {
    case NoticeKind::due: return "到期：" + shownTitle(title);
    case NoticeKind::returned: return "稍后的便签回来了";
    case NoticeKind::calendarStart: return "开始：" + shownTitle(title);
    }
    return {};
}

std::string ReminderNotice::body(const UserCalendar& calendar) const
{
    if (kind == NoticeKind::returned)
        return shownTitle(title);
    return calendar.formatSkeleton(at, "MMMdhm");
}

std::string ReminderNotices::summaryHeadline(const std::vector<ReminderNotice>& notices)
{
    return std::to_string(notices.size()) + " 条便签到时间了";
}

std::string ReminderNotices::summaryBody(const std::vector<ReminderNotice>& notices)
{
    constexpr std::size_t named = 5;
    std::string body;
    for (std::size_t i = 0; i < notices.size() && i < named; ++i)
        body += (i ? "、" : "") + shownTitle(notices[i].title);
    if (notices.size() > named)
        body += " 等";
    return body;
}

ReminderNotices::ReminderNotices(AppState& state, Scheduler& scheduler, ReminderNoticeSink& sink)
    : m_state(state)
    , m_scheduler(scheduler)
    , m_sink(sink)
{
    const Instant now = state.clock().now();
    // A mark in the future (a clock set back, a damaged file) would hide
    // the events until then.
    m_handledUntil = std::min(state.preferences().noticesHandledUntil.value_or(now), now);
    m_state.addObserver(this);
    m_wakeUpAt = now;
    m_wakeUp = TaskHandle(m_scheduler, m_scheduler.schedule(Duration(0), [this] { look(); }));
}

ReminderNotices::~ReminderNotices()
{
    m_state.removeObserver(this);
}

void ReminderNotices::stateDidChange(StateField field)
{
    if (field == StateField::notes || field == StateField::preferences)
        scheduleWakeUp();
}

std::vector<ReminderNotice> ReminderNotices::eventsUpTo(std::optional<Instant> until) const
{
    std::vector<ReminderNotice> events;
    const std::map<Uuid, Instant>& ended = m_state.endedDeferrals();
    for (const StickyNote& note : m_state.notes()) {
        auto found = ended.find(note.id);
        std::optional<Instant> endedAt = found == ended.end() ? std::nullopt : std::optional<Instant>(found->second);
        forEachEvent(note, endedAt, [&](NoticeKind kind, Instant at) {
            if (at > m_handledUntil && (!until || at <= *until))
                events.push_back({ note.id, kind, at, note.title });
        });
    }
    std::stable_sort(events.begin(), events.end(),
        [](const ReminderNotice& a, const ReminderNotice& b) { return a.at < b.at; });
    return events;
}

void ReminderNotices::scheduleWakeUp()
{
    std::optional<Instant> next;
    for (const ReminderNotice& event : eventsUpTo(std::nullopt))
        if (!next || event.at < *next)
            next = event.at;
    if (next == m_wakeUpAt && m_wakeUp.isPending())
        return;
    m_wakeUp.cancel();
    m_wakeUpAt = next;
    if (next)
        m_wakeUp = TaskHandle(m_scheduler, m_scheduler.scheduleAt(*next, [this] {
            m_wakeUp.release();
            look();
        }));
}

void ReminderNotices::look()
{
    m_wakeUp.release();
    m_wakeUpAt.reset();
    const Instant now = m_state.clock().now();
    std::vector<ReminderNotice> events = eventsUpTo(now);
    m_handledUntil = std::max(m_handledUntil, now);
    // Recorded before anything is shown: a crash in between loses a notice
    // rather than repeating it at every launch. The first run records its
    // start, so what passes before the next launch is told then.
    if (m_state.preferences().noticesHandledUntil != m_handledUntil) {
        const Instant handled = m_handledUntil;
        m_state.updatePreferences([handled](AppPreferences& p) { p.noticesHandledUntil = handled; });
    }
    const AppPreferences& preferences = m_state.preferences();
    std::erase_if(events, [&](const ReminderNotice& event) { return !wanted(preferences, event.kind); });
    if (events.size() > summaryLimit)
        m_sink.showSummary(events);
    else
        for (const ReminderNotice& event : events)
            m_sink.show(event);
    scheduleWakeUp();
}

void ReminderNotices::perform(const Uuid& noteId, NoticeAction action)
{
    const StickyNote* note = m_state.findNote(noteId);
    if (!note)
        return;
    switch (action) {
    case NoticeAction::complete:
        // The panel's completion toggles: a second press must not reopen.
        if (!note->isCompleted && note->source != NoteSource::calendar)
            m_state.toggleExecutionNoteCompletion(noteId);
        return;
    case NoticeAction::later:
        if (!note->isCompleted)
            m_state.deferNote(noteId, NoteDeferPreset::oneHour);
        return;
    case NoticeAction::open: m_state.openNoteDetails(noteId); return;
    }
}

} // namespace brivet
