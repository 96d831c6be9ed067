#include "app/FontWarmUp.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

namespace brivet {

FontWarmUp::FontWarmUp()
    : m_thread([this] { run(); })
{
}

FontWarmUp::~FontWarmUp()
{
    join();
}

void FontWarmUp::applicationStarted()
{
    {
        std::lock_guard lock(m_mutex);
        m_applicationStarted = true;
    }
    m_wake.notify_one();
}

void FontWarmUp::join()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void FontWarmUp::run()
{
    FcInit();
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_applicationStarted || m_stopping; });
    if (m_stopping || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    lock.unlock();
    (void)QFontDatabase::families();
}

} // namespace brivet
