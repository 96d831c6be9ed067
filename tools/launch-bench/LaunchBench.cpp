// Measures the app's launch against a bare Qt program, each run under an X
// server of its own:
//   brivet-launch-bench [--runs N] [--idle-seconds S] [--no-tray] [--no-session-bus]
//                       [--output FILE] <bin dir>
// For every case it prints the medians of: exec until the first window of
// the process is mapped, the process's CPU time and minor page faults up to
// that moment, its resident memory 3 s after exec, the shared objects it
// has mapped by then (and whether the Evolution Data Server client
// libraries are among them), and (first run only) the CPU ticks it uses
// while idle afterwards. The runs of the cases take turns, so a burst of
// load on the machine spreads over all of them instead of one. With
// --output the table and the verdicts are also written to FILE as Markdown.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    int runs = 5;
    int idleSeconds = 10;
    bool tray = true;
    bool sessionBus = true;
    fs::path binaries;
    fs::path output;
};

struct Case {
    std::string name;
    fs::path program;
    // The notes file copied into the data folder before each run; empty:
    // an empty data folder.
    fs::path notesFile;
};

struct Sample {
    double firstWindowMs = NAN;
    double cpuMs = NAN;
    double rssMb = NAN;
    long minorFaults = -1;
    long idleTicks = -1;
    long sharedObjects = -1;
    bool edsMapped = false;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Fields of /proc/<pid>/stat after the command name.
std::vector<std::string> statFields(pid_t pid)
{
    std::string text = slurp("/proc/" + std::to_string(pid) + "/stat");
    std::vector<std::string> fields;
    auto close = text.rfind(')');
    if (close == std::string::npos)
        return fields;
    std::istringstream rest(text.substr(close + 2));
    for (std::string field; rest >> field;)
        fields.push_back(field);
    return fields;
}

// minflt is field 10 and utime, stime fields 14, 15 of stat (1-based);
// fields[0] is field 3.
long minorFaults(pid_t pid)
{
    auto fields = statFields(pid);
    return fields.size() > 7 ? std::stol(fields[7]) : -1;
}

long cpuTicks(pid_t pid)
{
    auto fields = statFields(pid);
    return fields.size() > 12 ? std::stol(fields[11]) + std::stol(fields[12]) : -1;
}

// CPU time of the whole process so far, in milliseconds: the process clock
// counts threads that have already ended, which the per-thread figures under
// /proc/<pid>/task no longer show, and is finer than the ticks of stat.
double cpuMilliseconds(pid_t pid)
{
    clockid_t clock;
    timespec spent {};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &spent) != 0)
        return NAN;
    return double(spent.tv_sec) * 1e3 + double(spent.tv_nsec) / 1e6;
}

// The shared objects mapped into the process, and whether the Evolution
// Data Server client stack is among them.
std::pair<long, bool> mappedLibraries(pid_t pid)
{
    std::istringstream maps(slurp("/proc/" + std::to_string(pid) + "/maps"));
    std::vector<std::string> objects;
    bool eds = false;
    for (std::string line; std::getline(maps, line);) {
        auto slash = line.find('/');
        if (slash == std::string::npos || line.find(".so", slash) == std::string::npos)
            continue;
        std::string path = line.substr(slash);
        for (const char* library : { "libecal-", "libedataserver-", "libical", "libcamel-" })
            eds = eds || path.find(library) != std::string::npos;
        if (std::find(objects.begin(), objects.end(), path) == objects.end())
            objects.push_back(path);
    }
    return { long(objects.size()), eds };
}

double rssMegabytes(pid_t pid)
{
    std::istringstream status(slurp("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return NAN;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
    int keepFd = -1)
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const auto& [name, value] : env) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    if (keepFd != STDOUT_FILENO)
        dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// An Xvfb on a free display, with a connection that hears every top-level
// window being mapped.
class XServer {
public:
    bool start()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return false;
        m_pid = fork();
        if (m_pid == 0) {
            close(pipeFds[0]);
            dup2(pipeFds[1], STDOUT_FILENO);
            int null = open("/dev/null", O_RDWR);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp", nullptr);
            _exit(127);
        }
        close(pipeFds[1]);
        std::string number;
        pollfd wait { pipeFds[0], POLLIN, 0 };
        while (number.find('\n') == std::string::npos && poll(&wait, 1, 15000) > 0) {
            char buffer[32];
            ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            number.append(buffer, size_t(got));
        }
        close(pipeFds[0]);
        if (number.find('\n') == std::string::npos)
            return false;
        m_display = ":" + number.substr(0, number.find('\n'));
        m_connection = xcb_connect(m_display.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_intern_atom_reply_t* atom
            = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, 11, "_NET_WM_PID"), nullptr);
        m_pidAtom = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(atom);
        xcb_flush(m_connection);
        return true;
    }

    ~XServer()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        stop(m_pid);
    }

    const std::string& display() const { return m_display; }

    // Waits until a top-level window is mapped; with `pid`, only a window
    // whose _NET_WM_PID names it counts. False on time-out.
    bool waitForMap(std::optional<pid_t> pid, Clock::time_point deadline)
    {
        int fd = xcb_get_file_descriptor(m_connection);
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                bool found = false;
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    found = !pid || windowPid(map->window) == *pid;
                }
                std::free(event);
                if (found)
                    return true;
            }
            if (xcb_connection_has_error(m_connection))
                return false;
            pollfd wait { fd, POLLIN, 0 };
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            poll(&wait, 1, int(std::clamp<long long>(left, 0, 100)));
        }
        return false;
    }

private:
    long windowPid(xcb_window_t window)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        long pid = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = long(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
        std::free(reply);
        return pid;
    }

    pid_t m_pid = -1;
    std::string m_display;
    xcb_connection_t* m_connection = nullptr;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
};

// A time zone in which it is now early morning. A first launch on an empty
// folder shows only the today board, made from the two sample notes due in
// 6 and 12 hours; in the evening they fall due tomorrow, no board is made and
// the launch maps no window at all. Early in the day the empty-folder case
// shows the same first card whatever the hour the benchmark runs.
std::string earlyMorningTimeZone()
{
    std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    int offset = 6 - utc.tm_hour; // hours east of UTC that make it 06:xx
    if (offset < -12)
        offset += 24;
    // The Etc zones count west of UTC: Etc/GMT-10 is ten hours east.
    if (offset == 0)
        return "Etc/UTC";
    return offset > 0 ? "Etc/GMT-" + std::to_string(offset) : "Etc/GMT+" + std::to_string(-offset);
}

std::optional<Sample> measure(const Case& which, const Options& options, bool withIdle)
{
    XServer server;
    if (!server.start()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return std::nullopt;
    }
    char home[] = "/tmp/brivet-launch-XXXXXX";
    if (!mkdtemp(home))
        return std::nullopt;
    fs::path homePath(home);
    fs::create_directories(homePath / "data" / "Brivet");
    fs::create_directories(homePath / "runtime");
    fs::permissions(homePath / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    if (!which.notesFile.empty())
        fs::copy_file(which.notesFile, homePath / "data" / "Brivet" / "notes.json");

    std::vector<std::pair<std::string, std::string>> env { { "DISPLAY", server.display() }, { "HOME", homePath.string() },
        { "XDG_DATA_HOME", (homePath / "data").string() }, { "XDG_CONFIG_HOME", (homePath / "config").string() },
        { "XDG_RUNTIME_DIR", (homePath / "runtime").string() }, { "DBUS_SESSION_BUS_ADDRESS", "" },
        { "QT_QPA_PLATFORM", "" }, { "WAYLAND_DISPLAY", "" }, { "TZ", earlyMorningTimeZone() } };

    // A session bus of its own, as every desktop session has: without one,
    // libdbus tries to launch a bus on each connection attempt, a cost no
    // user pays.
    pid_t bus = -1;
    if (options.sessionBus) {
        const fs::path socket = homePath / "runtime" / "bus";
        const std::string address = "unix:path=" + socket.string();
        bus = spawn({ "dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address }, env);
        const auto busDeadline = Clock::now() + std::chrono::seconds(5);
        while (!fs::exists(socket) && Clock::now() < busDeadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        env.push_back({ "DBUS_SESSION_BUS_ADDRESS", address });
    }

    // A tray host, as on a desktop: the app's tray icon is embedded in it
    // and the app shows its cards and no other window.
    pid_t tray = -1;
    bool isApp = which.program.filename() == "brivet";
    if (isApp && options.tray) {
        tray = spawn({ "trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24" }, env);
        if (!server.waitForMap(std::nullopt, Clock::now() + std::chrono::seconds(10))) {
            std::fprintf(stderr, "trayer did not map a window\n");
            stop(tray);
            tray = -1;
        }
    }

    Sample sample;
    Clock::time_point start = Clock::now();
    pid_t pid = spawn({ which.program.string() }, env);
    if (server.waitForMap(pid, start + std::chrono::seconds(30))) {
        sample.firstWindowMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        sample.minorFaults = minorFaults(pid);
        sample.cpuMs = cpuMilliseconds(pid);
    } else {
        std::fprintf(stderr, "%s: no window within 30 s\n", which.name.c_str());
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(3));
    sample.rssMb = rssMegabytes(pid);
    std::tie(sample.sharedObjects, sample.edsMapped) = mappedLibraries(pid);
    if (withIdle && options.idleSeconds > 0) {
        long before = cpuTicks(pid);
        std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
        sample.idleTicks = cpuTicks(pid) - before;
    }
    stop(pid);
    stop(tray);
    stop(bus);
    std::error_code ignored;
    fs::remove_all(homePath, ignored);
    return sample;
}

template <typename T, typename F>
double median(const std::vector<T>& samples, F field)
{
    std::vector<double> values;
    for (const T& sample : samples)
        if (double value = double(field(sample)); !std::isnan(value) && value >= 0)
            values.push_back(value);
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

fs::path generateNotes(const Options& options, int count, const fs::path& into)
{
    fs::create_directories(into);
    std::string command = (options.binaries / "brivet-generate-notes").string() + " --without-today-board " + into.string()
        + " " + std::to_string(count) + " > /dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return into / "notes.json";
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--idle-seconds" && i + 1 < argc)
            options.idleSeconds = std::max(0, std::atoi(argv[++i]));
        else if (arg == "--no-tray")
            options.tray = false;
        else if (arg == "--no-session-bus")
            options.sessionBus = false;
        else if (arg == "--output" && i + 1 < argc)
            options.output = argv[++i];
        else
            options.binaries = arg;
    }
    if (options.binaries.empty() || !fs::exists(options.binaries / "brivet")) {
        std::fprintf(stderr, "usage: %s [--runs N] [--idle-seconds S] [--no-tray] [--no-session-bus] [--output FILE] <folder with brivet>\n",
            argv[0]);
        return 2;
    }
    char scratch[] = "/tmp/brivet-launch-notes-XXXXXX";
    if (!mkdtemp(scratch))
        return 1;
    fs::path notes(scratch);

    std::vector<Case> cases { { "bare Qt, one frameless window", options.binaries / "brivet-launch-bare", {} },
        { "brivet, empty data folder", options.binaries / "brivet", {} },
        { "brivet, 1,000 notes", options.binaries / "brivet", generateNotes(options, 1000, notes / "1000") },
        { "brivet, 10,000 notes", options.binaries / "brivet", generateNotes(options, 10000, notes / "10000") } };

    // Round by round, every case once per round.
    std::vector<std::vector<Sample>> samples(cases.size());
    for (int run = 0; run < options.runs; ++run)
        for (size_t c = 0; c < cases.size(); ++c)
            if (auto sample = measure(cases[c], options, run == 0))
                samples[c].push_back(*sample);

    struct Row {
        std::string name;
        double firstMs, firstMinMs, firstMaxMs, cpuMs, rssMb, faults, idleTicks, fileMb, objects;
        bool eds;
    };
    std::vector<Row> rows;
    for (size_t c = 0; c < cases.size(); ++c) {
        const std::vector<Sample>& got = samples[c];
        const Case& which = cases[c];
        double fileMb = which.notesFile.empty() ? 0 : double(fs::file_size(which.notesFile)) / 1e6;
        double lowest = NAN, highest = NAN;
        for (const Sample& s : got) {
            if (std::isnan(s.firstWindowMs))
                continue;
            lowest = std::isnan(lowest) ? s.firstWindowMs : std::min(lowest, s.firstWindowMs);
            highest = std::isnan(highest) ? s.firstWindowMs : std::max(highest, s.firstWindowMs);
        }
        rows.push_back({ which.name, median(got, [](const Sample& s) { return s.firstWindowMs; }), lowest, highest,
            median(got, [](const Sample& s) { return s.cpuMs; }), median(got, [](const Sample& s) { return s.rssMb; }),
            median(got, [](const Sample& s) { return double(s.minorFaults); }),
            median(got, [](const Sample& s) { return double(s.idleTicks); }), fileMb,
            median(got, [](const Sample& s) { return double(s.sharedObjects); }),
            std::any_of(got.begin(), got.end(), [](const Sample& s) { return s.edsMapped; }) });
    }
    std::error_code ignored;
    fs::remove_all(notes, ignored);

    std::string report;
    auto print = [&report](const char* format, auto... values) {
        char line[512];
        std::snprintf(line, sizeof line, format, values...);
        report += line;
    };
    const Row& bare = rows[0];
    print("Medians of %d runs, each under its own Xvfb%s.\n\n", options.runs,
        options.tray ? " (the app with a tray host)" : "");
    print("| case | notes file | exec → first window | RSS after 3 s | CPU to first window | minor faults | shared objects "
          "(EDS) | idle CPU ticks in %d s |\n",
        options.idleSeconds);
    print("|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows) {
        char file[32] = "—";
        if (row.fileMb > 0)
            std::snprintf(file, sizeof file, "%.1f MB", row.fileMb);
        print("| %s | %s | %.0f ms (%.2f×) | %.1f MiB (%.2f×) | %.0f ms (%.2f×) | %.0f | %.0f (%s) | %.0f |\n",
            row.name.c_str(), file, row.firstMs, row.firstMs / bare.firstMs, row.rssMb, row.rssMb / bare.rssMb, row.cpuMs,
            row.cpuMs / bare.cpuMs, row.faults, row.objects, row.eds ? "yes" : "no", row.idleTicks);
    }
    print("\nFirst window, fastest–slowest run:");
    for (const Row& row : rows)
        print(" %s %.0f–%.0f ms;", row.name.c_str(), row.firstMinMs, row.firstMaxMs);
    report.back() = '.';
    report += '\n';

    // The targets the app is held to.
    const Row& empty = rows[1];
    const Row& large = rows[3];
    auto verdict = [](bool ok) { return ok ? "met" : "MISSED"; };
    print("\nTargets:\n");
    print("- empty folder, first window ≤ 1.3 × bare: %.2f× (%s)\n", empty.firstMs / bare.firstMs,
        verdict(empty.firstMs <= 1.3 * bare.firstMs));
    print("- 10,000 notes, first card ≤ 2 × bare: %.2f× (%s)\n", large.firstMs / bare.firstMs,
        verdict(large.firstMs <= 2 * bare.firstMs));
    double faultBudget = empty.faults + 2 * (large.fileMb * 1e6 / 4096);
    print("- 10,000 notes, faults ≤ empty + 2 × file/4 KiB = %.0f: %.0f (%s)\n", faultBudget, large.faults,
        verdict(large.faults <= faultBudget));
    double rssBudget = empty.rssMb + 2 * large.fileMb * 1e6 / (1024 * 1024);
    print("- 10,000 notes, RSS ≤ empty + 2 × file = %.1f MiB: %.1f MiB (%s)\n", rssBudget, large.rssMb,
        verdict(large.rssMb <= rssBudget));
    print("- idle: %.0f ticks in %d s for the 10,000-note app (%s)\n", large.idleTicks, options.idleSeconds,
        verdict(large.idleTicks == 0));
    print("- no Evolution Data Server library mapped with sync off: %s\n",
        verdict(!rows[1].eds && !rows[2].eds && !rows[3].eds));

    std::fputs(report.c_str(), stdout);
    if (!options.output.empty()) {
        std::ofstream out(options.output);
        out << report;
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", options.output.c_str());
            return 1;
        }
    }
    return 0;
}
