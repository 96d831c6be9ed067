#include "app/InstanceServer.h"

#include "app/InstanceSocket.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivet {

namespace {

// A client that connects and says nothing is dropped after this long.
constexpr int requestTimeoutMs = 2000;
constexpr qsizetype maximumRequest = 64;

bool isSameUser(QLocalSocket* connection)
{
    ucred peer {};
    socklen_t length = sizeof peer;
    int fd = static_cast<int>(connection->socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
}

} // namespace

InstanceServer::InstanceServer(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection())
            serve(connection);
    });
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::isListening() const
{
    return m_server->isListening();
}

Status InstanceServer::listen(const std::filesystem::path& socket)
{
    std::error_code error;
    struct stat info {};
    if (::lstat(socket.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode))
            return Status::failure("Something other than a socket is at " + socket.string());
        std::filesystem::remove(socket, error);
        if (error)
            return Status::failure("Cannot remove the old socket " + socket.string() + ": " + error.message());
    }
    if (!m_server->listen(QString::fromStdString(socket.string())))
        return Status::failure("Cannot listen at " + socket.string() + ": " + m_server->errorString().toStdString());
    return Status::success();
}

void InstanceServer::serve(QLocalSocket* connection)
{
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    if (!isSameUser(connection)) {
        connection->abort();
        return;
    }
    QTimer::singleShot(requestTimeoutMs, connection, [connection] { connection->abort(); });
    connect(connection, &QLocalSocket::readyRead, this, [this, connection] {
        if (!connection->canReadLine()) {
            if (connection->bytesAvailable() > maximumRequest)
                connection->abort();
            return;
        }
        QByteArray request = connection->readLine(maximumRequest + 1);
        if (request == InstanceSocket::presentDashboardRequest) {
            connection->write(InstanceSocket::acceptedReply);
            emit dashboardRequested();
        } else {
            connection->write("unknown\n");
        }
        connection->disconnectFromServer();
    });
}

} // namespace brivet
