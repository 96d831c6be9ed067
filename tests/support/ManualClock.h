#pragma once

#include "model/Clock.h"
#include "model/Scheduler.h"

#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace brivet::testing {

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = instantFromSeconds(1'796'000'000)) : m_now(start) { }
    Instant now() const override { return m_now; }
    void set(Instant instant) { m_now = instant; }
    void advance(Duration by) { m_now += by; }

private:
    Instant m_now;
};

// A scheduler on the manual clock: tasks run only inside advance() or
// runDue(), in due order, with the clock set to each task's due time.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : m_clock(clock) { }

    TaskId schedule(Duration delay, std::function<void()> task) override;
    void cancel(TaskId id) override;

    // Moves the clock forward by `by`, running every task that falls due.
    void advance(Duration by);
    // Runs what is due now (zero-delay tasks included).
    void runDue();
    std::size_t pendingCount() const { return m_tasks.size(); }
    // Due time of the earliest pending task, if any.
    std::optional<Instant> nextDue() const;

private:
    struct Entry {
        Instant due;
        TaskId id;
        bool operator<(const Entry& other) const { return due != other.due ? due < other.due : id < other.id; }
    };
    ManualClock& m_clock;
    TaskId m_nextId = 1;
    std::map<Entry, std::function<void()>> m_tasks;
};

} // namespace brivet::testing
