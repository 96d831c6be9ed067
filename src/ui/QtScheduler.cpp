#include "ui/QtScheduler.h"

#include "ui/WallClockTimer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace brivet {

namespace {
// QTimer takes int milliseconds; longer waits are chained.
constexpr std::int64_t maxChunk = 24LL * 3600 * 1000;
}

QtScheduler::QtScheduler(QObject* parent)
    : QObject(parent)
    , m_wallClock(new WallClockTimer(this))
{
}

QtScheduler::~QtScheduler()
{
    for (auto& [id, timer] : m_timers)
        delete timer;
}

Scheduler::TaskId QtScheduler::schedule(Duration delay, std::function<void()> task)
{
    TaskId id = m_nextId++;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    std::int64_t remaining = std::max<std::int64_t>(0, delay.count());
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(remaining);
    connect(timer, &QTimer::timeout, this, [this, id, timer, due, task = std::move(task)]() {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now()).count();
        if (left > 0) {
            timer->start(static_cast<int>(std::min<std::int64_t>(left, maxChunk)));
            return;
        }
        m_timers.erase(id);
        timer->deleteLater();
        task();
    });
    timer->start(static_cast<int>(std::min(remaining, maxChunk)));
    m_timers.emplace(id, timer);
    return id;
}

Scheduler::TaskId QtScheduler::scheduleAt(Instant when, std::function<void()> task)
{
    TaskId id = m_nextId++;
    m_wallClock->add(id, when, std::move(task));
    return id;
}

void QtScheduler::post(std::function<void()> task)
{
    // A queued call to this object runs on its thread's loop and is dropped
    // with the object.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

std::size_t QtScheduler::pendingCount() const
{
    return m_timers.size() + m_wallClock->pendingCount();
}

bool QtScheduler::runUntil(const std::function<bool()>& done, Duration timeout)
{
    QDeadlineTimer deadline(std::chrono::milliseconds(std::max<std::int64_t>(0, timeout.count())));
    QEventLoop loop;
    // Wakes the wait below when nothing else happens before the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    while (!done() && !deadline.hasExpired()) {
        wake.start(static_cast<int>(std::min<std::int64_t>(deadline.remainingTime(), maxChunk)));
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

void QtScheduler::cancel(TaskId id)
{
    auto found = m_timers.find(id);
    if (found == m_timers.end()) {
        m_wallClock->remove(id);
        return;
    }
    found->second->stop();
    found->second->deleteLater();
    m_timers.erase(found);
}

} // namespace brivet
