#include "ui/QtScheduler.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

using namespace brivet;

namespace {

Instant wallNow()
{
    return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
}

TEST(QtSchedulerTest, WallClockTasksRunAtTheirInstantAndCancelledOnesNever)
{
    QtScheduler scheduler;
    std::vector<int> ran;
    Instant ranAt {};
    const Instant when = wallNow() + Duration(60);
    scheduler.scheduleAt(when, [&] {
        ran.push_back(2);
        ranAt = wallNow();
    });
    scheduler.scheduleAt(wallNow() - Duration(1000), [&] { ran.push_back(1); });
    Scheduler::TaskId dropped = scheduler.scheduleAt(wallNow() + Duration(30), [&] { ran.push_back(3); });
    EXPECT_EQ(scheduler.pendingCount(), 3u);
    scheduler.cancel(dropped);

    EXPECT_TRUE(scheduler.runUntil([&] { return ran.size() == 2; }, Duration(5000)));
    EXPECT_EQ(ran, (std::vector<int> { 1, 2 })) << "a passed instant runs first, a cancelled task never";
    EXPECT_GE(ranAt, when);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(QtSchedulerTest, AWallClockTaskAddedForAPassedInstantWaitsForTheNextTurn)
{
    // A task that keeps adding itself for a passed instant must not hold
    // the loop: between two of its runs the loop turns (and here checks
    // whether it is done).
    QtScheduler scheduler;
    int runs = 0;
    std::function<void()> again = [&] {
        if (++runs < 5)
            scheduler.scheduleAt(wallNow() - Duration(10), again);
    };
    scheduler.scheduleAt(wallNow() - Duration(10), again);
    bool cancelledRan = false;
    Scheduler::TaskId cancelled = scheduler.scheduleAt(wallNow() - Duration(5), [&] { cancelledRan = true; });
    scheduler.scheduleAt(wallNow() - Duration(20), [&] { scheduler.cancel(cancelled); });
    std::vector<int> seen;
    EXPECT_TRUE(scheduler.runUntil([&] {
        seen.push_back(runs);
        return runs == 5;
    }, Duration(5000)));
    EXPECT_GE(seen.size(), 5u) << "the loop turned between the runs";
    EXPECT_FALSE(cancelledRan) << "a due task cancelled by an earlier one does not run";
}

TEST(QtSchedulerTest, RunningTheLoopEndsAtTheTimeoutWhenNothingHappens)
{
    QtScheduler scheduler;
    bool delayedRan = false;
    scheduler.schedule(Duration(20), [&] { delayedRan = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(scheduler.runUntil([] { return false; }, Duration(120)));
    EXPECT_GE(elapsed.elapsed(), 120);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_TRUE(delayedRan) << "what falls due meanwhile runs";
    elapsed.restart();
    EXPECT_TRUE(scheduler.runUntil([] { return true; }, Duration(5000)));
    EXPECT_LT(elapsed.elapsed(), 100) << "no wait when already done";
}

} // namespace
