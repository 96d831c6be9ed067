#include "model/JsonStores.h"

#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/BackupArchive.h"
#include "model/Clock.h"
#include "model/JsonWriter.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>
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

constexpr std::size_t largeNotesFile = std::size_t(1) << 20;

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

// Moves a file that could not be read out of the way of the next save; a
// failure means the save must not replace it.
Status keepAside(const std::filesystem::path& file, Instant now, AppLogger* logger)
{
    auto result = keepUnreadableFileAside(file, now);
    if (auto* name = std::get_if<std::string>(&result)) {
        if (logger)
            logger->log("Kept unreadable " + file.filename().string() + " as " + *name);
        return Status::success();
    }
    return Status::failure("Cannot keep the unreadable " + file.filename().string()
        + " aside, so it is not replaced: " + std::get<Status>(result).message());
}

// Before the first save over a file that could not be read: moves it aside,
// once. While that fails the save fails too and the next one tries again.
Status keepAsideIfUnreadable(bool& pending, const std::filesystem::path& file, Instant now, AppLogger* logger)
{
    if (!pending)
        return Status::success();
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        if (Status status = keepAside(file, now, logger); !status.ok())
            return status;
    }
    pending = false;
    return Status::success();
}

// Where the `index`-th item of the top-level "notes" list starts, found by
// a plain scan of the text; only for pointing at a note that failed to
// decode, after the parser accepted the text as JSON.
std::optional<std::size_t> offsetOfNote(std::string_view json, std::size_t index)
{
    int depth = 0;
    bool inNotes = false;     // inside the top-level "notes" list
    bool awaitItem = false;   // the next value at the list's depth starts an item
    std::size_t item = 0;
    std::string_view lastKey; // the last string seen at depth 1
    for (std::size_t at = 0; at < json.size(); ++at) {
        const char c = json[at];
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        if (inNotes && awaitItem && depth == 2 && c != ']') {
            if (item == index)
                return at;
            ++item;
            awaitItem = false;
        }
        if (c == '"') {
            const std::size_t start = at + 1;
            for (++at; at < json.size() && json[at] != '"'; ++at) {
                if (json[at] == '\\')
                    ++at;
            }
            if (depth == 1)
                lastKey = json.substr(start, at - start);
        } else if (c == '{' || c == '[') {
            ++depth;
            if (c == '[' && depth == 2 && lastKey == "notes") {
                inNotes = true;
                awaitItem = true;
            }
        } else if (c == '}' || c == ']') {
            if (inNotes && depth == 2)
                return std::nullopt;
            --depth;
        } else if (c == ',' && inNotes && depth == 2) {
            awaitItem = true;
        }
    }
    return std::nullopt;
}

// "note 12 (line 340, byte 9821): dueDate: expected ...".
std::string describeProblem(std::string_view json, const DecodeError& error)
{
    if (!error.noteIndex)
        return error.message;
    const std::optional<std::size_t> offset = offsetOfNote(json, *error.noteIndex);
    if (!offset)
        return error.message;
    const auto line = 1 + std::count(json.begin(), json.begin() + static_cast<std::ptrdiff_t>(*offset), '\n');
    std::string where = "note " + std::to_string(*error.noteIndex);
    std::string message = error.message;
    if (message.rfind(where, 0) == 0)
        message.erase(0, where.size());
    else
        message = ": " + message;
    return where + " (line " + std::to_string(line) + ", byte " + std::to_string(*offset) + ")" + message;
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
    if (!bytes) {
        result.problem = "the file cannot be read";
        return result;
    }
    std::string_view json = bytes->bytes();
    // The fingerprint of a large file is taken beside the decoding rather
    // than after it; the bytes outlive both.
    std::future<Fingerprint> fingerprint;
    if (json.size() >= largeNotesFile) {
        try {
            fingerprint = std::async(std::launch::async, [json] { return Fingerprint::of(json); });
        } catch (const std::system_error&) {
            // No thread to spare: taken after the decoding instead.
        }
    }
    auto decoded = decodePaddedNotesFile(json, now);
    if (auto* error = std::get_if<DecodeError>(&decoded))
        result.problem = describeProblem(json, *error);
    Fingerprint taken = fingerprint.valid() ? fingerprint.get() : Fingerprint {};
    if (auto* notes = std::get_if<std::vector<StickyNote>>(&decoded)) {
        result.outcome = LoadResult::Outcome::decoded;
        result.notes = std::move(*notes);
        if (!taken.valid)
            taken = Fingerprint::of(json);
        result.size = taken.size;
        result.hash = taken.hash;
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
        if (m_logger)
            m_logger->log(m_folder.notesFile().filename().string() + " cannot be read: " + result.problem
                + "; it is kept aside, unchanged, before the next save");
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
    if (m_backups)
        m_backups->beforeSave();
    std::filesystem::path file = m_folder.notesFile();
    if (m_keepAsideBeforeSave) {
        if (Status status = keepAsideIfUnreadable(m_keepAsideBeforeSave, file, m_clock.now(), m_logger); !status.ok())
            return status;
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
    if (m_logger)
        m_logger->log(file.filename().string() + " cannot be read: " + std::get<DecodeError>(decoded).message
            + "; it is kept aside, unchanged, before the next save");
    m_keepAsideBeforeSave = true;
    return fallback;
}

Status JsonPreferencesStore::save(const AppPreferences& preferences)
{
    std::string bytes = encodePreferencesFile(preferences);
    if (Status status = m_folder.ensureExists(); !status.ok())
        return status;
    if (m_backups)
        m_backups->beforeSave();
    std::filesystem::path file = m_folder.preferencesFile();
    if (Status status = keepAsideIfUnreadable(m_keepAsideBeforeSave, file, m_clock.now(), m_logger); !status.ok())
        return status;
    return writeFileAtomically(file, bytes);
}

JsonTrashStore::JsonTrashStore(DataFolder folder, const Clock& clock, AppLogger* logger)
    : m_folder(std::move(folder))
    , m_clock(clock)
    , m_logger(logger)
{
}

TrashStore::Loaded JsonTrashStore::loadTrash()
{
    m_keepAsideBeforeSave = false;
    Loaded loaded;
    const std::filesystem::path file = m_folder.trashFile();
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return loaded;
    std::string problem;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) {
        problem = "the file cannot be read: " + error.message();
    } else if (size > largestReadableFile) {
        problem = "the file is " + std::to_string(size >> 20) + " MB, larger than any trash";
    } else if (auto bytes = readWholeFile(file); !bytes) {
        problem = "the file cannot be read";
    } else {
        auto decoded = decodeTrashFile(*bytes, m_clock.now());
        if (auto* entries = std::get_if<std::vector<TrashEntry>>(&decoded)) {
            loaded.entries = std::move(*entries);
            return loaded;
        }
        problem = std::get<DecodeError>(decoded).message;
    }
    if (m_logger)
        m_logger->log(file.filename().string() + " cannot be read: " + problem);
    // Set aside now, so the message can name where it went; should that
    // fail, every save tries again first and fails until it works.
    auto aside = keepUnreadableFileAside(file, m_clock.now());
    if (auto* name = std::get_if<std::string>(&aside)) {
        if (m_logger)
            m_logger->log("Kept unreadable " + file.filename().string() + " as " + *name);
        loaded.problem = "回收站文件已损坏，已原样保留为「" + *name + "」，回收站从空开始。";
    } else {
        m_keepAsideBeforeSave = true;
        if (m_logger)
            m_logger->log("Cannot keep the unreadable " + file.filename().string()
                + " aside yet: " + std::get<Status>(aside).message());
        loaded.problem = "回收站文件已损坏，暂时无法移开；它保持原样，回收站从空开始。";
    }
    return loaded;
}

Status JsonTrashStore::save(const std::vector<TrashEntry>& entries)
{
    std::string bytes = encodeTrashFile(entries);
    if (Status status = m_folder.ensureExists(); !status.ok())
        return status;
    const std::filesystem::path file = m_folder.trashFile();
    if (Status status = keepAsideIfUnreadable(m_keepAsideBeforeSave, file, m_clock.now(), m_logger); !status.ok())
        return status;
    return writeFileAtomically(file, bytes);
}

} // namespace brivet
