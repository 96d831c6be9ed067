#include "app/InstanceSocket.h"
#include "model/DataFolder.h"
#include "model/NoteCoding.h"
#include "support/NoteGenerator.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <variant>
#include <vector>
#include <set>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

QString appPath()
{
    return QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet");
}

// Runs the real app against a private data folder, without a display.
class AppProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(appPath()))
            GTEST_SKIP() << "the app is not built";
        fs::create_directories(home.path() / "data");
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(home.path().string()));
        env.insert("XDG_DATA_HOME", QString::fromStdString((home.path() / "data").string()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime().string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        return env;
    }

    void start(QProcess& process) const
    {
        process.setProcessEnvironment(environment());
        process.start(appPath(), {});
        ASSERT_TRUE(process.waitForStarted(5000));
    }

    fs::path folder() const { return home.path() / "data" / "Brivet"; }
    fs::path runtime() const { return home.path() / "runtime"; }
    // Where the app listens for later launches.
    fs::path socket() const
    {
        auto directory = brivet::InstanceSocket::directory(runtime());
        auto path = directory ? brivet::InstanceSocket::path(*directory, brivet::DataFolder(folder())) : std::nullopt;
        return path.value_or(fs::path());
    }
    static sockaddr_un addressOf(const fs::path& path)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        return address;
    }
    // A socket file nobody listens on, or (keepListening) one that queues
    // connections but never takes them, as a stopped or hung process would.
    // Not inherited by the app, so closing it here closes it.
    int bindSocket(const fs::path& path, bool keepListening) const
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = addressOf(path);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd, 4), 0);
        if (keepListening)
            return fd;
        ::close(fd);
        return -1;
    }
    // Connects to `path` until its listener's queue has no room left; the
    // connections, to close at the end.
    static std::vector<int> fillQueue(const fs::path& path)
    {
        std::vector<int> connections;
        sockaddr_un address = addressOf(path);
        for (;;) {
            int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                EXPECT_EQ(errno, EAGAIN) << "stopped before the queue was full";
                ::close(fd);
                return connections;
            }
            connections.push_back(fd);
        }
    }

    bool waitForFile(const fs::path& path) const
    {
        return QTest::qWaitFor([&] { return fs::exists(path); }, 10000);
    }

    // Waits until `path` has gone unwritten for `quiet` (a launch writes
    // more than once, and a slow build takes seconds for it).
    static bool waitUntilSettled(const fs::path& path, std::chrono::milliseconds quiet)
    {
        auto last = fs::last_write_time(path);
        auto since = std::chrono::steady_clock::now();
        return QTest::qWaitFor(
            [&] {
                auto now = fs::last_write_time(path);
                if (now != last) {
                    last = now;
                    since = std::chrono::steady_clock::now();
                }
                return std::chrono::steady_clock::now() - since >= quiet;
            },
            20000);
    }

    static void stop(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }

    // The shared objects mapped into a running process.
    static std::string mappedObjects(const QProcess& process)
    {
        return readFile(fs::path("/proc") / std::to_string(process.processId()) / "maps");
    }

    TempDir home;
};

TEST_F(AppProcess, FirstStartWritesPrivateFilesAndQuitsCleanlyOnSigterm)
{
    QProcess app;
    start(app);
    ASSERT_TRUE(waitForFile(folder() / "preferences.json"));
    ASSERT_TRUE(waitForFile(folder() / "notes.json"));
    EXPECT_EQ(fs::status(folder()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder() / "notes.json").permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(readFile(folder() / "notes.json").find("会议纪要"), std::string::npos);

    ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(5000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
}

TEST_F(AppProcess, SecondLaunchHandsOverPastAStaleSocketAndLeavesTheFilesAlone)
{
    // A socket left behind by an instance that was killed.
    fs::create_directories(folder());
    fs::path stale = socket();
    ASSERT_FALSE(stale.empty());
    bindSocket(stale, false);
    ASSERT_TRUE(fs::is_socket(stale));

    QProcess first;
    start(first);
    ASSERT_TRUE(waitForFile(folder() / "notes.json"));
    // The samples are written at once, the launch task's changes a moment
    // after the first cards, and under a slow build that moment is seconds:
    // a quiet file alone does not say the launch is over. A hand-over that
    // is answered does: the first instance's event loop runs, past the
    // launch task queued before it, and only its delayed save is left.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QProcess probe;
        start(probe);
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }, 30000));
    ASSERT_TRUE(waitUntilSettled(folder() / "notes.json", std::chrono::milliseconds(1500)));
    auto stamp = fs::last_write_time(folder() / "notes.json");
    std::string before = readFile(folder() / "notes.json");
    std::string preferencesBefore = readFile(folder() / "preferences.json");

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(fs::last_write_time(folder() / "notes.json"), stamp);
    EXPECT_EQ(readFile(folder() / "notes.json"), before);
    EXPECT_EQ(readFile(folder() / "preferences.json"), preferencesBefore);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Only the user may enter the socket's folder.
    EXPECT_EQ(fs::status(stale.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    stop(first);
    EXPECT_FALSE(fs::exists(stale)) << "the socket goes with the instance";
}

// A holder of the folder that never takes the connection, as a stopped or
// hung instance: while its queue has room the request waits there, once it
// is full nobody can even connect. Either way the launch gives up within
// its six seconds and says why.
TEST_F(AppProcess, LockHolderThatDoesNotAnswerTurnsTheLaunchAwayWithinSeconds)
{
    fs::create_directories(folder());
    auto lock = brivet::FolderLock::acquire(brivet::DataFolder(folder()));
    ASSERT_TRUE(std::holds_alternative<brivet::FolderLock>(lock));
    int hung = bindSocket(socket(), true);
    std::vector<int> queued;
    for (bool fullQueue : { false, true }) {
        if (fullQueue)
            queued = fillQueue(socket());
        QProcess second;
        start(second);
        ASSERT_TRUE(second.waitForFinished(9000)) << (fullQueue ? "full queue" : "room in the queue");
        EXPECT_EQ(second.exitCode(), 2);
        EXPECT_NE(QString::fromUtf8(second.readAllStandardError()).indexOf("already running"), -1);
        EXPECT_FALSE(fs::exists(folder() / "notes.json")) << "nothing written by the launch that was turned away";
    }
    for (int fd : queued)
        ::close(fd);
    ::close(hung);
}

// An instance that is quitting stops answering, then lets go of the folder
// a moment later: the launch that asked it starts in its place.
TEST_F(AppProcess, LaunchWhileTheRunningInstanceQuitsStartsInItsPlace)
{
    fs::create_directories(folder());
    std::optional<std::variant<brivet::FolderLock, brivet::Status>> lock(
        brivet::FolderLock::acquire(brivet::DataFolder(folder())));
    ASSERT_TRUE(std::holds_alternative<brivet::FolderLock>(*lock));
    int quitting = bindSocket(socket(), true);

    QProcess second;
    start(second);
    pollfd request { quitting, POLLIN, 0 };
    ASSERT_EQ(::poll(&request, 1, 5000), 1) << "the launch asked";
    // Closed with the request unanswered, the folder let go of after.
    ::close(quitting);
    QTest::qWait(200);
    lock.reset();

    ASSERT_TRUE(waitForFile(folder() / "notes.json")) << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.state(), QProcess::Running);
    stop(second);
    EXPECT_EQ(second.exitCode(), 0);
}

TEST_F(AppProcess, UnreadableNotesFileIsKeptAside)
{
    fs::create_directories(folder());
    writeFile(folder() / "notes.json", "{ this is not json");
    QProcess app;
    start(app);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (auto& entry : fs::directory_iterator(folder()))
            if (entry.path().filename().string().starts_with("notes.json.unreadable-"))
                return true;
        return false;
    }, 10000));
    // The launch goes on with the samples and writes a fresh file.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return fs::exists(folder() / "notes.json") && readFile(folder() / "notes.json").find("\"notes\"") != std::string::npos;
    }, 10000));
    stop(app);
    for (auto& entry : fs::directory_iterator(folder())) {
        if (entry.path().filename().string().starts_with("notes.json.unreadable-")) {
            EXPECT_EQ(readFile(entry.path()), "{ this is not json");
        }
    }
    EXPECT_NE(readFile(folder() / "notes.json").find("\"notes\""), std::string::npos) << "the launch went on with samples";
}

// A user who never syncs never pays for the Evolution Data Server client
// libraries; one with automatic sync gets them loaded from the module once
// the app is up.
TEST_F(AppProcess, TheSyncLibrariesAreLoadedOnlyWhenSyncIsWanted)
{
    const char* syncLibraries[] = { "libecal", "libedataserver", "libical", "libsoup", "brivet-eds" };
    {
        QProcess app;
        start(app);
        ASSERT_TRUE(waitForFile(folder() / "preferences.json"));
        // Past the moment a deferred subscription would load the module.
        QTest::qWait(2500);
        std::string maps = mappedObjects(app);
        ASSERT_NE(maps.find("libQt6Core"), std::string::npos) << "the maps of the app were read";
        for (const char* library : syncLibraries)
            EXPECT_EQ(maps.find(library), std::string::npos) << library << " is mapped with sync off";
        stop(app);
    }

    std::string preferences = readFile(folder() / "preferences.json");
    for (const char* key : { "\"autoSyncEnabled\" : false", "\"hasActivatedSync\" : false" }) {
        auto at = preferences.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        preferences.replace(at, std::strlen(key), std::string(key, std::strlen(key) - 5) + "true");
    }
    writeFile(folder() / "preferences.json", preferences);

    QProcess app;
    start(app);
    // Read while the module is being opened, the maps can hold it before
    // the libraries it needs: wait for both.
    std::string maps;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        maps = mappedObjects(app);
        return maps.find("brivet-eds.so") != std::string::npos && maps.find("libecal") != std::string::npos;
    }, 10000)) << "the module was not loaded for automatic sync";
    EXPECT_NE(maps.find("libecal"), std::string::npos);
    stop(app);
    EXPECT_EQ(app.exitCode(), 0) << "a store without a session bus ends cleanly";
}

// However early or late in the launch the app is killed, the notes file
// holds every note (the launch save replaces it whole, or not at all).
TEST_F(AppProcess, AKillAtAnyMomentOfTheLaunchLosesNoNote)
{
    const QString generator = QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet-generate-notes");
    if (!QFileInfo::exists(generator))
        GTEST_SKIP() << "the notes generator is not built";
    fs::path original = home.path() / "original";
    ASSERT_EQ(QProcess::execute(generator, { "--without-today-board", QString::fromStdString(original.string()), "3000" }), 0);
    const std::string bytes = readFile(original / "notes.json");
    auto decoded = brivet::decodeNotesFile(bytes, brivet::Instant {});
    ASSERT_TRUE(std::holds_alternative<std::vector<brivet::StickyNote>>(decoded));
    std::set<std::string> ids;
    for (const brivet::StickyNote& note : std::get<std::vector<brivet::StickyNote>>(decoded))
        ids.insert(note.id.toString());

    for (int delayMs : { 30, 150, 400, 650, 900, 1400 }) {
        fs::create_directories(folder());
        writeFile(folder() / "notes.json", bytes);
        QProcess app;
        start(app);
        QTest::qWait(delayMs);
        app.kill();
        ASSERT_TRUE(app.waitForFinished(5000));
        auto after = brivet::decodeNotesFile(readFile(folder() / "notes.json"), brivet::Instant {});
        ASSERT_TRUE(std::holds_alternative<std::vector<brivet::StickyNote>>(after)) << "killed after " << delayMs << " ms";
        std::set<std::string> kept;
        for (const brivet::StickyNote& note : std::get<std::vector<brivet::StickyNote>>(after))
            kept.insert(note.id.toString());
        EXPECT_TRUE(std::includes(kept.begin(), kept.end(), ids.begin(), ids.end())) << "killed after " << delayMs << " ms";
        fs::remove_all(folder());
    }
}

TEST_F(AppProcess, OneBadNoteAmongThousandsIsNamedInTheLogAndItsFileKeptByteForByte)
{
    std::vector<brivet::StickyNote> notes = generateRealisticNotes(3000, brivet::Instant {} + std::chrono::hours(500000), 3);
    notes[2000].title = "MEND-ME";
    std::string bytes = brivet::encodeNotesFile(notes);
    const std::size_t marker = bytes.find("\"MEND-ME\"");
    ASSERT_NE(marker, std::string::npos);
    bytes.replace(marker, std::string("\"MEND-ME\"").size(), "[]");
    fs::create_directories(folder());
    writeFile(folder() / "notes.json", bytes);

    QProcess app;
    start(app);
    fs::path aside;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (auto& entry : fs::directory_iterator(folder()))
            if (entry.path().filename().string().starts_with("notes.json.unreadable-"))
                aside = entry.path();
        return !aside.empty();
    }, 10000));
    stop(app);
    EXPECT_TRUE(readFile(aside) == bytes) << "the kept file differs from the one the user edited";
    // Without a journal the log lines go to standard error.
    if (!fs::exists("/run/systemd/journal/socket")) {
        const std::string log = app.readAllStandardError().toStdString();
        EXPECT_NE(log.find("notes.json cannot be read: note 2000 (line "), std::string::npos) << log;
        EXPECT_NE(log.find("title: expected a string"), std::string::npos) << log;
    }
}

} // namespace
