#pragma once

#include "model/Status.h"

#include <QObject>

#include <filesystem>

class QLocalServer;
class QLocalSocket;

namespace brivet {

// The running instance's end of the hand-over: a local socket that a
// second launch asks to bring the dashboard forward. Only connections from
// the same user are served.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // Listens at `socket`. The caller holds the data folder's lock, so a
    // file already there was left by an instance that is gone and is
    // replaced. A failure leaves the app without hand-over, nothing more.
    Status listen(const std::filesystem::path& socket);
    bool isListening() const;

signals:
    void dashboardRequested();

private:
    void serve(QLocalSocket* connection);

    QLocalServer* m_server = nullptr;
};

} // namespace brivet
