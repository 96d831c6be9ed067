#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

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
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(home.path().string()));
        env.insert("XDG_DATA_HOME", QString::fromStdString((home.path() / "data").string()));
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

    bool waitForFile(const fs::path& path) const
    {
        return QTest::qWaitFor([&] { return fs::exists(path); }, 10000);
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

TEST_F(AppProcess, SecondInstanceLeavesTheFilesAlone)
{
    QProcess first;
    start(first);
    ASSERT_TRUE(waitForFile(folder() / "notes.json"));
    // Let the launch task finish its writes before taking the snapshot.
    QTest::qWait(300);
    auto stamp = fs::last_write_time(folder() / "notes.json");
    std::string before = readFile(folder() / "notes.json");

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_NE(QString::fromUtf8(second.readAllStandardError()).indexOf("already"), -1);
    EXPECT_EQ(fs::last_write_time(folder() / "notes.json"), stamp);
    EXPECT_EQ(readFile(folder() / "notes.json"), before);
    stop(first);
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

} // namespace
