#include "app/InstanceServer.h"
#include "app/InstanceSocket.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Sends raw bytes and returns what comes back before the server hangs up.
std::string sendRaw(const fs::path& socket, const std::string& bytes)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "no connection";
    }
    (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string reply;
    char buffer[64];
    ssize_t got;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, std::size_t(got));
    ::close(fd);
    return reply;
}

// Runs a blocking client on a thread while the server's loop turns here.
template<typename Call>
auto whileServing(Call call)
{
    auto result = std::async(std::launch::async, call);
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.wait_for(0ms) == std::future_status::ready; }, 10000));
    return result.get();
}

TEST(InstanceChannel, SocketFolderIsPrivateAndEachDataFolderHasItsOwnSocket)
{
    TempDir runtime;
    auto directory = InstanceSocket::directory(runtime.path());
    ASSERT_TRUE(directory);
    EXPECT_EQ(fs::status(*directory).permissions() & fs::perms::all, fs::perms::owner_all);
    auto first = InstanceSocket::path(*directory, DataFolder("/home/a/.local/share/Brivet"));
    auto second = InstanceSocket::path(*directory, DataFolder("/home/b/.local/share/Brivet"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first, InstanceSocket::path(*directory, DataFolder("/home/a/.local/share/Brivet")));

    // A folder others may enter is not used.
    TempDir open;
    fs::create_directories(open.path() / "brivet");
    fs::permissions(open.path() / "brivet", fs::perms::all, fs::perm_options::replace);
    EXPECT_FALSE(InstanceSocket::directory(open.path()));
    // Nor is a path too long for a local socket.
    EXPECT_FALSE(InstanceSocket::path(fs::path("/tmp") / std::string(120, 'x'), DataFolder("/d")));
}

TEST(InstanceChannel, ServerAnswersTheRequestAndIgnoresAnythingElse)
{
    TempDir runtime;
    fs::path socket = *InstanceSocket::path(*InstanceSocket::directory(runtime.path()), DataFolder("/data/Brivet"));
    InstanceServer server;
    ASSERT_TRUE(server.listen(socket).ok());
    QSignalSpy requests(&server, &InstanceServer::dashboardRequested);

    EXPECT_EQ(whileServing([&] { return InstanceSocket::requestDashboard(socket, 1s, 2s); }), InstanceSocket::HandOver::accepted);
    EXPECT_EQ(requests.count(), 1);

    EXPECT_EQ(whileServing([&] { return sendRaw(socket, "delete everything\n"); }), "unknown\n");
    // A flood without a line end is cut off.
    EXPECT_EQ(whileServing([&] { return sendRaw(socket, std::string(4096, 'a')); }), "");
    EXPECT_EQ(requests.count(), 1);
}

TEST(InstanceChannel, ListeningReplacesAStaleSocketButNeverAnotherFile)
{
    TempDir runtime;
    fs::path directory = *InstanceSocket::directory(runtime.path());
    fs::path socket = directory / "stale.socket";
    {
        // Left behind by an instance that is gone: bound, never unlinked.
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_EQ(InstanceSocket::requestDashboard(socket, 200ms, 200ms), InstanceSocket::HandOver::noAnswer);
    InstanceServer server;
    ASSERT_TRUE(server.listen(socket).ok());
    EXPECT_EQ(whileServing([&] { return InstanceSocket::requestDashboard(socket, 1s, 2s); }), InstanceSocket::HandOver::accepted);

    // Only the user may connect, and the file goes with the server, while
    // a file put in its place is left alone.
    EXPECT_EQ(fs::symlink_status(socket).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    {
        InstanceServer replaced;
        ASSERT_TRUE(replaced.listen(socket).ok());
        fs::remove(socket);
        writeFile(socket, "someone else's");
    }
    EXPECT_EQ(readFile(socket), "someone else's");
    fs::remove(socket);
    {
        InstanceServer again;
        ASSERT_TRUE(again.listen(socket).ok());
    }
    EXPECT_FALSE(fs::exists(socket));

    fs::path document = directory / "notes.txt";
    writeFile(document, "keep me");
    InstanceServer other;
    EXPECT_FALSE(other.listen(document).ok());
    EXPECT_EQ(readFile(document), "keep me");
}

// The notes writer and the launch warm-up make folders while the server
// starts listening; those keep the mode the user's umask gives them.
TEST(InstanceChannel, ListeningLeavesTheModeOfFilesOtherThreadsMakeAlone)
{
    TempDir runtime;
    fs::path socket = *InstanceSocket::path(*InstanceSocket::directory(runtime.path()), DataFolder("/data/Brivet"));
    fs::path made = runtime.path() / "made";
    mode_t previous = ::umask(022);
    std::atomic<bool> done = false;
    std::atomic<mode_t> oddMode = 0;
    std::thread maker([&] {
        while (!done) {
            struct stat info {};
            if (::mkdir(made.c_str(), 0777) == 0 && ::stat(made.c_str(), &info) == 0 && (info.st_mode & 07777) != 0755)
                oddMode = info.st_mode & 07777;
            ::rmdir(made.c_str());
        }
    });
    InstanceServer server;
    // Each listen is a few microseconds of exposure: many, for long enough
    // that the maker catches one.
    bool listening = true;
    for (auto until = std::chrono::steady_clock::now() + 500ms;
         listening && oddMode == 0 && std::chrono::steady_clock::now() < until;)
        listening = server.listen(socket).ok();
    done = true;
    maker.join();
    ::umask(previous);
    EXPECT_TRUE(listening);
    EXPECT_EQ(oddMode, 0) << "a folder made while listening had mode " << std::oct << oddMode;
}

} // namespace
