#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brivet::testing {

// One user's machine syncing with a CalDAV server: a child process of this
// test program (see CalDavHomeAgent) with its own temporary HOME, private
// session bus and EDS, and an AppState syncing a "caldav" task list. EDS's
// clients keep their session bus for the life of a process, so two homes
// in one test need two processes.
class CalDavHome {
public:
    // A note of the home's app as it reports it.
    struct Note {
        std::string title;
        std::string details;
        bool completed = false;
        std::optional<long long> dueSeconds;
        int priority = 0; // NotePriority's value
        std::string externalId;
    };

    explicit CalDavHome(std::string name)
        : m_name(std::move(name)) { }
    ~CalDavHome();
    CalDavHome(const CalDavHome&) = delete;
    CalDavHome& operator=(const CalDavHome&) = delete;

    // Starts the child on the collection at `collectionUrl`; empty on
    // success, else what went wrong.
    std::optional<std::string> start(const std::string& collectionUrl);
    // Asks the child to end and waits for it (killing it after a while).
    // False when it had to be killed or ended with an error (a sanitizer's
    // report, say); true when it ended cleanly or was not running.
    bool stop();

    // Sends one command line; the reply's lines without their "> ", or
    // nothing with `failed` set when no full reply came within `timeout`.
    std::vector<std::string> command(const std::string& line, std::chrono::seconds timeout = std::chrono::seconds(60));

    // A note that syncs to the shared list.
    void add(const std::string& title, const std::string& details, int priority, long long dueSeconds);
    // Changes a field ("title", "completed" with "0"/"1", "details") of the
    // note with this title.
    void edit(const std::string& title, const std::string& field, const std::string& value);
    // One sync started by hand; the status text the app shows after it.
    std::string sync();
    // Makes EDS fetch the collection until its copy is exactly `versions`
    // ("UID=ETag"); false when it never got there.
    bool refresh(const std::vector<std::string>& versions);
    // The actions the app's sync log records for its last sync, as
    // "kind: title: reason".
    std::vector<std::string> lastLoggedActions();
    // The notes that are linked to reminders or sync to them.
    std::vector<Note> notes();
    // What the last sync reported: reminders imported and written.
    int lastImported() const { return m_imported; }
    int lastWritten() const { return m_written; }

    const std::string& name() const { return m_name; }
    bool failed() const { return m_failed; }
    const std::string& lastError() const { return m_lastError; }

private:
    std::string m_name;
    pid_t m_pid = 0;
    int m_toChild = -1;
    int m_fromChild = -1;
    std::string m_buffer;
    bool m_failed = false;
    std::string m_lastError;
    int m_imported = -1;
    int m_written = -1;
};

} // namespace brivet::testing
