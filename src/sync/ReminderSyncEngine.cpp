#include "sync/ReminderSyncEngine.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/SyncConflictResolver.h"
#include "sync/SyncRange.h"
#include "sync/SyncSourceOptions.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace brivet {

namespace {

// iCalendar priorities run the other way: 1 is the highest, 9 the lowest.
NotePriority priorityFromStorePriority(int number)
{
    if (number == 1)
        return NotePriority::high;
    if (number == 9)
        return NotePriority::low;
    return NotePriority::normal;
}

int storePriorityFromPriority(NotePriority priority)
{
    switch (priority) {
    case NotePriority::high:
        return 1;
    case NotePriority::low:
        return 9;
    case NotePriority::normal:
        break;
    }
    return 5;
}

std::vector<std::string> identifiers(const std::vector<StoreCalendar>& calendars)
{
    std::vector<std::string> ids;
    ids.reserve(calendars.size());
    for (const StoreCalendar& calendar : calendars)
        ids.push_back(calendar.uid);
    return ids;
}

void removeNotesFrom(std::vector<StickyNote>& notes, NoteSource source)
{
    std::erase_if(notes, [source](const StickyNote& note) { return note.source == source; });
}

std::string description(const StoreError& error)
{
    return error.description.empty() ? std::string("The reminders store reported an unknown error") : error.description;
}

// `what` says in Chinese what could not be done ("无法读取所选列表中的提醒").
SyncFailure failureFrom(const StoreError& error, const std::string& what)
{
    SyncFailure failure { description(error),
        error.unreachable ? SyncFailureKind::storeUnreachable : SyncFailureKind::storeError, {} };
    failure.explanation = what + "：" + storeErrorReason(error);
    return failure;
}

std::string shownTitle(const std::string& title)
{
    return title.empty() ? std::string("无标题") : title;
}

// Why a reminder outside the filters is not imported.
std::string skipReason(const StoreReminder& reminder, const AppPreferences& preferences)
{
    if (preferences.onlyImportHighPriorityReminders && reminder.priority != 1)
        return "只导入高优先级提醒";
    if (!reminder.dueDate)
        return "没有截止日期";
    return "截止日期不在同步范围内";
}

// The selected identifiers the store does not list, in order.
std::vector<std::string> missingFrom(const std::vector<StoreCalendar>& calendars, const std::set<std::string>& selected)
{
    std::unordered_set<std::string> listed;
    for (const StoreCalendar& calendar : calendars)
        listed.insert(calendar.uid);
    std::vector<std::string> missing;
    for (const std::string& id : selected)
        if (!listed.count(id))
            missing.push_back(id);
    return missing;
}

// The UID a note's new reminder is created with. It is chosen before the
// save so that a reminder whose creation went through while its answer was
// lost (the store died meanwhile) is found again by the next sync, instead
// of being created a second time and imported as another note.
// - A note whose linked reminder is gone (deleted on another device) writes
//   it back under the UID it had: every machine that holds a note linked to
//   it derives the same one, so they all write into one reminder instead of
//   each making its own copy.
// - A note whose linked reminder an earlier note of the same list claimed
//   gets a UID of its own, derived from its id and that link (FNV-1a,
//   stable across runs).
std::string reminderUidForNote(const StickyNote& note, bool linkedReminderClaimedByAnother)
{
    std::string uid = "brivet-" + note.id.toString();
    if (!note.externalLink || note.externalLink->source != NoteSource::reminders || note.externalLink->externalID.empty())
        return uid;
    if (!linkedReminderClaimedByAnother)
        return note.externalLink->externalID;
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : note.externalLink->externalID) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    static constexpr char digits[] = "0123456789abcdef";
    uid.push_back('-');
    for (int shift = 60; shift >= 0; shift -= 4)
        uid.push_back(digits[(hash >> shift) & 0xf]);
    return uid;
}

} // namespace

// Newest first; a linked note is unique by its link, any other by its id.
// The order is worked out on small keys, then applied in place, so each note
// moves about once and no second list of notes is allocated.
std::vector<StickyNote> uniqueNotes(std::vector<StickyNote> notes)
{
    const std::size_t count = notes.size();
    std::vector<std::pair<Instant, std::size_t>> order;
    order.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        order.emplace_back(notes[i].updatedAt, i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    std::unordered_set<std::string> linkKeys;
    std::unordered_set<Uuid> ids;
    linkKeys.reserve(count);
    ids.reserve(count);
    // source[t]: the old position of the note that ends up at t; the kept
    // notes first, in their new order, then the dropped ones.
    std::vector<std::size_t> source;
    std::vector<std::size_t> dropped;
    source.reserve(count);
    std::string key;
    for (const auto& entry : order) {
        const StickyNote& note = notes[entry.second];
        bool keep = true;
        if (note.externalLink) {
            key.clear();
            key.append(rawValue(note.externalLink->source)).append(":").append(note.externalLink->externalID);
            keep = linkKeys.insert(key).second;
        } else {
            keep = !ids.count(note.id);
        }
        if (keep) {
            ids.insert(note.id);
            source.push_back(entry.second);
        } else {
            dropped.push_back(entry.second);
        }
    }
    const std::size_t kept = source.size();
    source.insert(source.end(), dropped.begin(), dropped.end());

    // Apply the permutation cycle by cycle.
    std::vector<bool> placed(count, false);
    for (std::size_t start = 0; start < count; ++start) {
        if (placed[start] || source[start] == start) {
            placed[start] = true;
            continue;
        }
        StickyNote carried = std::move(notes[start]);
        std::size_t target = start;
        while (source[target] != start) {
            notes[target] = std::move(notes[source[target]]);
            placed[target] = true;
            target = source[target];
        }
        notes[target] = std::move(carried);
        placed[target] = true;
    }
    notes.resize(kept);
    return notes;
}

// One synchronize call: the notes it works on, the counters and the chain of
// store calls. Store completions may arrive before the call that asked for
// them returns; the save loop handles both without recursing per reminder.
struct ReminderSyncEngine::Run : std::enable_shared_from_this<Run> {
    Run(ReminderSyncEngine& service, std::vector<StickyNote> notes, AppPreferences preferences,
        std::function<void(SyncResult)> completion)
        : lifetime(service.m_lifetime)
        , store(*service.m_store)
        , clock(service.m_clock)
        , calendar(service.m_calendar)
        , notes(std::move(notes))
        , preferences(std::move(preferences))
        , completion(std::move(completion))
        , range(resolvedSyncRange(this->preferences, calendar))
    {
    }

    std::weak_ptr<ReminderSyncEngine*> lifetime;
    EventStore& store;
    const Clock& clock;
    const UserCalendar& calendar;
    std::vector<StickyNote> notes;
    AppPreferences preferences;
    std::function<void(SyncResult)> completion;
    SyncRange range;
    SyncReport report;

    // Reminders pass.
    std::vector<StoreCalendar> reminderLists;
    std::vector<StoreReminder> fetched;
    std::vector<bool> taken;
    std::vector<bool> consumed;
    std::unordered_map<std::string, std::size_t> fetchedById;
    std::size_t walkIndex = 0;
    bool awaitingInline = false;
    bool completedInline = false;
    // Set when the caller gave up on this run: it asks the store nothing
    // more, but saves already sent still report their links.
    bool abandoned = false;
    // What the run did, note by note, for the sync log.
    SyncActions actions;
    // The save on its way: what it will be recorded as, and where it goes.
    SyncAction pendingAction;
    std::string pendingListTitle;

    ReminderSyncEngine* engine() const
    {
        auto service = lifetime.lock();
        return service ? *service : nullptr;
    }
    bool alive() const { return !abandoned && !lifetime.expired(); }

    void start()
    {
        if (preferences.selectedReminderListIDs.empty()) {
            removeNotesFrom(notes, NoteSource::reminders);
            startCalendar();
            return;
        }
        auto self = shared_from_this();
        store.requestAccess(StoreEntityType::reminder, [self](EventStore::AccessResult result) {
            if (!self->alive())
                return;
            if (auto* error = std::get_if<StoreError>(&result))
                return self->fail(*error, "无法访问提醒事项");
            if (!std::get<bool>(result)) {
                removeNotesFrom(self->notes, NoteSource::reminders);
                return self->startCalendar();
            }
            self->startReminders();
        });
    }

    // The selected lists or calendars (never none: `selected` is not
    // empty) as the store has them, into `found`; or why the sync cannot go
    // on. Only an empty selection deselects. A store that cannot list its
    // sources fails the sync, and so does a selected source it does not
    // list: a store on its way down loses its sources one by one before it
    // fails outright, and a list deleted elsewhere may still be wanted, so
    // taking either for a deselection would drop its notes without a word.
    // A deleted list is let go by switching it off in the sync center, which
    // keeps offering a selected source the store lacks (fetchSourceSnapshot).
    std::optional<SyncFailure> selectedCalendars(StoreEntityType type, const std::set<std::string>& selected,
        std::vector<StoreCalendar>& found) const
    {
        EventStore::CalendarsResult listed = store.calendars(type);
        if (auto* error = std::get_if<StoreError>(&listed))
            return failureFrom(*error, type == StoreEntityType::reminder ? "无法列出提醒事项列表" : "无法列出日历");
        auto& calendars = std::get<std::vector<StoreCalendar>>(listed);
        std::vector<std::string> missing = missingFrom(calendars, selected);
        if (!missing.empty()) {
            std::string ids;
            for (const std::string& id : missing)
                ids += (ids.empty() ? "" : ", ") + id;
            return SyncFailure { std::string(type == StoreEntityType::reminder ? "Selected reminder lists" : "Selected calendars")
                                     + " are not in the store: " + ids,
                SyncFailureKind::missingSources, std::move(missing) };
        }
        found.clear();
        for (StoreCalendar& calendar : calendars)
            if (selected.count(calendar.uid))
                found.push_back(std::move(calendar));
        return std::nullopt;
    }

    void startReminders()
    {
        if (auto failure = selectedCalendars(StoreEntityType::reminder, preferences.selectedReminderListIDs, reminderLists))
            return failWith(std::move(*failure));
        auto self = shared_from_this();
        store.refreshLists(StoreEntityType::reminder, identifiers(reminderLists), [self](std::vector<StoreStaleList> stale) {
            if (!self->alive())
                return;
            if (self->tookStaleLists(stale))
                self->fetchReminders();
        });
    }

    // The store's copy of a server's list may be older than the server: a
    // sync working from it would miss edits made elsewhere and compare the
    // notes against old versions. Lists that could not be refreshed are
    // worked from all the same (their writes still refuse to overwrite a
    // newer version), and the log says so; false, with the run failed,
    // when a list cannot even be read until its server answers.
    bool tookStaleLists(const std::vector<StoreStaleList>& stale)
    {
        for (const StoreStaleList& list : stale) {
            if (list.readsBlocked) {
                fail(list.reason, "无法从服务器刷新「" + shownTitle(list.title) + "」");
                return false;
            }
        }
        for (const StoreStaleList& list : stale)
            actions.add(SyncAction { SyncActionKind::skipped, shownTitle(list.title),
                "未能从服务器取得最新内容，按本机缓存同步：" + storeErrorReason(list.reason), {} });
        return true;
    }

    void fetchReminders()
    {
        auto self = shared_from_this();
        store.fetchReminders(identifiers(reminderLists), [self](EventStore::RemindersResult result) {
            if (!self->alive())
                return;
            // Without an answer every linked note would look orphaned and
            // be written again as a new reminder; stop instead.
            if (auto* error = std::get_if<StoreError>(&result))
                return self->fail(*error, "无法读取所选列表中的提醒");
            auto& reminders = std::get<std::vector<StoreReminder>>(result);
            if (auto failure = self->silentListsFailure(reminders))
                return self->failWith(std::move(*failure));
            self->indexReminders(std::move(reminders));
            self->walk();
        });
    }

    // Offline lists that answer with no reminder at all while notes are
    // linked to reminders. Such a list may have lost its cached contents or
    // never loaded them; taking the answer at its word would write every
    // linked note of it back as a new reminder, each a duplicate once the
    // server is reached again. The sync fails instead and changes nothing.
    // An empty answer from a list that is online stands: a reminder deleted
    // in the store is written back from its note, however many there were,
    // as the store is never emptied by a sync.
    std::optional<SyncFailure> silentListsFailure(const std::vector<StoreReminder>& reminders) const
    {
        const auto linked = std::count_if(notes.begin(), notes.end(), [](const StickyNote& note) {
            return note.externalLink && note.externalLink->source == NoteSource::reminders;
        });
        if (linked == 0)
            return std::nullopt;
        std::unordered_set<std::string> answered;
        for (const StoreReminder& reminder : reminders)
            answered.insert(reminder.sourceUid);
        std::vector<std::string> titles;
        for (const StoreCalendar& list : reminderLists)
            if (list.isOffline && !answered.count(list.uid))
                titles.push_back(list.title.empty() ? list.uid : list.title);
        if (titles.empty())
            return std::nullopt;
        return SyncFailure { "Offline reminder lists answered with no reminders while " + std::to_string(linked)
                                 + " notes are linked to reminders",
            SyncFailureKind::emptyAnswer, std::move(titles) };
    }

    bool isTaken(const StoreReminder& reminder) const
    {
        if (preferences.onlyImportHighPriorityReminders && reminder.priority != 1)
            return false;
        if (!reminder.dueDate)
            return !preferences.reminderSyncRequiresDueDate;
        return range.contains(*reminder.dueDate);
    }

    // Every fetched reminder is indexed so that linked notes find theirs even
    // when the filters would not import it; only taken ones become new notes.
    void indexReminders(std::vector<StoreReminder> reminders)
    {
        fetched.reserve(reminders.size());
        fetchedById.reserve(reminders.size());
        for (StoreReminder& reminder : reminders) {
            const bool isTakenNow = isTaken(reminder);
            auto [it, inserted] = fetchedById.try_emplace(reminder.uid, fetched.size());
            if (inserted) {
                fetched.push_back(std::move(reminder));
                taken.push_back(isTakenNow);
            } else {
                // Identifiers are unique in the store; should one repeat,
                // the later copy is the one kept, as a keyed index would.
                fetched[it->second] = std::move(reminder);
                taken[it->second] = isTakenNow;
            }
        }
        consumed.assign(fetched.size(), false);
    }

    // The fetched reminder a note's link points to, if no earlier note has
    // claimed it.
    // Without one (or with its reminder gone), the reminder created for the
    // note by a save whose answer never came.
    std::optional<std::size_t> claim(const StickyNote& note)
    {
        const auto take = [this](const std::string& uid) -> std::optional<std::size_t> {
            auto found = fetchedById.find(uid);
            if (found == fetchedById.end() || consumed[found->second])
                return std::nullopt;
            consumed[found->second] = true;
            return found->second;
        };
        if (note.externalLink) {
            if (auto index = take(note.externalLink->externalID))
                return index;
        }
        if (!note.syncToReminders)
            return std::nullopt;
        return take(reminderUidForNote(note, linkedReminderClaimed(note)));
    }

    // Whether a linked note and its reminder both changed since the last
    // sync, and if so which wins: the note when it is written over the
    // reminder. The reminder counts as changed when its modification time
    // is not the one the last sync saw.
    std::optional<SyncSide> conflictOf(const StickyNote& note, const StoreReminder& reminder) const
    {
        const ExternalLink& link = *note.externalLink;
        if (!link.lastSyncedAt || !reminder.lastModifiedDate)
            return std::nullopt;
        const bool noteChanged = note.storeFieldsUpdatedAt() > *link.lastSyncedAt;
        const bool reminderChanged = link.lastExternalModifiedAt ? *reminder.lastModifiedDate != *link.lastExternalModifiedAt
                                                                 : *reminder.lastModifiedDate > *link.lastSyncedAt;
        if (!noteChanged || !reminderChanged)
            return std::nullopt;
        return SyncConflictResolver::shouldPreferLocal(note.storeFieldsUpdatedAt(), reminder.lastModifiedDate, link.lastSyncedAt)
            ? SyncSide::note
            : SyncSide::reminder;
    }

    // Whether the reminder the note links to was fetched (and so taken by
    // an earlier note, when this one could not claim it).
    bool linkedReminderClaimed(const StickyNote& note) const
    {
        return note.externalLink && fetchedById.count(note.externalLink->externalID) > 0;
    }

    void walk()
    {
        while (walkIndex < notes.size()) {
            StickyNote& note = notes[walkIndex];
            if (!note.syncToReminders && note.source != NoteSource::reminders) {
                ++walkIndex;
                continue;
            }
            StoreReminder target;
            if (auto index = claim(note)) {
                const StoreReminder& reminder = fetched[*index];
                // A reminder found by the note's own UID holds the note's
                // lost write; the note is what counts.
                const bool isLinked = note.externalLink && note.externalLink->externalID == reminder.uid;
                const std::optional<SyncSide> conflict = isLinked ? conflictOf(note, reminder) : std::nullopt;
                if (isLinked && !SyncConflictResolver::shouldPreferLocal(note.storeFieldsUpdatedAt(), reminder.lastModifiedDate,
                        note.externalLink->lastSyncedAt)) {
                    const StickyNote before = note;
                    applyReminder(note, reminder, &note);
                    if (StickyNote::storeFieldsDiffer(before, note))
                        actions.add(SyncAction { SyncActionKind::updatedFromStore, shownTitle(note.title), {},
                            conflict ? std::optional<SyncSide>(SyncSide::reminder) : std::nullopt });
                    ++walkIndex;
                    continue;
                }
                pendingAction = SyncAction { SyncActionKind::writtenToStore, shownTitle(note.title), {},
                    conflict ? std::optional<SyncSide>(SyncSide::note) : std::nullopt };
                target = reminder;
            } else {
                const bool wasGone = note.externalLink && note.externalLink->source == NoteSource::reminders;
                pendingAction = SyncAction { wasGone ? SyncActionKind::recreated : SyncActionKind::writtenToStore,
                    shownTitle(note.title), {}, {} };
            }
            if (!save(note, std::move(target)))
                return; // the completion goes on with the walk
        }
        finishReminders();
    }

    // Writes the note into the reminder (a new one when it has no
    // identifier). True when the save already completed and the walk can go
    // on in place; false when the completion will resume it.
    bool save(const StickyNote& note, StoreReminder reminder)
    {
        reminder.title = note.title;
        reminder.notes = note.details;
        reminder.priority = storePriorityFromPriority(note.priority);
        reminder.isCompleted = note.isCompleted;
        reminder.completionDate = note.isCompleted ? std::optional<Instant>(clock.now()) : std::nullopt;
        reminder.dueDate = std::nullopt;
        if (note.dueDate) {
            UserCalendar::Components parts = calendar.components(*note.dueDate);
            parts.second = 0;
            reminder.dueDate = calendar.instant(parts).value_or(*note.dueDate);
        }
        if (reminder.uid.empty())
            reminder.uidForNew = reminderUidForNote(note, linkedReminderClaimed(note));
        if (reminder.sourceUid.empty()) {
            std::optional<StoreCalendar> list = reminderLists.empty()
                ? store.defaultCalendarForNewReminders()
                : std::optional<StoreCalendar>(reminderLists.front());
            if (!list) {
                SyncFailure failure { "No reminder list is available for new reminders" };
                failure.explanation = "没有可写入新提醒的提醒事项列表";
                failWith(std::move(failure));
                return false;
            }
            reminder.sourceUid = list->uid;
            reminder.calendarTitle = list->title;
        }
        pendingListTitle = reminder.calendarTitle;
        if (pendingListTitle.empty())
            for (const StoreCalendar& list : reminderLists)
                if (list.uid == reminder.sourceUid)
                    pendingListTitle = list.title;

        auto self = shared_from_this();
        awaitingInline = true;
        completedInline = false;
        ++engine()->m_writesInFlight;
        store.saveReminder(std::move(reminder), [self](EventStore::SaveResult result) {
            ReminderSyncEngine* engine = self->engine();
            if (!engine)
                return;
            --engine->m_writesInFlight;
            if (!self->saved(std::move(result)))
                return;
            if (self->awaitingInline)
                self->completedInline = true;
            else
                self->walk();
        });
        awaitingInline = false;
        return completedInline;
    }

    // Records a finished save on the note being walked and reports its
    // link; false when the walk must not go on (a failure, or the run was
    // abandoned meanwhile).
    bool saved(EventStore::SaveResult result)
    {
        if (auto* error = std::get_if<StoreError>(&result)) {
            if (!abandoned) {
                const std::string what = "无法保存「" + pendingAction.title + "」到「" + pendingListTitle + "」";
                actions.add(SyncAction { SyncActionKind::failed, pendingAction.title, storeErrorReason(*error), {} });
                fail(*error, what);
            }
            return false;
        }
        actions.add(pendingAction);
        const StoreReminder& stored = std::get<StoreReminder>(result);
        StickyNote& note = notes[walkIndex];
        const Instant now = clock.now();
        if (note.externalLink && note.externalLink->externalID == stored.uid
            && note.externalLink->source == NoteSource::reminders) {
            note.externalLink->lastSyncedAt = now;
            note.externalLink->lastExternalModifiedAt = stored.lastModifiedDate;
        } else {
            note.externalLink = ExternalLink { NoteSource::reminders, stored.uid, now, stored.lastModifiedDate };
        }
        note.clampDatesToStorable();
        // The reminder exists in the store from now on, whatever happens to
        // this run: its link must reach the note even if the rest fails.
        if (ReminderSyncEngine* service = engine(); service && service->m_linkHandler)
            service->m_linkHandler(note.id, *note.externalLink);
        ++report.remindersWritten;
        ++walkIndex;
        return !abandoned;
    }

    void finishReminders()
    {
        notes.reserve(notes.size() + static_cast<std::size_t>(std::count(taken.begin(), taken.end(), true)));
        for (std::size_t index = 0; index < fetched.size(); ++index) {
            if (consumed[index])
                continue;
            if (!taken[index]) {
                actions.add(SyncAction { SyncActionKind::skipped, shownTitle(fetched[index].title),
                    skipReason(fetched[index], preferences), {} });
                continue;
            }
            notes.push_back(noteFromReminder(fetched[index], nullptr));
            actions.add(SyncAction { SyncActionKind::imported, shownTitle(fetched[index].title), {}, {} });
            ++report.remindersImported;
        }
        notes = uniqueNotes(std::move(notes));
        startCalendar();
    }

    StickyNote noteFromReminder(const StoreReminder& reminder, const StickyNote* existing) const
    {
        StickyNote note = existing ? *existing : StickyNote::placeholder(Uuid::random(), clock.now());
        applyReminder(note, reminder, existing);
        return note;
    }

    // Rebuilds the note from the reminder in place; `existing` (which may be
    // the note itself) decides whether an imported note starts hidden.
    void applyReminder(StickyNote& note, const StoreReminder& reminder, const StickyNote* existing) const
    {
        const Instant now = clock.now();
        note.title = reminder.title;
        note.details = reminder.notes.value_or(std::string());
        note.isCompleted = reminder.isCompleted;
        note.priority = priorityFromStorePriority(reminder.priority);
        note.dueDate = reminder.dueDate;
        note.category = reminder.calendarTitle;
        note.group = "提醒事项";
        note.source = NoteSource::reminders;
        note.syncToReminders = true;
        note.isHidden = isHiddenForImport(existing);
        note.surfaceRole = NoteSurfaceRole::regular;
        note.externalLink = ExternalLink { NoteSource::reminders, reminder.uid, now, reminder.lastModifiedDate };
        note.touch(reminder.lastModifiedDate.value_or(now));
        note.clampDatesToStorable();
    }

    StickyNote noteFromEvent(const StoreEvent& event, const StickyNote* existing) const
    {
        const Instant now = clock.now();
        StickyNote note = existing ? *existing : StickyNote::placeholder(Uuid::random(), now);
        note.title = event.title;
        if (event.notes && !event.notes->empty())
            note.details = *event.notes;
        else if (event.location && !event.location->empty())
            note.details = *event.location;
        else
            note.details = "来自系统日历";
        note.isCompleted = false;
        note.priority = NotePriority::normal;
        note.dueDate = event.startDate;
        note.category = event.calendarTitle;
        note.group = "日历";
        note.source = NoteSource::calendar;
        note.syncToReminders = false;
        note.isHidden = isHiddenForImport(existing);
        note.surfaceRole = NoteSurfaceRole::regular;
        note.externalLink = ExternalLink { NoteSource::calendar, event.uid, now, event.lastModifiedDate };
        note.style.theme = NoteTheme::life;
        note.frame.width = 344;
        note.frame.height = 248;
        note.frame.sizePreset = NoteSizePreset::small;
        note.touch(event.lastModifiedDate.value_or(now));
        note.clampDatesToStorable();
        return note;
    }

    bool isHiddenForImport(const StickyNote* existing) const
    {
        if (preferences.desktopSurfaceMode == DesktopSurfaceMode::allImportedNotes)
            return false;
        return existing ? existing->isHidden : true;
    }

    void startCalendar()
    {
        if (!preferences.includeCalendarEvents || preferences.selectedCalendarIDs.empty()) {
            removeNotesFrom(notes, NoteSource::calendar);
            return finish();
        }
        auto self = shared_from_this();
        store.requestAccess(StoreEntityType::event, [self](EventStore::AccessResult result) {
            if (!self->alive())
                return;
            if (auto* error = std::get_if<StoreError>(&result))
                return self->fail(*error, "无法访问日历");
            if (!std::get<bool>(result))
                return self->finish(); // earlier calendar notes stay as they are
            self->importCalendarEvents();
        });
    }

    void importCalendarEvents()
    {
        std::vector<StoreCalendar> calendars;
        if (auto failure = selectedCalendars(StoreEntityType::event, preferences.selectedCalendarIDs, calendars))
            return failWith(std::move(*failure));
        std::unordered_map<std::string, StickyNote> previous;
        std::vector<StickyNote> kept;
        kept.reserve(notes.size());
        for (StickyNote& note : notes) {
            if (note.source != NoteSource::calendar) {
                kept.push_back(std::move(note));
                continue;
            }
            if (note.externalLink)
                previous.try_emplace(note.externalLink->externalID, std::move(note));
        }
        notes = std::move(kept);

        auto self = shared_from_this();
        auto previousNotes = std::make_shared<std::unordered_map<std::string, StickyNote>>(std::move(previous));
        const std::vector<std::string> ids = identifiers(calendars);
        store.refreshLists(StoreEntityType::event, ids, [self, previousNotes, ids](std::vector<StoreStaleList> stale) {
            if (!self->alive() || !self->tookStaleLists(stale))
                return;
            self->fetchEvents(ids, previousNotes);
        });
    }

    void fetchEvents(const std::vector<std::string>& ids,
        std::shared_ptr<std::unordered_map<std::string, StickyNote>> previousNotes)
    {
        auto self = shared_from_this();
        store.fetchEvents(range.lower, range.upper, ids, [self, previousNotes](EventStore::EventsResult result) {
            if (!self->alive())
                return;
            // The calendar notes were taken out above; without an answer
            // they would be gone.
            if (auto* error = std::get_if<StoreError>(&result))
                return self->fail(*error, "无法读取所选日历中的日程");
            const auto& events = std::get<std::vector<StoreEvent>>(result);
            for (const StoreEvent& event : events) {
                if (!self->range.contains(event.startDate))
                    continue;
                auto found = previousNotes->find(event.uid);
                const bool isNew = found == previousNotes->end();
                self->notes.push_back(self->noteFromEvent(event, isNew ? nullptr : &found->second));
                if (isNew)
                    self->actions.add(SyncAction { SyncActionKind::imported, shownTitle(event.title), {}, {} });
                ++self->report.calendarImported;
            }
            self->notes = uniqueNotes(std::move(self->notes));
            self->finish();
        });
    }

    void finish()
    {
        report.boardsRefreshed = 0;
        report.totalNotes = static_cast<int>(notes.size());
        auto done = std::move(completion);
        if (done)
            done(SyncExecution { std::move(notes), report, std::move(actions) });
    }

    void fail(const StoreError& error, const std::string& what) { failWith(failureFrom(error, what)); }

    void failWith(SyncFailure failure)
    {
        failure.actions = std::move(actions);
        auto done = std::move(completion);
        if (done)
            done(std::move(failure));
    }
};

ReminderSyncEngine::ReminderSyncEngine(std::unique_ptr<EventStore> store, const Clock& clock, const UserCalendar& calendar)
    : m_store(std::move(store))
    , m_clock(clock)
    , m_calendar(calendar)
    , m_lifetime(std::make_shared<ReminderSyncEngine*>(this))
{
}

ReminderSyncEngine::~ReminderSyncEngine() = default;

void ReminderSyncEngine::synchronize(std::vector<StickyNote> notes, AppPreferences preferences,
    std::function<void(SyncResult)> completion)
{
    auto run = std::make_shared<Run>(*this, std::move(notes), std::move(preferences), std::move(completion));
    m_current = run;
    run->start();
}

void ReminderSyncEngine::abandonSync()
{
    if (auto run = m_current.lock()) {
        run->abandoned = true;
        run->completion = nullptr;
    }
    m_current.reset();
}

namespace {

// Stands for a selected list or calendar the store does not have, so that
// the user can switch it off: syncs fail while it stays selected.
SyncSourceOption missingOption(const std::string& id, SyncSourceKind kind)
{
    const bool list = kind == SyncSourceKind::reminderList;
    return SyncSourceOption { id, list ? "已不存在的提醒事项列表" : "已不存在的日历",
        "Evolution Data Server 中已没有它（" + id + "），关闭后同步才能继续", kind, std::nullopt };
}

// The offered sources of one kind, followed by the selected ones the store
// lacks; false (with `unreachable` set) when the store cannot list them.
bool addOptions(EventStore& store, StoreEntityType type, const std::set<std::string>& selected, std::string_view localeId,
    std::vector<SyncSourceOption>& options, std::optional<std::string>& unreachable)
{
    const SyncSourceKind kind = type == StoreEntityType::reminder ? SyncSourceKind::reminderList : SyncSourceKind::calendar;
    EventStore::CalendarsResult listed = store.calendars(type);
    if (auto* error = std::get_if<StoreError>(&listed)) {
        if (!unreachable)
            unreachable = description(*error);
        return false;
    }
    const auto& calendars = std::get<std::vector<StoreCalendar>>(listed);
    options = SyncSourceOptions::options(calendars, kind, localeId);
    for (const std::string& id : missingFrom(calendars, selected))
        options.push_back(missingOption(id, kind));
    return true;
}

} // namespace

void ReminderSyncEngine::fetchSourceSnapshot(const AppPreferences& preferences, std::function<void(SyncSourceSnapshot)> completion)
{
    struct Discovery {
        SyncSourceSnapshot snapshot;
        std::function<void(SyncSourceSnapshot)> completion;
        std::set<std::string> selectedLists;
        std::set<std::string> selectedCalendars;
    };
    auto discovery = std::make_shared<Discovery>(Discovery { SyncSourceSnapshot::empty(), std::move(completion),
        preferences.selectedReminderListIDs, preferences.selectedCalendarIDs });
    std::weak_ptr<ReminderSyncEngine*> alive = m_lifetime;
    EventStore& store = *m_store;
    const std::string localeId = m_calendar.localeId();
    // A refusal shows the source as not authorised; an access error, or a
    // store that cannot list its sources, as not reachable, with the reason.
    const auto take = [&store, localeId, discovery](StoreEntityType type, const EventStore::AccessResult& result) {
        SyncSourceSnapshot& snapshot = discovery->snapshot;
        if (auto* error = std::get_if<StoreError>(&result)) {
            if (!snapshot.unreachable)
                snapshot.unreachable = description(*error);
            return;
        }
        if (!std::get<bool>(result))
            return;
        if (type == StoreEntityType::reminder)
            snapshot.remindersAuthorized = addOptions(store, type, discovery->selectedLists, localeId,
                snapshot.reminderLists, snapshot.unreachable);
        else
            snapshot.calendarsAuthorized = addOptions(store, type, discovery->selectedCalendars, localeId,
                snapshot.calendars, snapshot.unreachable);
    };
    store.requestAccess(StoreEntityType::reminder, [alive, discovery, &store, take](EventStore::AccessResult result) {
        if (alive.expired())
            return;
        take(StoreEntityType::reminder, result);
        store.requestAccess(StoreEntityType::event, [alive, discovery, take](EventStore::AccessResult result) {
            if (alive.expired())
                return;
            take(StoreEntityType::event, result);
            auto done = std::move(discovery->completion);
            if (done)
                done(std::move(discovery->snapshot));
        });
    });
}

void ReminderSyncEngine::setChangeHandler(std::function<void()> handler)
{
    m_store->setChangeHandler(std::move(handler));
}

} // namespace brivet
