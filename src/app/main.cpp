#include "app/ApplicationBus.h"
#include "app/BrivetShell.h"
#include "app/InstanceSocket.h"
#include "app/LaunchWarmUp.h"
#include "app/SignalWatcher.h"
#include "app/TrayController.h"
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
#include <thread>
#include <variant>

#include <pthread.h>

using namespace brivet;
using namespace std::chrono_literals;

namespace {

// A later launch waits this long for the running instance to listen (it
// takes the folder before it listens), then this long for its answer, then
// this long for the folder, which an instance that is quitting lets go of a
// moment after it stops answering: six seconds in all before it gives up.
constexpr std::chrono::milliseconds handOverConnectWindow = 2s;
constexpr std::chrono::milliseconds handOverAnswerWindow = 3s;
constexpr std::chrono::milliseconds lockReleaseWindow = 1s;
// A launch the bus started, that found the app running, waits this long for
// it to take its name (it does once its first cards are up).
constexpr std::chrono::milliseconds busOwnerWindow = 10s;

// The folder's lock, tried again until `window` has passed.
std::variant<FolderLock, Status> acquireWithin(const DataFolder& folder, std::chrono::milliseconds window)
{
    auto deadline = std::chrono::steady_clock::now() + window;
    for (;;) {
        auto lock = FolderLock::acquire(folder);
        if (std::holds_alternative<FolderLock>(lock) || std::chrono::steady_clock::now() >= deadline)
            return lock;
        std::this_thread::sleep_for(50ms);
    }
}

// The data folder's lock for this launch, or the status to exit with when
// another instance owns the folder. Called with the termination signals
// blocked, and returns with them blocked.
std::variant<FolderLock, int> ownFolder(const DataFolder& folder, const std::optional<std::filesystem::path>& socket,
    const sigset_t& termination)
{
    auto lock = FolderLock::acquire(folder);
    if (auto* held = std::get_if<FolderLock>(&lock))
        return std::move(*held);
    // The owner brings its dashboard forward and this launch is done.
    // Nothing is written while it is asked: a signal may end this launch.
    pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
    bool accepted = socket
        && InstanceSocket::requestDashboard(*socket, handOverConnectWindow, handOverAnswerWindow)
            == InstanceSocket::HandOver::accepted;
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);
    if (accepted)
        return 0;
    // One that did not answer may have been quitting, or have failed while
    // starting, and the folder is free (or about to be): this launch goes
    // on in its place rather than leave the user without the app. One that
    // still holds it is hung, or not ours to talk to; say so and leave.
    auto retried = acquireWithin(folder, lockReleaseWindow);
    if (auto* held = std::get_if<FolderLock>(&retried))
        return std::move(*held);
    std::fprintf(stderr, "brivet: %s\n", std::get<Status>(retried).message().c_str());
    return 2;
}

} // namespace

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
    auto lock = ownFolder(folder, socket, termination);
    if (int* exitStatus = std::get_if<int>(&lock)) {
        // Started by the session bus to deliver a call while the owner of
        // the folder was still starting: the bus fails that call if this
        // process leaves before the owner takes the name, and hands it to
        // the owner once it has.
        if (*exitStatus == 0 && ApplicationBus::startedByBus()) {
            pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
            QCoreApplication bus(argc, argv);
            ApplicationBus::waitForOwner(busOwnerWindow);
        }
        return *exitStatus;
    }
    // Reading the notes, preparing the calendar and reading the font
    // configuration overlap with connecting to the display.
    auto notes = JsonNoteRepository::readInBackground(folder);
    LaunchWarmUp warmUp;

    QApplication app(argc, argv);
    warmUp.applicationStarted();
    // Before any window: the application's accessible interface, made
    // once, is the one that lists the tray icon.
    TrayController::installAccessibility();
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
