#include "app/InstanceSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace brivet::InstanceSocket {

namespace {

using Clock = std::chrono::steady_clock;

bool isPrivateDirectory(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// A stable name for the folder: the same folder gives the same socket in
// every build and every run.
std::string folderKey(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(folder, error);
    std::string text = (error ? folder : canonical).string();
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

int remainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false when it passed first
// or the wait failed.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd waiting { fd, events, 0 };
        int ready = ::poll(&waiting, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Connection {
    established,
    // Nobody listens yet (or a socket left by an instance that is gone), or
    // the listener's queue is full: worth another try while time is left.
    notYet,
    failed,
};

// Connects the non-blocking `fd` without waiting past `deadline`. Once a
// listener's queue is full, a blocking connect waits until the listener
// takes a connection: for ever, if it is stopped or hung.
Connection tryConnect(int fd, const sockaddr_un& address, Clock::time_point deadline)
{
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return Connection::established;
    switch (errno) {
    case ENOENT:
    case ECONNREFUSED:
    case EAGAIN:
    case EINTR:
        return Connection::notYet;
    case EINPROGRESS: {
        if (!waitFor(fd, POLLOUT, deadline))
            return Connection::notYet;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            return Connection::failed;
        if (error == 0)
            return Connection::established;
        return error == ECONNREFUSED || error == EAGAIN ? Connection::notYet : Connection::failed;
    }
    default:
        return Connection::failed;
    }
}

// Sends the request on the connected `fd` and reads the answer, all before
// `deadline`.
HandOver exchange(int fd, Clock::time_point deadline)
{
    std::string_view request = presentDashboardRequest;
    while (!request.empty()) {
        ssize_t sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            request.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return HandOver::noAnswer;
        if (!waitFor(fd, POLLOUT, deadline))
            return HandOver::noAnswer;
    }
    std::string reply;
    while (reply.find('\n') == std::string::npos) {
        if (!waitFor(fd, POLLIN, deadline))
            return HandOver::noAnswer;
        char buffer[64];
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (got <= 0)
            return HandOver::noAnswer;
        reply.append(buffer, static_cast<std::size_t>(got));
        if (reply.size() > 256)
            return HandOver::noAnswer;
    }
    return reply == acceptedReply ? HandOver::accepted : HandOver::noAnswer;
}

} // namespace

std::optional<std::filesystem::path> directory(const std::filesystem::path& runtimeDirectory)
{
    std::filesystem::path base = runtimeDirectory;
    std::filesystem::path folder;
    if (base.empty()) {
        const char* fromEnvironment = std::getenv("XDG_RUNTIME_DIR");
        if (fromEnvironment && fromEnvironment[0] == '/')
            base = fromEnvironment;
    }
    if (!base.empty())
        folder = base / "brivet";
    else
        folder = std::filesystem::path("/tmp") / ("brivet-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!isPrivateDirectory(folder))
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> path(const std::filesystem::path& directory, const DataFolder& folder)
{
    std::filesystem::path socket = directory / (folderKey(folder.path()) + ".socket");
    if (socket.native().size() >= sizeof(sockaddr_un {}.sun_path))
        return std::nullopt;
    return socket;
}

HandOver requestDashboard(const std::filesystem::path& socket, std::chrono::milliseconds connectWindow,
    std::chrono::milliseconds answerWindow)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (socket.native().size() >= sizeof address.sun_path)
        return HandOver::noAnswer;
    std::memcpy(address.sun_path, socket.c_str(), socket.native().size() + 1);

    Clock::time_point connectDeadline = Clock::now() + connectWindow;
    for (;;) {
        FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (fd.get() < 0)
            return HandOver::noAnswer;
        switch (tryConnect(fd.get(), address, connectDeadline)) {
        case Connection::established:
            break;
        case Connection::notYet:
            if (Clock::now() >= connectDeadline)
                return HandOver::noAnswer;
            std::this_thread::sleep_for(std::min(std::chrono::milliseconds(50),
                std::chrono::milliseconds(remainingMs(connectDeadline))));
            continue;
        case Connection::failed:
            return HandOver::noAnswer;
        }
        // Only an instance of the same user may be handed the launch.
        ucred peer {};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid())
            return HandOver::noAnswer;
        return exchange(fd.get(), Clock::now() + answerWindow);
    }
}

} // namespace brivet::InstanceSocket
