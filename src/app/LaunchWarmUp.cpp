#include "app/LaunchWarmUp.h"

#include <QDBusConnection>
#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

namespace brivet {

LaunchWarmUp::LaunchWarmUp()
    : m_thread([this] { run(); })
{
}

LaunchWarmUp::~LaunchWarmUp()
{
    join();
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
