#pragma once

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace brivet {

class UserCalendar;

// Does what the first card would otherwise wait for, on a thread of its
// own while the main thread starts up: builds the user's calendar with the
// formats the launch shows (ICU loads the locale's data on the first one),
// reads fontconfig's configuration and cache, and once the GUI application
// exists connects to the session bus (the accessibility bridge connects
// there as soon as the first label gets its text, and blocks until it is
// connected) and lists Qt's fonts. The first card then only loads its faces.
// fontconfig, QFontDatabase and QDBusConnection are safe to use from
// several threads; a main thread that needs them sooner waits for the work
// in progress, nothing is done twice.
class LaunchWarmUp {
public:
    LaunchWarmUp();
    ~LaunchWarmUp();
    LaunchWarmUp(const LaunchWarmUp&) = delete;
    LaunchWarmUp& operator=(const LaunchWarmUp&) = delete;

    // The calendar, ready once the thread has built it; to be taken once.
    std::future<std::unique_ptr<UserCalendar>> calendar();
    // The GUI application now exists: the thread may use the bus and list
    // Qt's fonts.
    void applicationStarted();
    // Waits for the thread; it starts nothing after this. Must come before
    // the GUI application is destroyed.
    void join();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_applicationStarted = false;
    bool m_stopping = false;
    std::promise<std::unique_ptr<UserCalendar>> m_calendar;
    std::string m_localeId;
    std::thread m_thread;
};

} // namespace brivet
