#include "model/JsonStores.h"

#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/Clock.h"
#include "model/JsonWriter.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A file's bytes followed by at least `padding` zero bytes, in memory of
// its own: a large file goes into transparent huge pages where the system
// offers them, so reading it costs a handful of page faults instead of one
// per 4 KiB.
class PaddedFileBytes {
public:
    static std::optional<PaddedFileBytes> read(const std::filesystem::path& path, std::size_t padding)
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        std::optional<PaddedFileBytes> result;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size >= 0) {
            PaddedFileBytes bytes(static_cast<std::size_t>(info.st_size), padding);
            if (bytes.m_base && bytes.fill(fd))
                result.emplace(std::move(bytes));
        }
        ::close(fd);
        return result;
    }

    PaddedFileBytes(PaddedFileBytes&& other) noexcept
        : m_base(std::exchange(other.m_base, nullptr))
        , m_mapped(other.m_mapped)
        , m_size(other.m_size)
    {
    }
    PaddedFileBytes& operator=(PaddedFileBytes&&) = delete;
    ~PaddedFileBytes()
    {
        if (m_base)
            ::munmap(m_base, m_mapped);
    }

    // The file's bytes; at least the padding follows them, readable.
    std::string_view bytes() const { return { static_cast<const char*>(m_base), m_size }; }

private:
    static constexpr std::size_t hugePage = std::size_t(2) << 20;

    PaddedFileBytes(std::size_t size, std::size_t padding)
        : m_size(size)
    {
        // Fresh anonymous pages read as zeros: the padding needs no writing.
        std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        std::size_t granule = size + padding >= hugePage ? hugePage : page;
        m_mapped = (size + padding + granule - 1) / granule * granule;
        void* base = ::mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED)
            return;
        m_base = base;
        if (granule == hugePage)
            ::madvise(m_base, m_mapped, MADV_HUGEPAGE); // a hint; without it the pages are small
    }

    // Reads exactly the size the file had when opened; a file that changed
    // length meanwhile is not taken.
    bool fill(int fd)
    {
        char* at = static_cast<char*>(m_base);
        std::size_t left = m_size;
        while (left > 0) {
            ssize_t got = ::read(fd, at, left);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            at += got;
            left -= static_cast<std::size_t>(got);
        }
        char extra;
        return ::read(fd, &extra, 1) == 0;
    }

    void* m_base = nullptr;
    std::size_t m_mapped = 0;
    std::size_t m_size = 0;
};

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

JsonNoteRepository::LoadResult JsonNoteRepository::read(const DataFolder& folder, Instant now)
{
    LoadResult result;
    std::filesystem::path file = folder.notesFile();
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return result;
    result.outcome = LoadResult::Outcome::unreadable;
    auto bytes = PaddedFileBytes::read(file, jsonReadPadding);
    if (!bytes)
        return result;
    std::string_view json = bytes->bytes();
    auto decoded = decodePaddedNotesFile(json, now);
    if (auto* notes = std::get_if<std::vector<StickyNote>>(&decoded)) {
        result.outcome = LoadResult::Outcome::decoded;
        result.notes = std::move(*notes);
        Fingerprint fingerprint = Fingerprint::of(json);
        result.size = fingerprint.size;
        result.hash = fingerprint.hash;
    }
    return result;
}

std::future<JsonNoteRepository::LoadResult> JsonNoteRepository::readInBackground(DataFolder folder)
{
    // The decoder's buffers (several times the file) belong to this thread
    // and go with it.
    return std::async(std::launch::async, [folder = std::move(folder)] { return read(folder, SystemClock().now()); });
}

std::vector<StickyNote> JsonNoteRepository::loadNotes()
{
    m_keepAsideBeforeSave = false;
    m_lastWritten = {};
    if (!m_folder.ensureExists().ok())
        return {};
    LoadResult result = m_prefetched.valid() ? m_prefetched.get() : read(m_folder, m_clock.now());
    switch (result.outcome) {
    case LoadResult::Outcome::missing:
        return {};
    case LoadResult::Outcome::unreadable:
        m_keepAsideBeforeSave = true;
        return {};
    case LoadResult::Outcome::decoded:
        m_lastWritten = Fingerprint { result.size, result.hash, true };
        return std::move(result.notes);
    }
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
    // Growing a multi-megabyte buffer by doubling copies it several times;
    // the last file's size is a close guess.
    if (m_buffer.capacity() < m_lastWritten.size + m_lastWritten.size / 8)
        m_buffer.reserve(m_lastWritten.size + m_lastWritten.size / 8 + 4096);
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
