#include "EdsSandbox.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace brivet::testing {

namespace {

constexpr const char* registryBinary = "/usr/libexec/evolution-source-registry";
constexpr const char* calendarBinary = "/usr/libexec/evolution-calendar-factory";
constexpr const char* addressBookBinary = "/usr/libexec/evolution-addressbook-factory";
constexpr const char* systemServices = "/usr/share/dbus-1/services";

struct ServiceFile {
    const char* name;
    const char* binary;
};
constexpr ServiceFile services[] = {
    { "org.gnome.evolution.dataserver.Sources5", registryBinary },
    { "org.gnome.evolution.dataserver.Calendar8", calendarBinary },
    { "org.gnome.evolution.dataserver.AddressBook10", addressBookBinary },
};

bool isExecutable(const char* path) { return access(path, X_OK) == 0; }

// Stops the shared session connection from raising SIGTERM in this process
// when the private bus goes away.
void keepProcessWhenBusCloses()
{
    if (GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        g_object_unref(connection);
    }
}

// The processes (other than this one) whose environment carries `marker`.
std::vector<pid_t> processesWithEnvironment(const std::string& marker)
{
    std::vector<pid_t> result;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid())
            continue;
        std::ifstream environ(entry.path() / "environ", std::ios::binary);
        std::string variable;
        while (std::getline(environ, variable, '\0')) {
            if (variable == marker) {
                result.push_back(pid);
                break;
            }
        }
    }
    return result;
}

bool isGone(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat)
        return true;
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || (close + 2 < line.size() && line[close + 2] == 'Z');
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // A ticker so that conditions that raise no main-loop event (a process
    // ending) are looked at again.
    const guint ticker = g_timeout_add(10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    bool held = condition();
    while (!held && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
        held = condition();
    }
    g_source_remove(ticker);
    return held;
}

EdsSandbox::~EdsSandbox() { stop(); }

std::optional<std::string> EdsSandbox::missingTools()
{
    gchar* daemon = g_find_program_in_path("dbus-daemon");
    const bool haveDaemon = daemon != nullptr;
    g_free(daemon);
    if (!haveDaemon)
        return std::string("dbus-daemon is not installed");
    for (const char* binary : { registryBinary, calendarBinary }) {
        if (!isExecutable(binary))
            return std::string(binary) + " is not installed (evolution-data-server)";
    }
    return std::nullopt;
}

std::optional<std::string> EdsSandbox::start()
{
    if (auto missing = missingTools())
        return missing;

    std::string pattern = (std::filesystem::temp_directory_path() / "brivet-eds-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return std::string("cannot create a temporary folder");
    m_root = pattern;
    m_home = m_root / "home";
    const std::filesystem::path runtime = m_root / "runtime";
    std::error_code error;
    for (const auto& folder : { m_home / ".local/share", m_home / ".config", m_home / ".cache", runtime })
        std::filesystem::create_directories(folder, error);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, error);

    setenv("HOME", m_home.c_str(), 1);
    setenv("XDG_DATA_HOME", (m_home / ".local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_home / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (m_home / ".cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // No dconf service on the private bus; EDS reads its defaults from
    // memory instead.
    setenv("GSETTINGS_BACKEND", "memory", 1);

    // Where the system lacks the EDS service files, the private bus gets its
    // own, from the user's service folder it also reads.
    const std::filesystem::path userServices = m_home / ".local/share/dbus-1/services";
    for (const ServiceFile& service : services) {
        const std::string file = std::string(service.name) + ".service";
        if (std::filesystem::exists(std::filesystem::path(systemServices) / file) || !isExecutable(service.binary))
            continue;
        std::filesystem::create_directories(userServices, error);
        std::ofstream(userServices / file) << "[D-BUS Service]\nName=" << service.name << "\nExec=" << service.binary << "\n";
    }

    // Orphaned services (whose parent, the bus, ends first) come back to
    // this process to be reaped.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    gchar* argv[] = { const_cast<gchar*>("dbus-daemon"), const_cast<gchar*>("--session"), const_cast<gchar*>("--nofork"),
        const_cast<gchar*>("--print-address=1"), nullptr };
    gint output = -1;
    GError* spawnError = nullptr;
    const gboolean spawned = g_spawn_async_with_pipes(m_root.c_str(), argv, nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
        // Its own process group, so that it and what it starts end together.
        [](gpointer) { setpgid(0, 0); }, nullptr, &m_busPid, nullptr, &output, nullptr, &spawnError);
    if (!spawned) {
        std::string message = std::string("cannot start dbus-daemon: ") + spawnError->message;
        g_clear_error(&spawnError);
        return message;
    }

    std::string address;
    pollfd readable { output, POLLIN, 0 };
    char buffer[512];
    while (address.find('\n') == std::string::npos && poll(&readable, 1, 5000) > 0) {
        const ssize_t count = read(output, buffer, sizeof buffer);
        if (count <= 0)
            break;
        address.append(buffer, static_cast<std::size_t>(count));
    }
    close(output);
    if (address.find('\n') == std::string::npos)
        return std::string("dbus-daemon printed no address");
    m_busAddress = address.substr(0, address.find('\n'));
    setenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.c_str(), 1);
    keepProcessWhenBusCloses();

    GError* registryError = nullptr;
    m_registry = e_source_registry_new_sync(nullptr, &registryError);
    if (!m_registry) {
        std::string message = std::string("the source registry did not start: ") + registryError->message;
        g_clear_error(&registryError);
        return message;
    }
    return std::nullopt;
}

std::optional<std::string> EdsSandbox::addSource(const SourceSettings& settings)
{
    GError* error = nullptr;
    ESource* source = e_source_new_with_uid(settings.uid.c_str(), nullptr, &error);
    if (!source) {
        std::string message = error->message;
        g_clear_error(&error);
        return message;
    }
    e_source_set_display_name(source, settings.displayName.c_str());
    e_source_set_parent(source,
        settings.backend == "webcal"       ? "webcal-stub"
            : settings.backend == "caldav" ? "caldav-stub"
                                           : "local-stub");
    auto* extension = e_source_get_extension(source, settings.taskList ? E_SOURCE_EXTENSION_TASK_LIST : E_SOURCE_EXTENSION_CALENDAR);
    e_source_backend_set_backend_name(E_SOURCE_BACKEND(extension), settings.backend.c_str());
    if (settings.color)
        e_source_selectable_set_color(E_SOURCE_SELECTABLE(extension), settings.color->empty() ? nullptr : settings.color->c_str());
    if (settings.backend == "webcal") {
        // Nothing listens there; the subscription never loads.
        auto* webdav = E_SOURCE_WEBDAV(e_source_get_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND));
        GUri* uri = g_uri_parse("http://127.0.0.1:9/none.ics", G_URI_FLAGS_NONE, nullptr);
        e_source_webdav_set_uri(webdav, uri);
        g_uri_unref(uri);
    }
    if (settings.backend == "caldav") {
        auto* webdav = E_SOURCE_WEBDAV(e_source_get_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND));
        GUri* uri = g_uri_parse(settings.webdavUri.c_str(), G_URI_FLAGS_NONE, nullptr);
        e_source_webdav_set_uri(webdav, uri);
        if (uri)
            g_uri_unref(uri);
        auto* offline = E_SOURCE_OFFLINE(e_source_get_extension(source, E_SOURCE_EXTENSION_OFFLINE));
        e_source_offline_set_stay_synchronized(offline, TRUE);
    }
    const gboolean committed = e_source_registry_commit_source_sync(m_registry, source, nullptr, &error);
    g_object_unref(source);
    if (!committed) {
        std::string message = error->message;
        g_clear_error(&error);
        return message;
    }
    const bool listed = waitUntil([&] {
        ESource* found = e_source_registry_ref_source(m_registry, settings.uid.c_str());
        if (found)
            g_object_unref(found);
        return found != nullptr;
    });
    if (!listed)
        return "the registry never listed " + settings.uid;
    return std::nullopt;
}

ECalClient* EdsSandbox::client(const std::string& uid, bool taskList)
{
    for (const auto& [known, client] : m_clients) {
        if (known == uid)
            return client;
    }
    ESource* source = e_source_registry_ref_source(m_registry, uid.c_str());
    if (!source)
        return nullptr;
    GError* error = nullptr;
    EClient* client = nullptr;
    // The factory hears of a new source a moment after the registry does.
    waitUntil([&] {
        g_clear_error(&error);
        client = e_cal_client_connect_sync(source,
            taskList ? E_CAL_CLIENT_SOURCE_TYPE_TASKS : E_CAL_CLIENT_SOURCE_TYPE_EVENTS, static_cast<guint32>(-1), nullptr, &error);
        return client || !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
    });
    g_object_unref(source);
    if (!client) {
        g_printerr("cannot open %s: %s\n", uid.c_str(), error->message);
        g_clear_error(&error);
        return nullptr;
    }
    m_clients.emplace_back(uid, E_CAL_CLIENT(client));
    return E_CAL_CLIENT(client);
}

void EdsSandbox::stop()
{
    for (auto& [uid, client] : m_clients)
        g_object_unref(client);
    m_clients.clear();
    if (m_registry) {
        g_object_unref(m_registry);
        m_registry = nullptr;
    }
    if (m_busPid) {
        keepProcessWhenBusCloses();
        endBusProcesses();
        m_busPid = 0;
    }
    if (!m_root.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
        m_root.clear();
    }
}

int EdsSandbox::killCalendarFactory() { return killServices("evolution-calendar-factory"); }

int EdsSandbox::killSourceRegistry() { return killServices("evolution-source-registry"); }

int EdsSandbox::killServices(const std::string& program)
{
    std::vector<pid_t> factories;
    for (pid_t pid : processesWithEnvironment("HOME=" + m_home.string())) {
        std::ifstream command("/proc/" + std::to_string(pid) + "/cmdline");
        std::string text((std::istreambuf_iterator<char>(command)), std::istreambuf_iterator<char>());
        if (text.find(program) != std::string::npos && !isGone(pid))
            factories.push_back(pid);
    }
    for (pid_t pid : factories)
        kill(pid, SIGKILL);
    // Waited for without running the main context: the caller's clients
    // hear of the death only when it next runs, as they would had it
    // happened between two of its calls.
    for (int waited = 0; waited < 500; ++waited) {
        if (std::all_of(factories.begin(), factories.end(), [](pid_t pid) { return isGone(pid); }))
            break;
        usleep(10000);
    }
    for (pid_t pid : factories)
        waitpid(pid, nullptr, WNOHANG);
    for (auto& [uid, client] : m_clients)
        g_object_unref(client);
    m_clients.clear();
    return static_cast<int>(factories.size());
}

void EdsSandbox::endBusProcesses()
{
    // Everything started on the private bus carries its HOME; some of it
    // (factory subprocesses) may have left the bus's process group.
    const std::string marker = "HOME=" + m_home.string();
    std::vector<pid_t> started = processesWithEnvironment(marker);
    started.erase(std::remove(started.begin(), started.end(), m_busPid), started.end());
    const auto isRegistry = [](pid_t pid) {
        std::ifstream command("/proc/" + std::to_string(pid) + "/cmdline");
        std::string text((std::istreambuf_iterator<char>(command)), std::istreambuf_iterator<char>());
        return text.find("evolution-source-registry") != std::string::npos;
    };
    // As orphans they come back to this process (a subreaper), which reaps
    // them so that no zombie outlives the run.
    const auto gone = [](pid_t pid) {
        if (!isGone(pid))
            return false;
        waitpid(pid, nullptr, WNOHANG);
        return true;
    };
    const auto servicesGone = [&] { return std::all_of(started.begin(), started.end(), gone); };
    // The factories first, then the registry, then the bus, so that each
    // leaves while what it talks to is still there.
    for (pid_t pid : started) {
        if (!isRegistry(pid))
            kill(pid, SIGTERM);
    }
    waitUntil([&] { return std::all_of(started.begin(), started.end(), [&](pid_t pid) { return isRegistry(pid) || gone(pid); }); },
        std::chrono::seconds(3));
    for (pid_t pid : started)
        kill(pid, SIGTERM);
    waitUntil(servicesGone, std::chrono::seconds(3));
    kill(-m_busPid, SIGTERM);

    bool busReaped = false;
    const auto allGone = [&] {
        if (!busReaped && waitpid(m_busPid, nullptr, WNOHANG) == m_busPid)
            busReaped = true;
        return busReaped && servicesGone();
    };
    const bool ended = waitUntil(allGone, std::chrono::seconds(3));
    if (!ended)
        kill(-m_busPid, SIGKILL);
    // Also whatever started while the others were ending.
    for (pid_t pid : processesWithEnvironment(marker)) {
        if (!isGone(pid))
            kill(pid, SIGKILL);
        waitpid(pid, nullptr, WNOHANG);
    }
    if (!busReaped)
        waitpid(m_busPid, nullptr, 0);
    // Zombies the bus left unreaped are this process's children now.
    waitUntil(
        [&] {
            for (pid_t pid : started)
                waitpid(pid, nullptr, WNOHANG);
            return std::none_of(started.begin(), started.end(),
                [](pid_t pid) { return std::filesystem::exists("/proc/" + std::to_string(pid)); });
        },
        std::chrono::seconds(2));
}

} // namespace brivet::testing
