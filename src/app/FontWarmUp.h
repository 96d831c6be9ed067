#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace brivet {

// Reads the font configuration on a thread of its own while the main
// thread starts up: fontconfig's configuration and cache at once, Qt's list
// of fonts once the GUI application exists. The first card then only loads
// its faces instead of waiting for the whole font set to be listed.
// fontconfig and QFontDatabase are safe to use from several threads; a
// main thread that needs fonts sooner waits for the list, it is never built
// twice.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // The GUI application now exists: the thread may list Qt's fonts.
    void applicationStarted();
    // Waits for the thread; it lists no fonts after this. Must come before
    // the GUI application is destroyed.
    void join();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_applicationStarted = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace brivet
