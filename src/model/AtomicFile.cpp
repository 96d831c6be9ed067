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
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return Status::success();
}

} // namespace brivet
