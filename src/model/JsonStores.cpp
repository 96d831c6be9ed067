#include "model/JsonStores.h"

#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/Clock.h"
#include "model/JsonWriter.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <fstream>
#include <sstream>

namespace brivet {

namespace {

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(bytes.data(), size);
    if (!in)
        return std::nullopt;
    return bytes;
}

std::string stamp(Instant now)
{
    // 2026-12-06T14:25:01Z becomes 20261206T142501Z.
    std::string iso = formatIsoDate(now);
    std::string out;
    for (char c : iso)
        if (c != '-' && c != ':')
            out.push_back(c);
    return out;
}

// Moves a file that could not be read out of the way of the next save.
void keepAside(const std::filesystem::path& file, Instant now, AppLogger* logger)
{
    auto result = keepUnreadableFileAside(file, now);
    if (!logger)
        return;
    if (auto* name = std::get_if<std::string>(&result))
        logger->log("Kept unreadable " + file.filename().string() + " as " + *name);
    else
        logger->log("Could not keep unreadable " + file.filename().string() + " aside: " + std::get<Status>(result).message());
}

} // namespace

std::variant<std::string, Status> keepUnreadableFileAside(const std::filesystem::path& file, Instant now)
{
    std::string base = file.filename().string() + ".unreadable-" + stamp(now);
    std::filesystem::path target = file.parent_path() / base;
    for (int n = 2; std::filesystem::exists(target); ++n)
        target = file.parent_path() / (base + "-" + std::to_string(n));
    std::error_code error;
    std::filesystem::rename(file, target, error);
    if (error)
        return Status::failure(error.message());
    return target.filename().string();
}

JsonNoteRepository::JsonNoteRepository(DataFolder folder, const Clock& clock, AppLogger* logger)
    : m_folder(std::move(folder))
    , m_clock(clock)
    , m_logger(logger)
{
}

std::vector<StickyNote> JsonNoteRepository::loadNotes()
{
    m_keepAsideBeforeSave = false;
    if (!m_folder.ensureExists().ok())
        return {};
    std::filesystem::path file = m_folder.notesFile();
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return {};
    auto bytes = readWholeFile(file);
    if (!bytes) {
        m_keepAsideBeforeSave = true;
        return {};
    }
    auto decoded = decodeNotesFile(*bytes, m_clock.now());
    if (auto* notes = std::get_if<std::vector<StickyNote>>(&decoded)) {
        m_lastWritten = Fingerprint::of(*bytes);
        return std::move(*notes);
    }
    m_keepAsideBeforeSave = true;
    return {};
}

JsonNoteRepository::Fingerprint JsonNoteRepository::Fingerprint::of(std::string_view bytes)
{
    return { bytes.size(), std::hash<std::string_view> {}(bytes), true };
}

bool JsonNoteRepository::Fingerprint::matches(std::string_view bytes) const
{
    return valid && size == bytes.size() && hash == std::hash<std::string_view> {}(bytes);
}

Status JsonNoteRepository::save(const std::vector<StickyNote>& notes)
{
    encodeNotesFile(notes, m_buffer);
    if (Status status = m_folder.ensureExists(); !status.ok())
        return status;
    std::filesystem::path file = m_folder.notesFile();
    if (m_keepAsideBeforeSave) {
        m_keepAsideBeforeSave = false;
        std::error_code error;
        if (std::filesystem::exists(file, error))
            keepAside(file, m_clock.now(), m_logger);
    } else if (m_lastWritten.matches(m_buffer)) {
        // Same bytes as the file this store last read or wrote.
        std::error_code error;
        if (std::filesystem::exists(file, error))
            return Status::success();
    }
    Status status = writeFileAtomically(file, m_buffer);
    m_lastWritten = status.ok() ? Fingerprint::of(m_buffer) : Fingerprint {};
    return status;
}

JsonPreferencesStore::JsonPreferencesStore(DataFolder folder, const Clock& clock, const UserCalendar& calendar, AppLogger* logger)
    : m_folder(std::move(folder))
    , m_clock(clock)
    , m_calendar(calendar)
    , m_logger(logger)
{
}

AppPreferences JsonPreferencesStore::loadPreferences()
{
    m_keepAsideBeforeSave = false;
    AppPreferences fallback = AppPreferences::defaultValue(m_calendar, m_clock.now());
    if (!m_folder.ensureExists().ok())
        return fallback;
    std::filesystem::path file = m_folder.preferencesFile();
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return fallback;
    auto bytes = readWholeFile(file);
    if (!bytes) {
        m_keepAsideBeforeSave = true;
        return fallback;
    }
    auto decoded = decodePreferencesFile(*bytes, m_calendar, m_clock.now());
    if (auto* preferences = std::get_if<AppPreferences>(&decoded))
        return *preferences;
    m_keepAsideBeforeSave = true;
    return fallback;
}

Status JsonPreferencesStore::save(const AppPreferences& preferences)
{
    std::string bytes = encodePreferencesFile(preferences);
    if (Status status = m_folder.ensureExists(); !status.ok())
        return status;
    std::filesystem::path file = m_folder.preferencesFile();
    if (m_keepAsideBeforeSave) {
        m_keepAsideBeforeSave = false;
        std::error_code error;
        if (std::filesystem::exists(file, error))
            keepAside(file, m_clock.now(), m_logger);
    }
    return writeFileAtomically(file, bytes);
}

} // namespace brivet
