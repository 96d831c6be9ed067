#include "model/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivet {

namespace {

Status failure(const std::string& what, const std::filesystem::path& path, int error)
{
    return Status::failure(what + " " + path.string() + ": " + std::strerror(error));
}

} // namespace

Status writeFileAtomically(const std::filesystem::path& target, std::string_view bytes)
{
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return failure("Cannot create a temporary file in", folder, errno);
    std::filesystem::path temporary = pattern;

    auto abandon = [&](const std::string& what, int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return failure(what, temporary, error);
    };

    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
        return abandon("Cannot set the mode of", errno);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return abandon("Cannot write", errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0)
        return abandon("Cannot flush", errno);
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return failure("Cannot close", temporary, error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return failure("Cannot replace", target, error);
    }
    // The rename itself is durable only once the folder is.
    syncFolder(folder);
    return Status::success();
}

Status copyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return failure("Cannot open", source, errno);
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (out < 0) {
        int error = errno;
        ::close(in);
        return failure("Cannot create", target, error);
    }
    auto abandon = [&](const std::string& what, const std::filesystem::path& path, int error) {
        ::close(in);
        ::close(out);
        ::unlink(target.c_str());
        return failure(what, path, error);
    };
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return abandon("Cannot read", source, errno);
        if (got == 0)
            break;
        const char* at = buffer;
        std::size_t left = static_cast<std::size_t>(got);
        while (left > 0) {
            ssize_t written = ::write(out, at, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return abandon("Cannot write", target, errno);
            at += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    if (::fsync(out) != 0)
        return abandon("Cannot flush", target, errno);
    ::close(in);
    if (::close(out) != 0) {
        int error = errno;
        ::unlink(target.c_str());
        return failure("Cannot close", target, error);
    }
    return Status::success();
}

std::variant<std::string, ReadFailure> readFileUpTo(const std::filesystem::path& path, std::uintmax_t limit)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadFailure::missing : ReadFailure::unreadable;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ReadFailure::unreadable;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > limit) {
        ::close(fd);
        return ReadFailure::tooLarge;
    }
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // The file may have grown since: one more byte tells.
            if (bytes.size() > limit)
                break;
            bytes.resize(bytes.size() + 4096);
        }
        ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return ReadFailure::unreadable;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (filled > limit)
        return ReadFailure::tooLarge;
    bytes.resize(filled);
    return bytes;
}

void syncFolder(const std::filesystem::path& folder)
{
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace brivet
