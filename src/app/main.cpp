#include "app/BrivetShell.h"
#include "app/InstanceSocket.h"
#include "app/LaunchWarmUp.h"
#include "app/SignalWatcher.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "model/UserCalendar.h"

#include <QApplication>
#include <QScopeGuard>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>

#include <pthread.h>

using namespace brivet;

int main(int argc, char* argv[])
{
    // Termination signals wait until they can be handled as a clean quit:
    // blocked here, so every thread started from now on (the notes reader,
    // Qt's own) keeps them blocked, and let through on this thread once the
    // watcher is in place.
    sigset_t termination;
    sigemptyset(&termination);
    for (int number : { SIGTERM, SIGINT, SIGHUP })
        sigaddset(&termination, number);
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);

    // Cards place themselves with absolute coordinates and window-manager
    // hints, which Wayland clients cannot do; XWayland can.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    // The folder is taken before anything else, so a second instance leaves
    // at once and touches nothing.
    DataFolder folder = DataFolder::forCurrentUser();
    if (Status status = folder.ensureExists(); !status.ok()) {
        std::fprintf(stderr, "brivet: cannot use the data folder %s: %s\n", folder.path().c_str(), status.message().c_str());
        return 1;
    }
    std::optional<std::filesystem::path> socket;
    if (auto directory = InstanceSocket::directory())
        socket = InstanceSocket::path(*directory, folder);
    auto lock = FolderLock::acquire(folder);
    if (auto* failure = std::get_if<Status>(&lock)) {
        // Another instance owns the folder: it brings its dashboard forward
        // and this launch is done. One that does not answer is hung, or not
        // ours to talk to; say so and leave.
        // Nothing is written from here on: a signal may end this launch.
        pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
        using namespace std::chrono_literals;
        if (socket && InstanceSocket::requestDashboard(*socket, 2s, 3s) == InstanceSocket::HandOver::accepted)
            return 0;
        std::fprintf(stderr, "brivet: %s\n", failure->message().c_str());
        return 2;
    }
    // Reading the notes, preparing the calendar and reading the font
    // configuration overlap with connecting to the display.
    auto notes = JsonNoteRepository::readInBackground(folder);
    LaunchWarmUp warmUp;

    QApplication app(argc, argv);
    warmUp.applicationStarted();
    // The thread is done with the application before it goes.
    auto joinWarmUp = qScopeGuard([&warmUp] { warmUp.join(); });
    QApplication::setApplicationName("Brivet");
    // No display name: Qt would append it to every window title, and the
    // dashboard is titled "悬笺控制台" and each card after its note.
    QApplication::setOrganizationName("Brivet");
    QApplication::setDesktopFileName("com.brivet.Brivet");
    QApplication::setQuitOnLastWindowClosed(false);

    SignalWatcher watcher;
    pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
    BrivetShell shell(folder, std::move(notes), warmUp.calendar());
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &shell, [&shell] { shell.quit(); });
    shell.startInterface();
    shell.acceptHandOvers(socket);
    return app.exec();
}
