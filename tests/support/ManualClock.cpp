#include "support/ManualClock.h"

namespace brivet::testing {

Scheduler::TaskId ManualScheduler::schedule(Duration delay, std::function<void()> task)
{
    TaskId id = m_nextId++;
    m_tasks.emplace(Entry { m_clock.now() + std::max(delay, Duration(0)), id }, std::move(task));
    return id;
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
    while (!m_tasks.empty() && m_tasks.begin()->first.due <= end) {
        auto node = m_tasks.extract(m_tasks.begin());
        if (node.key().due > m_clock.now())
            m_clock.set(node.key().due);
        node.mapped()();
    }
    m_clock.set(end);
}

void ManualScheduler::runDue()
{
    advance(Duration(0));
}

std::optional<Instant> ManualScheduler::nextDue() const
{
    if (m_tasks.empty())
        return std::nullopt;
    return m_tasks.begin()->first.due;
}

} // namespace brivet::testing
