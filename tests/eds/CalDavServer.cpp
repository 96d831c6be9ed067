#include "CalDavServer.h"

#include <glib.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <regex>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brivet::testing {

namespace {

constexpr const char* serverProgram = "radicale";

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string programPath()
{
    gchar* found = g_find_program_in_path(serverProgram);
    std::string path = found ? found : "";
    g_free(found);
    return path;
}

} // namespace

CalDavServer::CalDavServer()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "brivet-caldav-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        m_root = pattern;
        m_storage = m_root / "storage";
        m_logFile = m_root / "server.log";
        std::filesystem::create_directories(m_storage / "collection-root");
    }
}

CalDavServer::~CalDavServer()
{
    stop();
    std::error_code error;
    if (!m_root.empty())
        std::filesystem::remove_all(m_root, error);
}

std::optional<std::string> CalDavServer::missingTools()
{
    if (programPath().empty())
        return std::string("radicale is not installed");
    return std::nullopt;
}

bool CalDavServer::stopAnswering()
{
    stop();
    m_silentSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    setsockopt(m_silentSocket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The kernel completes the connections in the backlog; nothing ever
    // reads them.
    if (m_silentSocket < 0 || bind(m_silentSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(m_silentSocket, 64) != 0) {
        stop();
        return false;
    }
    return true;
}

std::optional<std::string> CalDavServer::start()
{
    if (m_silentSocket >= 0) {
        close(m_silentSocket);
        m_silentSocket = -1;
    }
    if (m_pid > 0)
        return std::nullopt;
    if (auto missing = missingTools())
        return missing;
    if (m_root.empty())
        return std::string("cannot create a temporary folder");
    const std::string program = programPath();
    // Port 0 the first time: the system picks a free one and the server
    // says which in its log.
    const std::string hosts = "127.0.0.1:" + std::to_string(m_port);
    const std::string folder = m_storage.string();
    const std::size_t logStart = readFile(m_logFile).size();
    const int logFd = open(m_logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFd < 0)
        return std::string("cannot open the server's log");

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(logFd);
        return std::string("cannot fork");
    }
    if (pid == 0) {
        // A test that dies takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        dup2(logFd, STDOUT_FILENO);
        dup2(logFd, STDERR_FILENO);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        // An empty --config: no system or user configuration file is read.
        execl(program.c_str(), program.c_str(), "--config", "", "--server-hosts", hosts.c_str(),
            "--storage-filesystem-folder", folder.c_str(), "--auth-type", "none", "--rights-type", "authenticated",
            "--web-type", "none", "--logging-level", "info", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(logFd);
    m_pid = pid;

    static const std::regex listening(R"(Listening on '\[127\.0\.0\.1\]:([0-9]+)')");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = readFile(m_logFile).substr(logStart);
        std::smatch match;
        if (text.find("server ready") != std::string::npos && std::regex_search(text, match, listening)) {
            m_port = std::stoi(match[1]);
            return std::nullopt;
        }
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = 0;
            return "radicale ended at start: " + text;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop();
    return std::string("radicale never said it was ready");
}

void CalDavServer::stop()
{
    if (m_silentSocket >= 0) {
        close(m_silentSocket);
        m_silentSocket = -1;
    }
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    for (int waited = 0; waited < 300; ++waited) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = 0;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}

std::string CalDavServer::addTaskCollection(
    const std::string& user, const std::string& name, const std::string& displayName)
{
    const std::filesystem::path folder = collectionFolder(user, name);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / ".Radicale.props", std::ios::binary)
        << R"({"C:supported-calendar-component-set": "VTODO", "D:displayname": ")" << displayName
        << R"(", "tag": "VCALENDAR"})";
    return collectionUrl(user, name);
}

std::string CalDavServer::collectionUrl(const std::string& user, const std::string& name) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + user + "/" + name + "/";
}

std::filesystem::path CalDavServer::collectionFolder(const std::string& user, const std::string& name) const
{
    return m_storage / "collection-root" / user / name;
}

std::map<std::string, std::string> CalDavServer::items(const std::string& user, const std::string& name) const
{
    std::map<std::string, std::string> result;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(collectionFolder(user, name), error)) {
        const std::string fileName = entry.path().filename();
        if (entry.is_regular_file() && fileName.front() != '.')
            result[fileName] = readFile(entry.path());
    }
    return result;
}

std::map<std::string, std::string> CalDavServer::storageSnapshot() const
{
    std::map<std::string, std::string> result;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(m_storage, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string fileName = it->path().filename();
        if (fileName == ".Radicale.cache" || fileName == ".Radicale.lock") {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        const std::string relative = std::filesystem::relative(it->path(), m_storage).string();
        result[relative] = it->is_regular_file() ? readFile(it->path()) : std::string("<folder>");
    }
    return result;
}

void CalDavServer::putItemFile(
    const std::string& user, const std::string& name, const std::string& fileName, const std::string& ical)
{
    std::ofstream(collectionFolder(user, name) / fileName, std::ios::binary) << ical;
}

int CalDavServer::request(const std::string& method, const std::string& path, std::chrono::milliseconds timeout) const
{
    const int socketFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0)
        return 0;
    timeval limit { static_cast<time_t>(timeout.count() / 1000),
        static_cast<suseconds_t>((timeout.count() % 1000) * 1000) };
    setsockopt(socketFd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(socketFd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = 0;
    if (connect(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string message = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_port)
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        if (send(socketFd, message.data(), message.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(message.size())) {
            std::string response;
            char buffer[1024];
            ssize_t count = 0;
            while (response.find("\r\n") == std::string::npos && (count = recv(socketFd, buffer, sizeof buffer, 0)) > 0)
                response.append(buffer, static_cast<std::size_t>(count));
            // "HTTP/1.1 200 OK"
            if (response.rfind("HTTP/", 0) == 0 && response.find(' ') != std::string::npos)
                status = std::atoi(response.c_str() + response.find(' ') + 1);
        }
    }
    close(socketFd);
    return status;
}

int CalDavServer::requestCount(const std::string& method) const
{
    const std::string text = log();
    const std::string marker = "] " + method + " request for '";
    int count = 0;
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + marker.size()))
        ++count;
    return count;
}

int CalDavServer::writeRequestCount() const
{
    int count = 0;
    for (const char* method : { "PUT", "DELETE", "MOVE", "PROPPATCH", "MKCOL", "MKCALENDAR" })
        count += requestCount(method);
    return count;
}

std::string CalDavServer::log() const { return readFile(m_logFile); }

std::string unfoldedProperty(std::string ical, const std::string& name)
{
    for (const char* fold : { "\r\n ", "\n " }) {
        for (std::size_t at; (at = ical.find(fold)) != std::string::npos;)
            ical.erase(at, std::string(fold).size());
    }
    const std::string marker = "\n" + name + ":";
    const auto at = ical.find(marker);
    if (at == std::string::npos)
        return {};
    const auto end = ical.find_first_of("\r\n", at + marker.size());
    return ical.substr(at + marker.size(), end - at - marker.size());
}

} // namespace brivet::testing
