#pragma once

#include "model/Status.h"

#include <QObject>

#include <filesystem>

#include <sys/types.h>

class QSocketNotifier;

namespace brivet {

// The running instance's end of the hand-over: a local socket that a
// second launch asks to bring the dashboard forward. Only connections from
// the same user are served. A plain socket watched by the event loop: the
// exchange is one short line each way.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    // Stops listening and removes the socket file it made.
    ~InstanceServer() override;

    // Listens at `socket`. The caller holds the data folder's lock, so a
    // file already there was left by an instance that is gone and is
    // replaced. A failure leaves the app without hand-over, nothing more.
    Status listen(const std::filesystem::path& socket);
    bool isListening() const;

signals:
    void dashboardRequested();

private:
    class Connection;

    void acceptPending();
    // Stops listening and removes the socket file; open connections finish.
    void close();

    int m_listener = -1;
    QSocketNotifier* m_incoming = nullptr;
    std::filesystem::path m_path;
    // The socket file as bound, so only that file is removed at the end.
    dev_t m_device = 0;
    ino_t m_inode = 0;
    int m_connectionCount = 0;
};

} // namespace brivet
