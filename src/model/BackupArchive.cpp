#include "model/BackupArchive.h"

#include "model/NoteCoding.h"
#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/Clock.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include <stdlib.h>
#include <sys/stat.h>

namespace brivet {

namespace {

// Backups are read whole to be decoded; a notes file this large is not ours.
constexpr std::uintmax_t largestBackupFile = std::uintmax_t(1) << 30;

std::string dayName(const UserCalendar::Components& c)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
    return text;
}

std::string momentName(const UserCalendar::Components& c)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s_%02d-%02d-%02d", dayName(c).c_str(), c.hour, c.minute, c.second);
    return text;
}

// "2026-12-08" or "2026-12-08_15-30-12", the latter with an optional "-2"
// and so on when two were taken within a second.
std::optional<BackupEntry> parseName(const std::string& name)
{
    if (name.size() < 10 || name[4] != '-' || name[7] != '-')
        return std::nullopt;
    BackupEntry entry;
    entry.name = name;
    auto year = parseDecimal(std::string_view(name).substr(0, 4));
    auto month = parseDecimal(std::string_view(name).substr(5, 2));
    auto day = parseDecimal(std::string_view(name).substr(8, 2));
    if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 || *day > 31)
        return std::nullopt;
    entry.takenAt = { *year, *month, *day, 0, 0, 0 };
    if (name.size() == 10)
        return entry;
    if (name.size() < 19 || name[10] != '_' || name[13] != '-' || name[16] != '-')
        return std::nullopt;
    auto hour = parseDecimal(std::string_view(name).substr(11, 2));
    auto minute = parseDecimal(std::string_view(name).substr(14, 2));
    auto second = parseDecimal(std::string_view(name).substr(17, 2));
    if (!hour || !minute || !second)
        return std::nullopt;
    if (name.size() > 19 && (name[19] != '-' || !parseDecimal(std::string_view(name).substr(20))))
        return std::nullopt;
    entry.kind = BackupEntry::Kind::beforeRestore;
    entry.takenAt.hour = *hour;
    entry.takenAt.minute = *minute;
    entry.takenAt.second = *second;
    return entry;
}

std::uintmax_t folderBytes(const std::filesystem::path& folder)
{
    std::uintmax_t total = 0;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        std::error_code sizeError;
        if (item.is_regular_file(sizeError)) {
            auto size = item.file_size(sizeError);
            if (!sizeError)
                total += size;
        }
    }
    return total;
}

Status makePrivateFolder(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return Status::failure("Cannot create " + folder.string() + ": " + std::strerror(errno));
    return Status::success();
}

} // namespace

BackupArchive::BackupArchive(DataFolder folder, const Clock& clock, const UserCalendar& calendar, AppLogger* logger)
    : m_folder(std::move(folder))
    , m_clock(clock)
    , m_calendar(calendar)
    , m_logger(logger)
{
}

void BackupArchive::beforeSave()
{
    std::lock_guard lock(m_mutex);
    const UserCalendar::Components today = m_calendar.components(m_clock.now());
    const std::string name = dayName(today);
    if (m_doneForDay == name)
        return;
    std::error_code error;
    const std::filesystem::path notes = m_folder.notesFile();
    const std::filesystem::path preferences = m_folder.preferencesFile();
    const bool hasNotes = std::filesystem::exists(notes, error);
    const bool hasPreferences = std::filesystem::exists(preferences, error);
    if (std::filesystem::exists(path() / name, error) || (!hasNotes && !hasPreferences)) {
        m_doneForDay = name;
        return;
    }
    Status status = publish(name, [&](const std::filesystem::path& into) {
        if (hasNotes)
            if (Status copied = copyFileDurably(notes, into / notes.filename()); !copied.ok())
                return copied;
        if (hasPreferences)
            if (Status copied = copyFileDurably(preferences, into / preferences.filename()); !copied.ok())
                return copied;
        return Status::success();
    });
    if (!status.ok()) {
        // Tried again at the next save; logged once while it keeps failing.
        if (m_logger && m_lastFailure != status.message())
            m_logger->log("Backup failed: " + status.message());
        m_lastFailure = status.message();
        return;
    }
    m_lastFailure.reset();
    m_doneForDay = name;
    if (m_logger)
        m_logger->log("Backed up the data files as backups/" + name);
    pruneLocked(today);
}

std::variant<BackupEntry, Status> BackupArchive::keep(const std::vector<StickyNote>& notes, const AppPreferences& preferences)
{
    const std::string notesBytes = encodeNotesFile(notes);
    const std::string preferencesBytes = encodePreferencesFile(preferences);
    std::lock_guard lock(m_mutex);
    const UserCalendar::Components now = m_calendar.components(m_clock.now());
    std::string name = momentName(now);
    std::error_code error;
    for (int n = 2; std::filesystem::exists(path() / name, error); ++n)
        name = momentName(now) + "-" + std::to_string(n);
    Status status = publish(name, [&](const std::filesystem::path& into) {
        if (Status written = writeFileAtomically(into / "notes.json", notesBytes); !written.ok())
            return written;
        return writeFileAtomically(into / "preferences.json", preferencesBytes);
    });
    if (!status.ok()) {
        if (m_logger)
            m_logger->log("Backup failed: " + status.message());
        return status;
    }
    if (m_logger)
        m_logger->log("Kept the current notes as backups/" + name);
    pruneLocked(now);
    for (BackupEntry& entry : listLocked())
        if (entry.name == name)
            return entry;
    return Status::failure("The backup " + name + " vanished after it was written");
}

std::vector<BackupEntry> BackupArchive::list() const
{
    std::lock_guard lock(m_mutex);
    return listLocked();
}

std::optional<std::string> BackupArchive::lastFailure() const
{
    std::lock_guard lock(m_mutex);
    return m_lastFailure;
}

std::vector<BackupEntry> BackupArchive::listLocked() const
{
    std::vector<BackupEntry> entries;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(path(), error)) {
        std::error_code typeError;
        if (!item.is_directory(typeError))
            continue;
        std::optional<BackupEntry> entry = parseName(item.path().filename().string());
        if (!entry)
            continue;
        entry->folder = item.path();
        entry->bytes = folderBytes(item.path());
        entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) { return a.name > b.name; });
    return entries;
}

Status BackupArchive::publish(const std::string& name, const std::function<Status(const std::filesystem::path&)>& write)
{
    if (Status status = m_folder.ensureExists(); !status.ok())
        return status;
    if (Status status = makePrivateFolder(path()); !status.ok())
        return status;
    std::string pattern = (path() / ("." + name + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return Status::failure("Cannot create a folder in " + path().string() + ": " + std::strerror(errno));
    const std::filesystem::path partial = pattern;
    Status status = write(partial);
    if (status.ok()) {
        syncFolder(partial);
        std::error_code error;
        std::filesystem::rename(partial, path() / name, error);
        if (error)
            status = Status::failure("Cannot name the backup " + name + ": " + error.message());
    }
    std::error_code ignored;
    if (!status.ok())
        std::filesystem::remove_all(partial, ignored);
    syncFolder(path());
    return status;
}

void BackupArchive::pruneLocked(const UserCalendar::Components& today)
{
    std::error_code error;
    // Folders a crash left half written.
    for (const auto& item : std::filesystem::directory_iterator(path(), error)) {
        if (item.path().filename().string().starts_with(".")) {
            std::error_code ignored;
            std::filesystem::remove_all(item.path(), ignored);
        }
    }
    for (const std::string& name : expired(listLocked(), today)) {
        std::error_code removeError;
        std::filesystem::remove_all(path() / name, removeError);
        if (m_logger)
            m_logger->log(removeError ? "Cannot remove the old backup " + name + ": " + removeError.message()
                                      : "Removed the old backup " + name);
    }
}

std::vector<std::string> BackupArchive::expired(
    std::vector<BackupEntry> entries, const UserCalendar::Components& today, std::uintmax_t limit)
{
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) { return a.name > b.name; });
    std::vector<bool> kept(entries.size(), false);
    std::set<std::string> days;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string day = entries[i].name.substr(0, 10);
        if (days.size() < dailyCopies || days.count(day)) {
            days.insert(day);
            kept[i] = true;
        }
    }
    const int thisMonth = today.year * 12 + today.month - 1;
    std::set<int> months;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int month = entries[i].takenAt.year * 12 + entries[i].takenAt.month - 1;
        if (thisMonth - month < monthlyCopies && months.insert(month).second)
            kept[i] = true;
    }
    std::uintmax_t total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (kept[i])
            total += entries[i].bytes;
    for (std::size_t i = entries.size(); i-- > 1 && total > limit;) {
        if (kept[i]) {
            kept[i] = false;
            total -= entries[i].bytes;
        }
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!kept[i])
            names.push_back(entries[i].name);
    return names;
}

Decoded<BackupContents> BackupArchive::read(const BackupEntry& entry, const UserCalendar& calendar, Instant now)
{
    BackupContents contents;
    auto notes = readFileUpTo(entry.folder / "notes.json", largestBackupFile);
    if (auto* failure = std::get_if<ReadFailure>(&notes)) {
        switch (*failure) {
        case ReadFailure::missing: return DecodeError { "备份里没有便签文件" };
        case ReadFailure::tooLarge: return DecodeError { "备份的便签文件过大" };
        case ReadFailure::unreadable: return DecodeError { "备份的便签文件无法读取" };
        }
    }
    auto decodedNotes = decodeNotesFile(std::get<std::string>(notes), now);
    if (auto* error = std::get_if<DecodeError>(&decodedNotes))
        return DecodeError { "备份的便签文件已损坏（" + error->message + "）" };
    contents.notes = std::move(std::get<std::vector<StickyNote>>(decodedNotes));
    auto preferences = readFileUpTo(entry.folder / "preferences.json", largestBackupFile);
    if (auto* failure = std::get_if<ReadFailure>(&preferences)) {
        if (*failure != ReadFailure::missing)
            return DecodeError { "备份的偏好设置文件无法读取" };
        return contents;
    }
    auto decodedPreferences = decodePreferencesFile(std::get<std::string>(preferences), calendar, now);
    if (auto* error = std::get_if<DecodeError>(&decodedPreferences))
        return DecodeError { "备份的偏好设置文件已损坏（" + error->message + "）" };
    contents.preferences = std::move(std::get<AppPreferences>(decodedPreferences));
    return contents;
}

} // namespace brivet
