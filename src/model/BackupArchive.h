#pragma once

#include "model/AppPreferences.h"
#include "model/DataFolder.h"
#include "model/NoteCoding.h"
#include "model/Status.h"
#include "model/StickyNote.h"
#include "model/UserCalendar.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brivet {

class AppLogger;
class Clock;

// One kept copy of the two files, a folder of its own under backups/.
struct BackupEntry {
    enum class Kind {
        // "2026-12-08": the files as they stood before the first save of
        // that local day.
        daily,
        // "2026-12-08_15-30-12": the notes as they stood before a restore
        // replaced them, so that the restore can itself be undone.
        beforeRestore,
    };
    std::string name;
    std::filesystem::path folder;
    Kind kind = Kind::daily;
    // The local date (and, for a copy before a restore, time) it was taken.
    UserCalendar::Components takenAt;
    std::uintmax_t bytes = 0;

    friend bool operator==(const BackupEntry&, const BackupEntry&) = default;
};

// What a backup holds, decoded.
struct BackupContents {
    std::vector<StickyNote> notes;
    // None when the backup was taken before any preferences file existed.
    std::optional<AppPreferences> preferences;
};

// The backups/ folder of the data folder. Its methods may be called from
// the save writer and the main thread at once: one lock orders them.
class BackupArchive {
public:
    static constexpr std::size_t dailyCopies = 14;
    static constexpr int monthlyCopies = 6;
    static constexpr std::uintmax_t maximumBytes = std::uintmax_t(100) << 20;

    // `calendar` is copied: the writer thread gets a calendar of its own.
    BackupArchive(DataFolder folder, const Clock& clock, const UserCalendar& calendar, AppLogger* logger = nullptr);

    std::filesystem::path path() const { return m_folder.path() / "backups"; }

    // Called before each save of either file. The first call of each local
    // day copies notes.json and preferences.json as they stand (durably, mode
    // 0600) into the day's folder, then applies the retention rules. A
    // failure leaves the data files and the older backups as they were, is
    // logged, and is kept for lastFailure(); the save goes on regardless.
    void beforeSave();
    // Keeps `notes` and `preferences` as a backup of their own, taken now.
    // Returns it, or why it could not be written (nothing is left half).
    std::variant<BackupEntry, Status> keep(const std::vector<StickyNote>& notes, const AppPreferences& preferences);
    // Every complete backup, newest first.
    std::vector<BackupEntry> list() const;
    // The message of the last automatic backup that failed, while no later
    // one worked.
    std::optional<std::string> lastFailure() const;

    // Decodes a backup; a damaged or missing notes file or a damaged
    // preferences file fails as a whole with a readable message.
    static Decoded<BackupContents> read(const BackupEntry& entry, const UserCalendar& calendar, Instant now);

    // The names of `entries` (any order) that the retention rules drop when
    // `today` is the current local date: all but the 14 most recent days
    // with a backup and the newest backup of each of the last 6 calendar
    // months; then the oldest until the rest fit in `maximumBytes` (the
    // newest is always kept).
    static std::vector<std::string> expired(std::vector<BackupEntry> entries, const UserCalendar::Components& today,
        std::uintmax_t limit = maximumBytes);

private:
    std::vector<BackupEntry> listLocked() const;
    // Writes the files that `write` produces into a hidden folder, then
    // renames it to `name`: a backup exists whole or not at all.
    Status publish(const std::string& name, const std::function<Status(const std::filesystem::path&)>& write);
    void pruneLocked(const UserCalendar::Components& today);

    DataFolder m_folder;
    const Clock& m_clock;
    UserCalendar m_calendar;
    AppLogger* m_logger;
    mutable std::mutex m_mutex;
    // The local day whose backup is known to exist.
    std::string m_doneForDay;
    std::optional<std::string> m_lastFailure;
};

} // namespace brivet
