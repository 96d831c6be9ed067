#pragma once

#include <QObject>

class QSocketNotifier;

namespace brivet {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main loop, so
// the app can write pending saves before it quits.
class SignalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace brivet
