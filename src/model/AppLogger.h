#pragma once

#include "model/Instant.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

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

// Short diagnostic lines about the application's own actions. Belongs to
// the thread that creates it; log() may also be called from other threads
// (the save writer): their lines reach the sink at once and join the list,
// stamped with the time they were logged, when its own thread next logs or
// reads the list.
class AppLogger {
public:
    static constexpr std::size_t capacity = 200;

    AppLogger(const Clock& clock, const UserCalendar& calendar, std::unique_ptr<LogSink> sink = nullptr);
    ~AppLogger();

    void log(std::string_view message);
    // The most recent entries, oldest first, each "[HH:mm:ss] message".
    // Only on the logger's own thread.
    const std::deque<std::string>& entries() const;

private:
    void append(Instant at, std::string_view message) const;
    void takeLinesFromOtherThreads() const;

    const Clock& m_clock;
    const UserCalendar& m_calendar;
    std::unique_ptr<LogSink> m_sink;
    const std::thread::id m_owner;
    mutable std::deque<std::string> m_entries;
    mutable std::mutex m_mutex; // guards the sink and m_waiting
    mutable std::vector<std::pair<Instant, std::string>> m_waiting;
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
