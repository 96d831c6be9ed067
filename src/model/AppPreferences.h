#pragma once

#include "model/Enums.h"
#include "model/Instant.h"

#include <map>
#include <optional>
#include <set>
#include <string>

namespace brivet {

class UserCalendar;

// The single record of user settings.
struct AppPreferences {
    bool autoSyncEnabled = false;
    bool hasActivatedSync = false;
    bool includeCalendarEvents = true;
    NoteTheme defaultTheme = NoteTheme::work;
    double defaultOpacity = 0.92;
    long long calendarLookaheadDays = 14;
    SyncDateScope syncDateScope = SyncDateScope::next7Days;
    Instant syncStartDate {};
    Instant syncEndDate {};
    std::set<std::string> selectedReminderListIDs;
    std::set<std::string> selectedCalendarIDs;
    bool hasInitializedReminderSelection = false;
    bool hasInitializedCalendarSelection = false;
    bool autoGenerateFocusBoard = true;
    bool autoGenerateUpcomingBoard = false;
    DesktopSurfaceMode desktopSurfaceMode = DesktopSurfaceMode::sceneBoardsOnly;
    bool reminderSyncRequiresDueDate = true;
    bool onlyImportHighPriorityReminders = false;
    long long focusBoardTaskLimit = 6;
    NoteWindowLayerMode noteWindowLayerMode = NoteWindowLayerMode::floating;
    MenuBarTitleMode menuBarTitleMode = MenuBarTitleMode::brand;

    // Desktop notices ("提醒"): all of them, then each kind on its own.
    bool noticesEnabled = true;
    bool noticeWhenDue = true;
    bool noticeWhenDeferralEnds = true;
    bool noticeAtCalendarEventStart = false;
    // Every notice event up to this instant has been dealt with (shown or
    // left out by the settings): a launch notifies only what came after,
    // also what fell due while the app was not running. Absent: none yet.
    std::optional<Instant> noticesHandledUntil;
    // Global shortcuts: the key combination the user chose per action id
    // ("new-note" → "Ctrl+Alt+Meta+N", see KeyChord), "" for none. Actions
    // missing here keep their default; text that does not parse falls back
    // to the default when the keys are taken (the file keeps what it held).
    std::map<std::string, std::string> globalShortcuts;

    static constexpr long long minimumTaskLimit = 3;
    static constexpr long long maximumTaskLimit = 9;
    static long long clampedTaskLimit(long long value);

    // The default record: the custom range is the start of today (in the
    // calendar, at `now`) and seven days later.
    static AppPreferences defaultValue(const UserCalendar& calendar, Instant now);

    friend bool operator==(const AppPreferences&, const AppPreferences&) = default;
};

} // namespace brivet
