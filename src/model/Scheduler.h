#pragma once

#include "model/Instant.h"

#include <cstdint>
#include <functional>

namespace brivet {

// Cancellable delayed tasks on the main loop. A task runs once, on the main
// thread, no earlier than its delay; a cancelled task never runs.
class Scheduler {
public:
    using TaskId = std::uint64_t;
    virtual ~Scheduler() = default;
    // Queues `task` to run after `delay` (zero or negative: on the next turn
    // of the loop), measured on a clock that stops while the machine sleeps
    // and ignores changes of the wall clock: right for debounces and
    // timeouts. Returns an id for cancel; never 0.
    virtual TaskId schedule(Duration delay, std::function<void()> task) = 0;
    // Queues `task` to run once the wall clock reads `when` or later: also
    // when the machine wakes from a sleep past it or the clock is set past
    // it. An instant already passed runs on the next turn. Returns an id for
    // cancel; never 0.
    virtual TaskId scheduleAt(Instant when, std::function<void()> task) = 0;
    // Queues `task` for the next turn of the main loop. The one method that
    // may be called from any thread (a worker reporting back).
    virtual void post(std::function<void()> task) = 0;
    // Drops a pending task; unknown or finished ids are ignored.
    virtual void cancel(TaskId) = 0;
    // Turns the main loop, running whatever falls due, until `done` returns
    // true or `timeout` has passed; returns done()'s last answer. Only for
    // the moment of quitting, when waiting on the loop is the point.
    virtual bool runUntil(const std::function<bool()>& done, Duration timeout) = 0;
};

// Owns at most one pending task; replacing or destroying it cancels the old.
class TaskHandle {
public:
    TaskHandle() = default;
    TaskHandle(Scheduler& scheduler, Scheduler::TaskId id) : m_scheduler(&scheduler), m_id(id) { }
    TaskHandle(TaskHandle&& other) noexcept : m_scheduler(other.m_scheduler), m_id(other.m_id) { other.m_id = 0; }
    TaskHandle& operator=(TaskHandle&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_scheduler = other.m_scheduler;
            m_id = other.m_id;
            other.m_id = 0;
        }
        return *this;
    }
    TaskHandle(const TaskHandle&) = delete;
    TaskHandle& operator=(const TaskHandle&) = delete;
    ~TaskHandle() { cancel(); }

    void cancel()
    {
        if (m_id && m_scheduler)
            m_scheduler->cancel(m_id);
        m_id = 0;
    }
    // Forget the id without cancelling (the task is running now).
    void release() { m_id = 0; }
    bool isPending() const { return m_id != 0; }

private:
    Scheduler* m_scheduler = nullptr;
    Scheduler::TaskId m_id = 0;
};

} // namespace brivet
