#include "model/AppLogger.h"

#include "model/Clock.h"
#include "model/UserCalendar.h"

namespace brivet {

AppLogger::AppLogger(const Clock& clock, const UserCalendar& calendar, std::unique_ptr<LogSink> sink)
    : m_clock(clock)
    , m_calendar(calendar)
    , m_sink(std::move(sink))
{
}

AppLogger::~AppLogger() = default;

void AppLogger::log(std::string_view message)
{
    if (m_sink)
        m_sink->write(message);
    std::string entry = "[" + m_calendar.formatPattern(m_clock.now(), "HH:mm:ss") + "] ";
    entry.append(message);
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > capacity)
        m_entries.pop_front();
}

} // namespace brivet
