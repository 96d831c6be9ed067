#include "model/DataFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivet {

DataFolder DataFolder::forCurrentUser()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return DataFolder(std::filesystem::path(dataHome) / "Brivet");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = home && home[0] ? std::filesystem::path(home) : std::filesystem::path("/tmp");
    return DataFolder(base / ".local" / "share" / "Brivet");
}

Status DataFolder::ensureExists() const
{
    std::error_code error;
    if (std::filesystem::exists(m_path, error))
        return Status::success();
    std::filesystem::path parent = m_path.parent_path();
    if (!parent.empty() && !std::filesystem::exists(parent, error)) {
        std::filesystem::create_directories(parent, error);
        if (error)
            return Status::failure("Cannot create " + parent.string() + ": " + error.message());
    }
    if (::mkdir(m_path.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return Status::failure("Cannot create " + m_path.string() + ": " + std::strerror(errno));
    return Status::success();
}

namespace {

// ".notes.json.XXXXXX" or ".preferences.json.XXXXXX": the temporaries the
// atomic writer makes beside the two files (mkstemp fills six letters or
// digits).
bool isWriterTemporary(const std::string& name)
{
    for (std::string_view prefix : { std::string_view(".notes.json."), std::string_view(".preferences.json.") }) {
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
            [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    }
    return false;
}

// Only the lock holder may do this: another instance's save in progress
// would lose its temporary.
void removeWriterTemporaries(const DataFolder& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path(), error)) {
        std::error_code ignored;
        if (isWriterTemporary(entry.path().filename().string()) && entry.is_regular_file(ignored))
            std::filesystem::remove(entry.path(), ignored);
    }
}

} // namespace

std::variant<FolderLock, Status> FolderLock::acquire(const DataFolder& folder)
{
    std::filesystem::path path = folder.path() / ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return Status::failure("Cannot open the lock file " + path.string() + ": " + std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Status::failure("Brivet is already running with the data folder " + folder.path().string());
        return Status::failure("Cannot lock " + path.string() + ": " + std::strerror(error));
    }
    // A save interrupted by a crash or a kill leaves its temporary behind;
    // the one process that owns the folder now can tell it is stale.
    removeWriterTemporaries(folder);
    return FolderLock(fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace brivet
