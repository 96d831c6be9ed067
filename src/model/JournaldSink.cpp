#include "model/AppLogger.h"

#ifdef BRIVET_HAVE_SYSTEMD
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#endif

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace brivet {

namespace {

constexpr const char* defaultJournalSocket = "/run/systemd/journal/socket";

bool sendToJournal(std::string_view message)
{
#ifdef BRIVET_HAVE_SYSTEMD
    std::string text(message);
    return sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=6", "SUBSYSTEM=com.brivet.app", "CATEGORY=general",
               "SYSLOG_IDENTIFIER=brivet", nullptr)
        >= 0;
#else
    (void)message;
    return false;
#endif
}

class JournaldSink final : public LogSink {
public:
    JournaldSink(std::function<bool(std::string_view)> journal, int stderrFd, bool mirror)
        : m_journal(std::move(journal))
        , m_stderr(stderrFd)
        , m_mirror(mirror)
    {
    }

    void write(std::string_view message) override
    {
        bool delivered = m_journal && m_journal(message);
        if (!m_mirror && delivered)
            return;
        // One write per line, so lines of several threads or processes on
        // the same terminal do not interleave; a failure changes nothing.
        std::string line = "brivet: ";
        line.append(message);
        line.push_back('\n');
        std::size_t done = 0;
        while (done < line.size()) {
            ssize_t written = ::write(m_stderr, line.data() + done, line.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;
            done += std::size_t(written);
        }
    }

private:
    std::function<bool(std::string_view)> m_journal;
    int m_stderr;
    bool m_mirror;
};

} // namespace

std::unique_ptr<LogSink> makeJournaldSink()
{
    return makeJournaldSink(sendToJournal, defaultJournalSocket, STDERR_FILENO);
}

std::unique_ptr<LogSink> makeJournaldSink(
    std::function<bool(std::string_view)> journal, const std::string& journalSocket, int stderrFd)
{
    struct stat info {};
    bool journalPresent = ::stat(journalSocket.c_str(), &info) == 0;
    bool mirror = ::isatty(stderrFd) == 1 || !journalPresent;
    return std::make_unique<JournaldSink>(std::move(journal), stderrFd, mirror);
}

} // namespace brivet
