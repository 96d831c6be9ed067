#pragma once

#include "model/Scheduler.h"

#include <QObject>

#include <unordered_map>

class QTimer;

namespace brivet {

class WallClockTimer;

// Scheduler on the Qt event loop: one single-shot timer per pending delayed
// task on the monotonic clock, and one wall-clock timer for the tasks due
// at an instant, so an idle app has no timer running at all.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TaskId schedule(Duration delay, std::function<void()> task) override;
    TaskId scheduleAt(Instant when, std::function<void()> task) override;
    void post(std::function<void()> task) override;
    void cancel(TaskId id) override;
    bool runUntil(const std::function<bool()>& done, Duration timeout) override;
    std::size_t pendingCount() const;

private:
    TaskId m_nextId = 1;
    std::unordered_map<TaskId, QTimer*> m_timers;
    WallClockTimer* m_wallClock;
};

} // namespace brivet
