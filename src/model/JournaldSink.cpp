#include "model/AppLogger.h"

#ifdef BRIVET_HAVE_SYSTEMD
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#endif

#include <string>

namespace brivet {

namespace {

#ifdef BRIVET_HAVE_SYSTEMD
class JournaldSink final : public LogSink {
public:
    void write(std::string_view message) override
    {
        std::string text(message);
        // Without a journal the call fails quietly; there is nothing better to do.
        sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=6", "SUBSYSTEM=com.brivet.app", "CATEGORY=general",
            "SYSLOG_IDENTIFIER=brivet", nullptr);
    }
};
#endif

} // namespace

std::unique_ptr<LogSink> makeJournaldSink()
{
#ifdef BRIVET_HAVE_SYSTEMD
    return std::make_unique<JournaldSink>();
#else
    return nullptr;
#endif
}

} // namespace brivet
