#include "support/TempDir.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

QString runTool(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(1000);
        *exitCode = -1;
        return QStringLiteral("timed out");
    }
    *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAll());
}

// `cmake --install` into a fresh prefix: the program, an entry that names
// it by its full path, offers the actions and passes the validator, the
// bus's service file, the icons and AppStream metadata the store tools
// accept.
TEST(Install, PrefixGetsTheProgramEntryIconsAndMetadata)
{
    if (!QFileInfo::exists(QStringLiteral(BRIVET_BINARY_DIR "/bin/brivet")))
        GTEST_SKIP() << "the app is not built";
    TempDir prefix;
    int code = 0;
    QString output = runTool("cmake", { "--install", BRIVET_BINARY_DIR, "--prefix", QString::fromStdString(prefix.path().string()) }, &code);
    ASSERT_EQ(code, 0) << output.toStdString();

    fs::path root = prefix.path();
    EXPECT_TRUE(fs::exists(root / "bin/brivet"));
    fs::path entry = root / "share/applications/com.brivet.Brivet.desktop";
    ASSERT_TRUE(fs::exists(entry));
    std::string text = readFile(entry);
    EXPECT_NE(text.find("Exec=" + (root / "bin/brivet").string() + "\n"), std::string::npos) << text;
    for (const char* line : { "Name=悬笺\n", "Icon=com.brivet.Brivet\n", "Categories=Utility;\n", "StartupWMClass=Brivet\n",
             "DBusActivatable=true\n", "Actions=new-note;today-board;open-dashboard;toggle-notes;\n",
             "[Desktop Action new-note]\nName=新建悬笺\n", "[Desktop Action today-board]\nName=生成今日桌面板\n",
             "[Desktop Action open-dashboard]\nName=打开控制台\n", "[Desktop Action toggle-notes]\nName=显示或隐藏桌面悬笺\n" })
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // Activation over the bus starts the installed program, under the
    // entry's id.
    fs::path service = root / "share/dbus-1/services/com.brivet.Brivet.service";
    ASSERT_TRUE(fs::exists(service));
    EXPECT_EQ(readFile(service),
        "[D-BUS Service]\nName=com.brivet.Brivet\nExec=" + (root / "bin/brivet").string() + "\n");
    for (const char* size : { "16x16", "32x32", "48x48", "128x128", "256x256", "512x512" })
        EXPECT_TRUE(fs::exists(root / "share/icons/hicolor" / size / "apps/com.brivet.Brivet.png")) << size;
    EXPECT_TRUE(fs::exists(root / "share/icons/hicolor/scalable/apps/com.brivet.Brivet.svg"));
    fs::path metainfo = root / "share/metainfo/com.brivet.Brivet.metainfo.xml";
    ASSERT_TRUE(fs::exists(metainfo));
#ifdef BRIVET_EDS_MODULE_FROM_PROGRAM
    // The sync module where the installed program looks for it, a library
    // that opens with everything it needs and offers the store.
    fs::path module = (root / "bin" / BRIVET_EDS_MODULE_FROM_PROGRAM).lexically_normal();
    ASSERT_TRUE(fs::exists(module)) << module;
    void* library = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    EXPECT_NE(::dlsym(library, "brivet_eds_create_event_store"), nullptr);
    // Left open: the GLib types it brought in cannot be unloaded.
#endif

    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        output = runTool("desktop-file-validate", { QString::fromStdString(entry.string()) }, &code);
        EXPECT_EQ(code, 0) << output.toStdString();
        EXPECT_TRUE(output.trimmed().isEmpty()) << output.toStdString();
    }
    if (!QStandardPaths::findExecutable("appstreamcli").isEmpty()) {
        output = runTool("appstreamcli", { "validate", "--no-net", QString::fromStdString(metainfo.string()) }, &code);
        EXPECT_EQ(code, 0) << output.toStdString();
    }
}

} // namespace
