#include "DesktopUnderX.h"

#include "app/XSession.h"
#include "support/RequiredServices.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

namespace brivet::testing {
namespace {

// The tests that need a real X server and window manager: this program
// runs itself again on a private Xvfb with openbox, where only those run.
TEST(DesktopUnderX, PointerClicksAndCompositorChangesUnderOpenbox)
{
    if (std::string missing = XSession::missingTools({ "Xvfb", "openbox", "xdotool" }); !missing.empty()) {
        BRIVET_SKIP_WITHOUT_SERVICE(missing);
    }
    XSession session;
    ASSERT_EQ(session.startServer(), "");
    if (std::string failure = session.startWindowManager(); !failure.empty()) {
        BRIVET_SKIP_WITHOUT_SERVICE(failure);
    }
    QProcess child;
    QProcessEnvironment environment = session.environment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), { QString::fromLatin1(underXFlag) });
    ASSERT_TRUE(child.waitForStarted(5000));
    bool finished = child.waitForFinished(120000);
    QByteArray output = child.readAll();
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    // Every test of the suite ran there: none skipped, none filtered away.
    EXPECT_TRUE(output.contains("[  PASSED  ]")) << output.toStdString();
    EXPECT_FALSE(output.contains("[  SKIPPED ]")) << output.toStdString();
    EXPECT_FALSE(output.contains("[  PASSED  ] 0 tests")) << output.toStdString();
}

} // namespace
} // namespace brivet::testing
