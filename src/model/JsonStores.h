#pragma once

#include "model/DataFolder.h"
#include "model/NoteRepository.h"
#include "model/TrashStore.h"

#include <future>
#include <string>
#include <string_view>

namespace brivet {

class AppLogger;
class BackupArchive;
class Clock;
class UserCalendar;

// Notes file in the application folder. A file that exists but cannot be
// read is moved aside as "notes.json.unreadable-<UTC stamp>" before the
// first save replaces it.
class JsonNoteRepository final : public NoteRepository {
public:
    // What reading the notes file found.
    struct LoadResult {
        enum class Outcome { missing, unreadable, decoded } outcome = Outcome::missing;
        std::vector<StickyNote> notes;
        // Why an unreadable file failed: where (the note's position, line
        // and byte offset) and which field.
        std::string problem;
        std::size_t size = 0;
        std::size_t hash = 0;
    };

    JsonNoteRepository(DataFolder folder, const Clock& clock, AppLogger* logger = nullptr);
    // Reads and decodes the file on a thread of its own, so the work overlaps
    // with whatever the caller does next (connecting to the display, say);
    // the next loadNotes() takes the result.
    static std::future<LoadResult> readInBackground(DataFolder folder);
    void usePrefetched(std::future<LoadResult> pending) { m_prefetched = std::move(pending); }

    std::vector<StickyNote> loadNotes() override;
    Status save(const std::vector<StickyNote>& notes) override;
    // Each save first lets the archive keep the day's copy; none: no backups.
    void setBackups(BackupArchive* backups) { m_backups = backups; }

private:
    static LoadResult read(const DataFolder& folder, Instant now);

    DataFolder m_folder;
    const Clock& m_clock;
    AppLogger* m_logger;
    bool m_keepAsideBeforeSave = false;
    std::string m_buffer; // reused between saves
    // Length and hash of the file's bytes as this store last read or wrote
    // them: enough to skip rewriting identical bytes without keeping a
    // second copy of a large file in memory.
    struct Fingerprint {
        std::size_t size = 0;
        std::size_t hash = 0;
        bool valid = false;
        static Fingerprint of(std::string_view bytes);
        bool matches(std::string_view bytes) const;
    };
    Fingerprint m_lastWritten;
    std::future<LoadResult> m_prefetched;
    BackupArchive* m_backups = nullptr;
};

class JsonPreferencesStore final : public PreferencesStore {
public:
    JsonPreferencesStore(DataFolder folder, const Clock& clock, const UserCalendar& calendar, AppLogger* logger = nullptr);
    AppPreferences loadPreferences() override;
    Status save(const AppPreferences& preferences) override;
    void setBackups(BackupArchive* backups) { m_backups = backups; }

private:
    DataFolder m_folder;
    const Clock& m_clock;
    const UserCalendar& m_calendar;
    AppLogger* m_logger;
    bool m_keepAsideBeforeSave = false;
    BackupArchive* m_backups = nullptr;
};

// The trash file in the application folder. A file that exists but cannot
// be read (damaged, hand-edited, not a trash file, too large) is moved aside
// as "trash.json.unreadable-<UTC stamp>" when it is read, and the trash
// starts empty; while it cannot be moved, saves fail rather than replace it.
class JsonTrashStore final : public TrashStore {
public:
    // No trash of at most a thousand notes comes near this; a larger file
    // is not what it claims and is not read into memory.
    static constexpr std::uintmax_t largestReadableFile = std::uintmax_t(256) << 20;

    JsonTrashStore(DataFolder folder, const Clock& clock, AppLogger* logger = nullptr);
    Loaded loadTrash() override;
    Status save(const std::vector<TrashEntry>& entries) override;

private:
    DataFolder m_folder;
    const Clock& m_clock;
    AppLogger* m_logger;
    bool m_keepAsideBeforeSave = false;
};

// Moves an unreadable file aside under "<name>.unreadable-<stamp>"; returns
// the new path's file name, or a failure.
std::variant<std::string, Status> keepUnreadableFileAside(const std::filesystem::path& file, Instant now);

} // namespace brivet
