#pragma once

#include "model/Clock.h"
#include "model/Scheduler.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace brivet::testing {

// A clock that moves only when told to; may be read from any thread.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = instantFromSeconds(1'796'000'000)) : m_now(start) { }
    Instant now() const override { return m_now.load(); }
    void set(Instant instant) { m_now.store(instant); }
    void advance(Duration by) { m_now.store(m_now.load() + by); }

private:
    std::atomic<Instant> m_now;
};

// A scheduler on the manual clock: tasks run only inside advance(),
// runDue(), suspend(), setWallClock() or runUntil(), in due order, with the
// clock set to each task's due time. Delayed tasks keep their remaining
// wait across a suspend or a clock change, as on a monotonic clock;
// wall-clock tasks fall due by the clock alone.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : m_clock(clock) { }

    TaskId schedule(Duration delay, std::function<void()> task) override;
    TaskId scheduleAt(Instant when, std::function<void()> task) override;
    // Safe from any thread; the task runs with the next due tasks.
    void post(std::function<void()> task) override;
    void cancel(TaskId id) override;
    // Advances through due tasks until `done` or the timeout.
    bool runUntil(const std::function<bool()>& done, Duration timeout) override;

    // Moves the clock forward by `by`, running every task that falls due.
    void advance(Duration by);
    // Runs what is due now (zero-delay tasks included).
    void runDue();
    // The machine sleeps for `by`: the wall clock jumps, delayed tasks do
    // not come closer; then what the wake-up made due runs.
    void suspend(Duration by);
    // The wall clock is set to `instant` (forwards or back); delayed tasks
    // keep their remaining wait; then what fell due runs.
    void setWallClock(Instant instant);
    std::size_t pendingCount() const;
    // Due time of the earliest pending task, if any.
    std::optional<Instant> nextDue() const;

private:
    struct Entry {
        Instant due;
        TaskId id;
        bool operator<(const Entry& other) const { return due != other.due ? due < other.due : id < other.id; }
    };
    struct Task {
        std::function<void()> run;
        bool onWallClock = false;
    };
    // Moves the clock by `by` without the monotonic time passing.
    void jumpWallClock(Duration by);
    // Turns posted tasks into tasks due now.
    void takePosted();

    ManualClock& m_clock;
    TaskId m_nextId = 1;
    std::map<Entry, Task> m_tasks;
    mutable std::mutex m_postedMutex;
    std::vector<std::function<void()>> m_posted;
};

} // namespace brivet::testing
