#pragma once

#include "model/Instant.h"
#include "model/Scheduler.h"

#include <QObject>

#include <functional>
#include <map>

class QSocketNotifier;

namespace brivet {

// Tasks due at wall-clock instants. One timerfd on CLOCK_REALTIME is armed
// at the earliest of them: unlike a monotonic timer it counts the time the
// machine sleeps, and TFD_TIMER_CANCEL_ON_SET wakes it when the clock is
// set, so the due tasks are looked at again. logind's PrepareForSleep on
// the system bus adds a look after every resume. No task: nothing armed,
// no bus connection.
class WallClockTimer final : public QObject {
    Q_OBJECT
public:
    explicit WallClockTimer(QObject* parent = nullptr);
    ~WallClockTimer() override;

    // Runs `task` once the wall clock reads `when`; `id` comes from the
    // caller, which keeps the ids of all its tasks apart.
    void add(Scheduler::TaskId id, Instant when, std::function<void()> task);
    // Drops a pending task; false when it is not one of these.
    bool remove(Scheduler::TaskId id);
    std::size_t pendingCount() const { return m_tasks.size(); }

private slots:
    void prepareForSleep(bool goingToSleep);

private:
    void timerFired();
    // Runs every task whose time has come, then arms for the next.
    void runDue();
    void arm();
    void watchResume();

    struct Key {
        Instant when;
        Scheduler::TaskId id;
        bool operator<(const Key& other) const { return when != other.when ? when < other.when : id < other.id; }
    };
    std::map<Key, std::function<void()>> m_tasks;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    bool m_watchingResume = false;
};

} // namespace brivet
