#include "model/AppLogger.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace brivet::testing {
namespace {

// Reads what has been written to a descriptor so far.
std::string drain(int fd)
{
    std::string text;
    char buffer[512];
    ssize_t count;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(count));
    return text;
}

class Pipe {
public:
    Pipe()
    {
        EXPECT_EQ(::pipe(m_fds), 0);
        ::fcntl(m_fds[0], F_SETFL, O_NONBLOCK);
    }
    ~Pipe()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    int writeEnd() const { return m_fds[1]; }
    std::string read() const { return drain(m_fds[0]); }

private:
    int m_fds[2] { -1, -1 };
};

class DiagnosticsTest : public ::testing::Test {
protected:
    // A path standing in for a running journal's socket.
    std::string presentSocket() const
    {
        writeFile(dir.path() / "socket", "");
        return (dir.path() / "socket").string();
    }
    std::string absentSocket() const { return (dir.path() / "no-journal").string(); }

    std::function<bool(std::string_view)> journal(bool accepts)
    {
        return [this, accepts](std::string_view message) {
            journaled.emplace_back(message);
            return accepts;
        };
    }

    TempDir dir;
    std::vector<std::string> journaled;
};

TEST_F(DiagnosticsTest, WithoutAJournalLinesGoToStandardError)
{
    Pipe err;
    std::unique_ptr<LogSink> sink = makeJournaldSink(journal(false), absentSocket(), err.writeEnd());
    sink->write("kept the unreadable notes file as notes.json.unreadable-20261207T070604Z");
    sink->write("second line");
    EXPECT_EQ(err.read(), "brivet: kept the unreadable notes file as notes.json.unreadable-20261207T070604Z\n"
                          "brivet: second line\n");
}

TEST_F(DiagnosticsTest, ARunningJournalKeepsThemOffAPipedStandardError)
{
    Pipe err;
    std::unique_ptr<LogSink> sink = makeJournaldSink(journal(true), presentSocket(), err.writeEnd());
    sink->write("saved");
    EXPECT_EQ(journaled, std::vector<std::string> { "saved" });
    EXPECT_EQ(err.read(), "");

    // A journal that stops taking lines does not lose them.
    std::unique_ptr<LogSink> refusing = makeJournaldSink(journal(false), presentSocket(), err.writeEnd());
    refusing->write("journal full");
    EXPECT_EQ(err.read(), "brivet: journal full\n");
}

TEST_F(DiagnosticsTest, ATerminalSeesTheLinesAsWellAsTheJournal)
{
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ::fcntl(master, F_SETFL, O_NONBLOCK);

    std::unique_ptr<LogSink> sink = makeJournaldSink(journal(true), presentSocket(), terminal);
    sink->write("sync finished");
    EXPECT_EQ(journaled.size(), 1u);
    std::string shown;
    for (int attempt = 0; attempt < 100 && shown.find('\n') == std::string::npos; ++attempt) {
        shown += drain(master);
        if (shown.find('\n') == std::string::npos)
            ::usleep(1000);
    }
    // The terminal turns the line end into a carriage return and a newline.
    EXPECT_EQ(shown.substr(0, shown.find_first_of("\r\n")), "brivet: sync finished");
    ::close(terminal);
    ::close(master);
}

} // namespace
} // namespace brivet::testing
