#pragma once

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace brivet::testing {

// Iterates the default GLib main context until `condition` holds or
// `timeout` passes; true when the condition held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A private Evolution Data Server: a session bus of its own in a temporary
// HOME (with the XDG folders inside it) from which the source registry and
// the calendar factory start on demand. This process's environment points
// at that bus while the sandbox runs. Stopping it ends every process the
// bus started and removes the folder.
class EdsSandbox {
public:
    EdsSandbox() = default;
    ~EdsSandbox();
    EdsSandbox(const EdsSandbox&) = delete;
    EdsSandbox& operator=(const EdsSandbox&) = delete;

    // Why the sandbox cannot run here (a missing dbus-daemon or EDS), if so.
    static std::optional<std::string> missingTools();

    // Empty on success, else what went wrong.
    std::optional<std::string> start();
    void stop();

    struct SourceSettings {
        std::string uid;
        std::string displayName;
        bool taskList = true; // else an event calendar
        std::string backend = "local";
        std::optional<std::string> color;
        // For a "caldav" source: the collection's URL. Such a source keeps
        // a full copy of the collection for offline use.
        std::string webdavUri = {};
    };
    // Commits a new source and waits until the registry lists it.
    std::optional<std::string> addSource(const SourceSettings& settings);

    // An open client of a list, for checking and preparing its contents
    // behind the store's back; owned by the sandbox.
    ECalClient* client(const std::string& uid, bool taskList = true);

    // Kills the calendar factory (SIGKILL, as a crash would) and waits until
    // it is gone, without running the main context; the sandbox's own
    // clients of it go too. The bus starts a
    // new factory when a client next asks for one. How many processes
    // were killed.
    int killCalendarFactory();
    // Kills the source registry service the same way; the bus starts it
    // again when a client next asks for it. How many processes were killed.
    int killSourceRegistry();

    ESourceRegistry* registry() const { return m_registry; }
    const std::filesystem::path& home() const { return m_home; }
    const std::string& busAddress() const { return m_busAddress; }

private:
    void endBusProcesses();
    int killServices(const std::string& program);

    std::filesystem::path m_root;
    std::filesystem::path m_home;
    std::string m_busAddress;
    GPid m_busPid = 0;
    ESourceRegistry* m_registry = nullptr;
    std::vector<std::pair<std::string, ECalClient*>> m_clients;
};

} // namespace brivet::testing
