#pragma once

#include "model/Enums.h"
#include "model/StickyNote.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivet {

// Counters of one sync.
struct SyncReport {
    int remindersImported = 0;
    int remindersWritten = 0;
    int calendarImported = 0;
    int boardsRefreshed = 0;
    int totalNotes = 0;

    // "同步完成：新增提醒 2 条，回写提醒 1 条，导入日历 5 条，刷新场景板 1 张"
    std::string statusText() const;
    friend bool operator==(const SyncReport&, const SyncReport&) = default;
};

// One thing a sync did to one note, for the sync log.
enum class SyncActionKind {
    imported,         // a new note from a reminder or an event
    updatedFromStore, // the note took what its reminder says
    writtenToStore,   // the note was written into its reminder, or made one
    recreated,        // its reminder was gone and was written back
    skipped,          // a reminder left out, and why
    failed,           // what stopped the sync, and why
};

// Which side won when a note and its reminder both changed since the last
// sync.
enum class SyncSide { note, reminder };

struct SyncAction {
    SyncActionKind kind = SyncActionKind::imported;
    std::string title;  // the note's (or reminder's) title
    std::string reason; // for skipped and failed, in Chinese
    std::optional<SyncSide> conflictWinner;
    friend bool operator==(const SyncAction&, const SyncAction&) = default;
};

// A sync records at most this many actions; the rest are only counted.
inline constexpr std::size_t syncActionLimit = 200;

struct SyncActions {
    std::vector<SyncAction> list;
    std::size_t omitted = 0;

    void add(SyncAction action)
    {
        if (list.size() < syncActionLimit)
            list.push_back(std::move(action));
        else
            ++omitted;
    }
    // Whether the sync changed anything on either side.
    bool changedAnything() const;
    friend bool operator==(const SyncActions&, const SyncActions&) = default;
};

struct SyncExecution {
    std::vector<StickyNote> notes;
    SyncReport report;
    SyncActions actions;
};

// What made a sync fail, as far as the words shown for it differ.
enum class SyncFailureKind {
    storeError,       // the store failed or refused a call
    storeUnreachable, // the store could not be asked at all
    missingSources,   // selected lists or calendars the store does not have
    emptyAnswer,      // offline lists answered with nothing while notes are linked to reminders
};

// A sync that ended with an error. Reminders created or written before the
// error stay in the store; their links have been reported as each save
// returned (SyncService::setLinkHandler), so the next sync matches them
// instead of creating them again.
struct SyncFailure {
    std::string description; // English, for the log
    SyncFailureKind kind = SyncFailureKind::storeError;
    // The lists or calendars concerned: the missing ones' identifiers, the
    // silent ones' titles.
    std::vector<std::string> sources;
    // The app's own words for a store error, in Chinese ("无法保存「买牛奶」
    // 到「共享提醒」：无法连接服务器（Connection refused）"); empty: the
    // description stands.
    std::string explanation;
    // What the sync did before it failed.
    SyncActions actions;

    // "同步失败：…", with the description in brackets where the kind has
    // words of its own.
    std::string statusText() const;
};

struct StoreError;
// The app's words for why a store call failed, with the store's own in
// brackets: "无法连接服务器（Connection refused）".
std::string storeErrorReason(const StoreError& error);

// One reminder list or calendar that the user can select.
struct SyncSourceOption {
    std::string id;
    std::string title;
    std::string subtitle;
    SyncSourceKind kind = SyncSourceKind::reminderList;
    std::optional<std::string> colorHex;

    friend bool operator==(const SyncSourceOption&, const SyncSourceOption&) = default;
};

struct SyncSourceSnapshot {
    std::vector<SyncSourceOption> reminderLists;
    std::vector<SyncSourceOption> calendars;
    bool remindersAuthorized = false;
    bool calendarsAuthorized = false;
    // Set when the store could not be asked which lists and calendars there
    // are (English, the store's own words): the empty lists above then mean
    // nothing, not that there are none.
    std::optional<std::string> unreachable;

    static SyncSourceSnapshot empty() { return {}; }
    friend bool operator==(const SyncSourceSnapshot&, const SyncSourceSnapshot&) = default;
};

} // namespace brivet
