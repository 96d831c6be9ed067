#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace brivet {

class Clock;
class UserCalendar;

// Where log lines go besides the in-memory list (journald in the app).
class LogSink {
public:
    virtual ~LogSink() = default;
    // Writes one message; must not fail.
    virtual void write(std::string_view message) = 0;
};

// Short diagnostic lines about the application's own actions.
class AppLogger {
public:
    static constexpr std::size_t capacity = 200;

    AppLogger(const Clock& clock, const UserCalendar& calendar, std::unique_ptr<LogSink> sink = nullptr);
    ~AppLogger();

    void log(std::string_view message);
    // The most recent entries, oldest first, each "[HH:mm:ss] message".
    const std::deque<std::string>& entries() const { return m_entries; }

private:
    const Clock& m_clock;
    const UserCalendar& m_calendar;
    std::unique_ptr<LogSink> m_sink;
    std::deque<std::string> m_entries;
};

// journald with the subsystem and category as fields. Each line also goes
// to standard error, as "brivet: message", when that is a terminal, when
// no journal socket exists, or when the journal does not take the line, so
// a run from a shell or without a systemd session keeps its diagnostics.
std::unique_ptr<LogSink> makeJournaldSink();
// The same with its outlets given: `journal` sends one message and says
// whether it arrived; `journalSocket` is the path whose absence means there
// is no journal; `stderrFd` is where mirrored lines go.
std::unique_ptr<LogSink> makeJournaldSink(
    std::function<bool(std::string_view)> journal, const std::string& journalSocket, int stderrFd);

} // namespace brivet
