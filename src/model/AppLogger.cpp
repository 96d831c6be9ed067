#include "model/AppLogger.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"

namespace brivet {

AppLogger::AppLogger(const Clock& clock, const UserCalendar& calendar, std::unique_ptr<LogSink> sink)
    : m_clock(clock)
    , m_calendar(calendar)
    , m_sink(std::move(sink))
    , m_owner(std::this_thread::get_id())
{
}

AppLogger::~AppLogger() = default;

void AppLogger::log(std::string_view message)
{
    const Instant now = m_clock.now();
    {
        std::lock_guard lock(m_mutex);
        if (m_sink)
            m_sink->write(message);
        // The calendar's formatters belong to the owner's thread.
        if (std::this_thread::get_id() != m_owner) {
            m_waiting.emplace_back(now, std::string(message));
            return;
        }
    }
    takeLinesFromOtherThreads();
    append(now, message);
}

const std::deque<std::string>& AppLogger::entries() const
{
    takeLinesFromOtherThreads();
    return m_entries;
}

void AppLogger::takeLinesFromOtherThreads() const
{
    std::vector<std::pair<Instant, std::string>> waiting;
    {
        std::lock_guard lock(m_mutex);
        waiting.swap(m_waiting);
    }
    for (const auto& [at, message] : waiting)
        append(at, message);
}

void AppLogger::append(Instant at, std::string_view message) const
{
    std::string entry = "[" + m_calendar.formatPattern(at, "HH:mm:ss") + "] ";
    entry.append(message);
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > capacity)
        m_entries.pop_front();
}

} // namespace brivet
