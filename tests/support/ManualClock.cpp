#include "support/ManualClock.h"

#include <vector>

namespace brivet::testing {

Scheduler::TaskId ManualScheduler::schedule(Duration delay, std::function<void()> task)
{
    TaskId id = m_nextId++;
    m_tasks.emplace(Entry { m_clock.now() + std::max(delay, Duration(0)), id }, Task { std::move(task), false });
    return id;
}

Scheduler::TaskId ManualScheduler::scheduleAt(Instant when, std::function<void()> task)
{
    TaskId id = m_nextId++;
    m_tasks.emplace(Entry { std::max(when, m_clock.now()), id }, Task { std::move(task), true });
    return id;
}

void ManualScheduler::post(std::function<void()> task)
{
    std::lock_guard lock(m_postedMutex);
    m_posted.push_back(std::move(task));
}

void ManualScheduler::takePosted()
{
    std::vector<std::function<void()>> posted;
    {
        std::lock_guard lock(m_postedMutex);
        posted.swap(m_posted);
    }
    for (auto& task : posted)
        schedule(Duration(0), std::move(task));
}

std::size_t ManualScheduler::pendingCount() const
{
    std::lock_guard lock(m_postedMutex);
    return m_tasks.size() + m_posted.size();
}

void ManualScheduler::cancel(TaskId id)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->first.id == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

void ManualScheduler::advance(Duration by)
{
    Instant end = m_clock.now() + by;
    takePosted();
    while (!m_tasks.empty() && m_tasks.begin()->first.due <= end) {
        auto node = m_tasks.extract(m_tasks.begin());
        if (node.key().due > m_clock.now())
            m_clock.set(node.key().due);
        node.mapped().run();
        takePosted();
    }
    m_clock.set(end);
}

void ManualScheduler::runDue()
{
    advance(Duration(0));
}

void ManualScheduler::jumpWallClock(Duration by)
{
    m_clock.advance(by);
    // Delayed tasks are due in monotonic time: their wall-clock due time
    // moves with the jump.
    std::vector<decltype(m_tasks)::node_type> moved;
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        auto next = std::next(it);
        if (!it->second.onWallClock)
            moved.push_back(m_tasks.extract(it));
        it = next;
    }
    for (auto& node : moved) {
        node.key().due += by;
        m_tasks.insert(std::move(node));
    }
}

void ManualScheduler::suspend(Duration by)
{
    jumpWallClock(by);
    runDue();
}

void ManualScheduler::setWallClock(Instant instant)
{
    jumpWallClock(instant - m_clock.now());
    runDue();
}

bool ManualScheduler::runUntil(const std::function<bool()>& done, Duration timeout)
{
    const Instant end = m_clock.now() + timeout;
    runDue();
    while (!done()) {
        std::optional<Instant> next = nextDue();
        if (!next || *next > end) {
            m_clock.set(std::max(end, m_clock.now()));
            return done();
        }
        advance(*next - m_clock.now());
    }
    return true;
}

std::optional<Instant> ManualScheduler::nextDue() const
{
    {
        std::lock_guard lock(m_postedMutex);
        if (!m_posted.empty())
            return m_clock.now();
    }
    if (m_tasks.empty())
        return std::nullopt;
    return m_tasks.begin()->first.due;
}

} // namespace brivet::testing
