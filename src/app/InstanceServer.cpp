#include "app/InstanceServer.h"

#include "app/InstanceSocket.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace brivet {

namespace {

// A client that connects and says nothing is dropped after this long.
constexpr int requestTimeoutMs = 2000;
constexpr std::size_t maximumRequest = 64;
// Connections served at once; later ones are closed at once.
constexpr int maximumConnections = 8;

bool isSameUser(int fd)
{
    ucred peer {};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
}

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

// One client: its socket, what it sent so far and its deadline. A child of
// the server, so the server's end takes any that are still open.
class InstanceServer::Connection final : public QObject {
public:
    Connection(InstanceServer& server, int fd)
        : QObject(&server)
        , m_fd(fd)
        , m_readable(fd, QSocketNotifier::Read)
    {
        ++server.m_connectionCount;
        QObject::connect(&m_readable, &QSocketNotifier::activated, this, [this, &server] {
            if (!read(server))
                finish(server);
        });
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, this, [this, &server] { finish(server); });
        m_deadline.start(requestTimeoutMs);
    }
    ~Connection() override { ::close(m_fd); }

private:
    // Reads what arrived; false once the exchange is over.
    bool read(InstanceServer& server)
    {
        char buffer[maximumRequest + 1];
        ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (got == 0)
            return false; // hung up before a whole line
        m_request.append(buffer, static_cast<std::size_t>(got));
        std::size_t end = m_request.find('\n');
        if (end == std::string::npos)
            return m_request.size() <= maximumRequest;
        bool present = m_request.compare(0, end + 1, InstanceSocket::presentDashboardRequest) == 0;
        reply(present ? InstanceSocket::acceptedReply : "unknown\n");
        if (present)
            emit server.dashboardRequested();
        return false;
    }

    // No more events; deleted once control is back in the event loop, as
    // this runs in its own notifier's or timer's handler.
    void finish(InstanceServer& server)
    {
        m_readable.setEnabled(false);
        m_deadline.stop();
        --server.m_connectionCount;
        deleteLater();
    }

    void reply(const char* text)
    {
        // A line fits any socket buffer; a client that left misses it.
        (void)::send(m_fd, text, std::strlen(text), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(m_fd, SHUT_WR);
    }

    int m_fd;
    QSocketNotifier m_readable;
    QTimer m_deadline;
    std::string m_request;
};

InstanceServer::InstanceServer(QObject* parent)
    : QObject(parent)
{
}

InstanceServer::~InstanceServer()
{
    close();
}

bool InstanceServer::isListening() const
{
    return m_listener >= 0;
}

Status InstanceServer::listen(const std::filesystem::path& socket)
{
    close();
    sockaddr_un address {};
    if (socket.native().size() >= sizeof address.sun_path)
        return Status::failure("The socket path is too long: " + socket.string());
    struct stat info {};
    if (::lstat(socket.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode))
            return Status::failure("Something other than a socket is at " + socket.string());
        if (::unlink(socket.c_str()) != 0 && errno != ENOENT)
            return Status::failure(systemError("Cannot remove the old socket " + socket.string()));
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Status::failure(systemError("Cannot make a socket"));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socket.c_str(), socket.native().size());
    // Only the user may connect, whatever the folder allows. Set on the
    // file, before anyone can connect, rather than through the umask: that
    // is the whole process's, and the other threads make folders and files
    // while this runs.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::chmod(socket.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, maximumConnections) != 0
        || ::lstat(socket.c_str(), &info) != 0) {
        Status failure = Status::failure(systemError("Cannot listen at " + socket.string()));
        ::close(fd);
        return failure;
    }
    m_listener = fd;
    m_path = socket;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_incoming = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &InstanceServer::acceptPending);
    return Status::success();
}

void InstanceServer::acceptPending()
{
    for (;;) {
        int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: none left; anything else comes back on the next wake-up
        }
        if (!isSameUser(fd) || m_connectionCount >= maximumConnections) {
            ::close(fd);
            continue;
        }
        new Connection(*this, fd);
    }
}

void InstanceServer::close()
{
    if (m_listener < 0)
        return;
    delete m_incoming;
    m_incoming = nullptr;
    ::close(m_listener);
    m_listener = -1;
    struct stat info {};
    if (::lstat(m_path.c_str(), &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode)
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace brivet
