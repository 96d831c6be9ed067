#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

namespace brivet::testing {

// The value of an iCalendar property in `ical`, its folded lines joined;
// empty when it is absent.
std::string unfoldedProperty(std::string ical, const std::string& name);

// A real CalDAV server (Debian's radicale) on a free loopback port, with a
// storage folder and a request log of its own in a temporary folder; no
// authentication, every path writable. Stopping it ends the process;
// destroying it also removes the folder.
class CalDavServer {
public:
    CalDavServer();
    ~CalDavServer();
    CalDavServer(const CalDavServer&) = delete;
    CalDavServer& operator=(const CalDavServer&) = delete;

    // Why the server cannot run here (radicale is not installed), if so.
    static std::optional<std::string> missingTools();

    // Empty on success, else what went wrong. The first start picks a free
    // port; a start after stop() listens on the same one again, so that
    // clients find the server where they left it.
    std::optional<std::string> start();
    // Ends the server (SIGTERM, then SIGKILL) and waits for it.
    void stop();
    bool isRunning() const { return m_pid > 0; }
    // Ends the server and holds its port with a socket that takes every
    // connection and never answers, as a server that hangs does; start()
    // or stop() lets go of it. False when the port cannot be held.
    bool stopAnswering();

    // Creates an empty task collection (VTODO only) at /<user>/<name>/ in
    // the storage; radicale reads its storage at every request, so this
    // works while it runs. The collection's URL.
    std::string addTaskCollection(const std::string& user, const std::string& name, const std::string& displayName);
    // http://127.0.0.1:<port>/<user>/<name>/
    std::string collectionUrl(const std::string& user, const std::string& name) const;
    std::filesystem::path collectionFolder(const std::string& user, const std::string& name) const;

    // The items of a collection by file name, with the bytes stored.
    std::map<std::string, std::string> items(const std::string& user, const std::string& name) const;
    // Every file of the storage by relative path, with its bytes; radicale's
    // own memo of what clients asked (.Radicale.cache: item caches and the
    // sync-token history a read may add to) and its lock file are left out,
    // since reads may touch them without any data changing.
    std::map<std::string, std::string> storageSnapshot() const;
    // Writes an item file straight into a collection, as another client's
    // upload would leave it.
    void putItemFile(const std::string& user, const std::string& name, const std::string& fileName, const std::string& ical);

    // Sends a bodiless request (DELETE, say) to a path on the server; the
    // HTTP status, or 0 when the server could not be reached.
    int request(const std::string& method, const std::string& path,
        std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    // How many requests with this method the log shows since the start.
    int requestCount(const std::string& method) const;
    // How many requests that change the storage (PUT, DELETE, MOVE,
    // PROPPATCH, MKCOL, MKCALENDAR) the log shows.
    int writeRequestCount() const;
    std::string log() const;
    int port() const { return m_port; }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_storage;
    std::filesystem::path m_logFile;
    int m_port = 0;
    pid_t m_pid = 0;
    int m_silentSocket = -1;
};

} // namespace brivet::testing
