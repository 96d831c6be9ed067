#include "CalDavHome.h"

#include "CalDavHomeProtocol.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace brivet::testing {

CalDavHome::~CalDavHome() { stop(); }

std::optional<std::string> CalDavHome::start(const std::string& collectionUrl)
{
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
        return std::string("cannot make pipes");
    const pid_t pid = fork();
    if (pid < 0)
        return std::string("cannot fork");
    if (pid == 0) {
        // No death signal: a test that dies closes the pipe, and the home
        // ends its EDS on the end of its input, which a kill would leave
        // running.
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        execl("/proc/self/exe", "caldav-home", "--caldav-home", collectionUrl.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    m_pid = pid;
    m_toChild = input[1];
    m_fromChild = output[0];
    const std::vector<std::string> greeting = command("", std::chrono::seconds(60));
    if (greeting.size() == 1 && greeting[0] == "ready")
        return std::nullopt;
    std::string why = m_failed ? m_lastError : "";
    for (const auto& line : greeting)
        why += line + " ";
    stop();
    return m_name + " did not start: " + why;
}

bool CalDavHome::stop()
{
    if (m_pid <= 0)
        return true;
    const std::string quit = "quit\n";
    (void)!write(m_toChild, quit.data(), quit.size());
    close(m_toChild);
    // Ending its EDS takes a few seconds at most.
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < 1500 && !ended; ++waited) {
        ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    close(m_fromChild);
    m_pid = 0;
    m_toChild = m_fromChild = -1;
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> CalDavHome::command(const std::string& line, std::chrono::seconds timeout)
{
    std::vector<std::string> reply;
    if (m_pid <= 0) {
        m_failed = true;
        m_lastError = m_name + " is not running";
        return reply;
    }
    // The empty line is the greeting the home sends unasked.
    if (!line.empty()) {
        const std::string message = line + "\n";
        if (write(m_toChild, message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
            m_failed = true;
            m_lastError = m_name + " does not read its commands";
            return reply;
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        std::size_t end;
        while ((end = m_buffer.find('\n')) != std::string::npos) {
            const std::string received = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            if (received == ">.")
                return reply;
            if (received.rfind("> ", 0) == 0)
                reply.push_back(received.substr(2));
        }
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable { m_fromChild, POLLIN, 0 };
        char buffer[4096];
        ssize_t count = 0;
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0
            || (count = read(m_fromChild, buffer, sizeof buffer)) <= 0) {
            m_failed = true;
            m_lastError = m_name + (count < 0 || left.count() <= 0 ? " did not answer in time: " : " ended: ") + line;
            return {};
        }
        m_buffer.append(buffer, static_cast<std::size_t>(count));
    }
}

void CalDavHome::add(const std::string& title, const std::string& details, int priority, long long dueSeconds)
{
    command("add\t" + caldavhome::escaped(title) + "\t" + caldavhome::escaped(details) + "\t" + std::to_string(priority)
        + "\t" + std::to_string(dueSeconds));
}

void CalDavHome::edit(const std::string& title, const std::string& field, const std::string& value)
{
    command("edit\t" + caldavhome::escaped(title) + "\t" + field + "\t" + caldavhome::escaped(value));
}

std::string CalDavHome::sync()
{
    m_imported = m_written = -1;
    std::string status;
    for (const std::string& line : command("sync", std::chrono::seconds(100))) {
        const auto parts = caldavhome::fields(line);
        if (parts.size() == 2 && parts[0] == "status")
            status = parts[1];
        else if (parts.size() == 3 && parts[0] == "report") {
            m_imported = std::stoi(parts[1]);
            m_written = std::stoi(parts[2]);
        }
    }
    return status;
}

bool CalDavHome::refresh(const std::vector<std::string>& versions)
{
    std::string line = "refresh";
    for (const auto& version : versions)
        line += "\t" + version;
    const auto reply = command(line);
    if (reply.size() == 1 && reply[0] == "ok")
        return true;
    m_lastError = m_name + " refresh: ";
    for (const auto& part : reply)
        m_lastError += part + " ";
    return false;
}

std::vector<std::string> CalDavHome::lastLoggedActions()
{
    std::vector<std::string> actions;
    for (const std::string& line : command("log")) {
        const auto parts = caldavhome::fields(line);
        if (parts.size() == 4 && parts[0] == "action")
            actions.push_back(parts[1] + ": " + parts[2] + ": " + parts[3]);
    }
    return actions;
}

std::vector<CalDavHome::Note> CalDavHome::notes()
{
    std::vector<Note> result;
    for (const std::string& line : command("notes")) {
        const auto parts = caldavhome::fields(line);
        if (parts.size() != 7 || parts[0] != "note")
            continue;
        Note note;
        note.title = parts[1];
        note.details = parts[2];
        note.completed = parts[3] == "1";
        if (parts[4] != "-")
            note.dueSeconds = std::stoll(parts[4]);
        note.priority = std::stoi(parts[5]);
        note.externalId = parts[6] == "-" ? "" : parts[6];
        result.push_back(note);
    }
    return result;
}

} // namespace brivet::testing
