#include "ui/WallClockTimer.h"

#include <QDBusConnection>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

namespace brivet {

WallClockTimer::WallClockTimer(QObject* parent)
    : QObject(parent)
{
}

WallClockTimer::~WallClockTimer()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void WallClockTimer::add(Scheduler::TaskId id, Instant when, std::function<void()> task)
{
    m_tasks.emplace(Key { when, id }, std::move(task));
    watchResume();
    arm();
}

bool WallClockTimer::remove(Scheduler::TaskId id)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->first.id == id) {
            bool wasFirst = it == m_tasks.begin();
            m_tasks.erase(it);
            if (wasFirst)
                arm();
            return true;
        }
    }
    return false;
}

void WallClockTimer::timerFired()
{
    // Eight bytes on expiry; ECANCELED when the clock was set. Either way
    // the due tasks are looked at again.
    std::uint64_t expirations = 0;
    while (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EINTR) {
    }
    runDue();
}

void WallClockTimer::prepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        runDue();
}

void WallClockTimer::runDue()
{
    // Only the tasks due as this look begins: one that a task adds for an
    // instant already passed runs on the next turn of the loop, as the
    // scheduler promises, and a task that keeps adding such tasks cannot
    // hold the loop. A task may also cancel another due one.
    const Instant now = std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
    std::vector<Key> due;
    for (auto it = m_tasks.begin(); it != m_tasks.end() && it->first.when <= now; ++it)
        due.push_back(it->first);
    for (const Key& key : due) {
        auto node = m_tasks.extract(key);
        if (!node.empty())
            node.mapped()();
    }
    arm();
}

void WallClockTimer::arm()
{
    if (m_fd < 0) {
        if (m_tasks.empty())
            return;
        m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd < 0)
            return;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
        connect(m_notifier, &QSocketNotifier::activated, this, &WallClockTimer::timerFired);
    }
    itimerspec spec {};
    if (!m_tasks.empty()) {
        // An instant at or before the epoch would read as "disarm".
        const auto ms = std::max<std::int64_t>(1, m_tasks.begin()->first.when.time_since_epoch().count());
        spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        spec.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1'000'000;
    }
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void WallClockTimer::watchResume()
{
    // Connected on the first task only: a user who never defers a note pays
    // nothing for the system bus. Without a bus (a container) the timer
    // alone still fires after a resume, a little later at worst.
    if (m_watchingResume)
        return;
    m_watchingResume = true;
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

} // namespace brivet
