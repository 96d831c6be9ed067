#include "QtTestMain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>

namespace {

// The offscreen platform says so for every window hint it lacks.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
    // Run again by a test of its own on a private X server: only the tests
    // that need one, on that display.
    bool underX = argc > 1 && std::strcmp(argv[1], brivet::testing::underXFlag) == 0;
    if (underX) {
        for (int i = 1; i + 1 < argc; ++i)
            argv[i] = argv[i + 1];
        --argc;
    }
    ::testing::InitGoogleTest(&argc, argv);
    // Widgets, icons and the tray item need a widget application; ctest
    // runs on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    if (underX) {
        brivet::testing::registerTestsUnderX();
        GTEST_FLAG_SET(filter, std::string(brivet::testing::underXSuite) + ".*");
    }
    return RUN_ALL_TESTS();
}
