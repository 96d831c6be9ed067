#pragma once

#include "model/Scheduler.h"

#include <QObject>

#include <unordered_map>

class QTimer;

namespace brivet {

// Scheduler on the Qt event loop: one single-shot timer per pending task, so
// an idle app has no timer running at all.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TaskId schedule(Duration delay, std::function<void()> task) override;
    void cancel(TaskId id) override;
    std::size_t pendingCount() const { return m_timers.size(); }

private:
    TaskId m_nextId = 1;
    std::unordered_map<TaskId, QTimer*> m_timers;
};

} // namespace brivet
