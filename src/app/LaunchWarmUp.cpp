#include "app/LaunchWarmUp.h"

#include "model/UserCalendar.h"

#include <QDBusConnection>
#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

namespace brivet {

LaunchWarmUp::LaunchWarmUp()
    // Read here, before the application sets the C library's locale on the
    // main thread while this thread would be reading it.
    : m_localeId(UserCalendar::processLocaleId())
    , m_thread([this] { run(); })
{
}

LaunchWarmUp::~LaunchWarmUp()
{
    join();
}

std::future<std::unique_ptr<UserCalendar>> LaunchWarmUp::calendar()
{
    return m_calendar.get_future();
}

void LaunchWarmUp::applicationStarted()
{
    {
        std::lock_guard lock(m_mutex);
        m_applicationStarted = true;
    }
    m_wake.notify_one();
}

void LaunchWarmUp::join()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void LaunchWarmUp::run()
{
    // One after the other rather than on threads of their own: the main
    // thread keeps a core to itself while it connects to the display.
    try {
        auto calendar = std::make_unique<UserCalendar>(UserCalendar::processTimeZoneId(), m_localeId);
        // The log's time stamps, the boards' due times, the cards' due
        // dates and the tray's texts.
        calendar->prepare({ "MMMdhm", "MMMd", "hm" }, { "HH:mm:ss" });
        m_calendar.set_value(std::move(calendar));
    } catch (...) {
        m_calendar.set_exception(std::current_exception());
    }
    FcInit();
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_applicationStarted || m_stopping; });
    if (m_stopping || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    lock.unlock();
    // The tray icon and the accessibility bridge share this connection.
    (void)QDBusConnection::sessionBus();
    (void)QFontDatabase::families();
}

} // namespace brivet
