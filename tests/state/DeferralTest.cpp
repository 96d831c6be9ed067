#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class Deferral : public ::testing::TestWithParam<const char*> {
protected:
    Deferral() : f(GetParam(), "zh_CN") { }

    // Automatic sync on and activated, so deferrals that sync show it.
    static std::function<void(AppPreferences&)> syncingIn(DesktopSurfaceMode mode = DesktopSurfaceMode::sceneBoardsOnly)
    {
        return [mode](AppPreferences& p) {
            p.desktopSurfaceMode = mode;
            p.autoSyncEnabled = true;
            p.hasActivatedSync = true;
        };
    }
    StateFixture f;
};

TEST_P(Deferral, PresetsFollowTheCalendar)
{
    AppState& state = f.build();
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::thisAfternoon, f.at(2026, 12, 5, 10, 0)), f.at(2026, 12, 5, 15, 0));
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::thisAfternoon, f.at(2026, 12, 5, 15, 0)), f.at(2026, 12, 6, 15, 0))
        << "15:00 must be strictly later";
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::thisAfternoon, f.at(2026, 12, 5, 18, 0)), f.at(2026, 12, 6, 15, 0));
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::tomorrowMorning, f.at(2026, 12, 31, 23, 59)), f.at(2027, 1, 1, 9, 0));
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::oneHour, f.at(2026, 12, 5, 10, 30)), f.at(2026, 12, 5, 11, 30));
}

TEST_P(Deferral, OneHourAcrossDaylightSavingIsOneCalendarHour)
{
    AppState& state = f.build();
    // 29 March 2026, 01:30 in Berlin: the next hour is 03:30 local, one real hour later.
    Instant before = f.at(2026, 3, 29, 1, 30);
    Instant after = state.resolvedDate(NoteDeferPreset::oneHour, before);
    EXPECT_EQ(after - before, Duration(3600 * 1000));
    // 25 October 2026, 02:30 occurs twice in Berlin; the first one is meant.
    Instant repeated = f.at(2026, 10, 25, 2, 30);
    EXPECT_EQ(state.resolvedDate(NoteDeferPreset::oneHour, repeated) - repeated, Duration(3600 * 1000));
}

TEST_P(Deferral, DeferringNotesBySource)
{
    Instant due = f.at(2026, 12, 5, 18, 0);
    auto reminder = StateFixture::makeNote("reminder", due);
    reminder.source = NoteSource::reminders;
    auto event = StateFixture::makeNote("event", due);
    event.source = NoteSource::calendar;
    auto done = StateFixture::makeNote("done", due);
    done.isCompleted = true;
    AppState& state = f.launchWith({ reminder, event, done }, syncingIn());
    Instant until = f.at(2026, 12, 5, 15, 0);

    std::string status = state.syncStatus();
    state.deferNote(done.id, until);
    EXPECT_EQ(state.syncStatus(), status) << "a completed note is not put off, not even the status";
    EXPECT_FALSE(state.findNote(done.id)->deferredUntil);

    state.deferNote(event.id, until);
    EXPECT_EQ(state.findNote(event.id)->dueDate, due);
    EXPECT_EQ(state.syncStatus(), "已隐藏到 12月5日 下午3:00");
    EXPECT_FALSE(state.hasPendingSync());

    state.deferNote(reminder.id, until);
    const StickyNote& moved = *state.findNote(reminder.id);
    EXPECT_EQ(moved.dueDate, until);
    EXPECT_EQ(moved.deferredUntil, until);
    EXPECT_TRUE(moved.isHidden);
    EXPECT_EQ(state.syncStatus(), "已延后截止时间到 12月5日 下午3:00");
    EXPECT_TRUE(state.hasPendingSync()) << "a reminder's new date is synced";
}

TEST_P(Deferral, APresetIsResolvedFromTheClockWhenTheUserChoosesIt)
{
    auto note = StateFixture::makeNote("note", f.at(2026, 12, 5, 18, 0));
    AppState& state = f.launchWith({ note });
    f.clock.set(f.at(2026, 12, 5, 16, 0));

    state.deferNote(note.id, NoteDeferPreset::thisAfternoon);
    EXPECT_EQ(state.findNote(note.id)->deferredUntil, f.at(2026, 12, 6, 15, 0)) << "this afternoon has passed at four";
    EXPECT_EQ(state.findNote(note.id)->dueDate, f.at(2026, 12, 6, 15, 0));
}

TEST_P(Deferral, OneWakeUpTargetsTheEarliestEnd)
{
    auto first = StateFixture::makeNote("first");
    auto second = StateFixture::makeNote("second");
    auto imported = StateFixture::makeNote("imported");
    imported.source = NoteSource::reminders;
    AppState& state = f.launchWith({ first, second, imported }, syncingIn(DesktopSurfaceMode::sceneBoardsAndPinned));
    state.deferNote(second.id, f.at(2026, 12, 5, 11, 0));
    state.deferNote(first.id, f.at(2026, 12, 5, 10, 30));
    state.deferNote(imported.id, f.at(2026, 12, 5, 10, 30));
    auto wake = f.scheduler.nextDue();
    ASSERT_TRUE(wake);

    f.scheduler.advance(f.at(2026, 12, 5, 10, 30) - f.clock.now() - 1ms);
    EXPECT_TRUE(state.findNote(first.id)->deferredUntil);
    f.scheduler.advance(1ms);
    EXPECT_FALSE(state.findNote(first.id)->deferredUntil);
    EXPECT_FALSE(state.findNote(first.id)->isHidden) << "a local note comes back under sceneBoardsAndPinned";
    EXPECT_TRUE(state.findNote(imported.id)->isHidden) << "an imported note stays hidden";
    EXPECT_TRUE(state.findNote(second.id)->deferredUntil);

    f.scheduler.advance(30min);
    EXPECT_FALSE(state.findNote(second.id)->deferredUntil);
}

TEST_P(Deferral, EndsUnderSceneBoardsOnlyStayHiddenAndShortWaitsTakeATenthOfASecond)
{
    auto note = StateFixture::makeNote("soon");
    AppState& state = f.launchWith({ note }, syncingIn());
    state.deferNote(note.id, f.clock.now() + 50ms);
    f.scheduler.advance(99ms);
    EXPECT_TRUE(state.findNote(note.id)->deferredUntil);
    f.scheduler.advance(1ms);
    EXPECT_FALSE(state.findNote(note.id)->deferredUntil);
    EXPECT_TRUE(state.findNote(note.id)->isHidden);
    EXPECT_EQ(f.scheduler.pendingCount(), 0u) << "no deferral left, no wake-up left";
}

TEST_P(Deferral, DeferredNotesComeBackAtTheirWallClockTimeAfterASleepOrAClockChange)
{
    auto evening = StateFixture::makeNote("evening");
    auto later = StateFixture::makeNote("later");
    f.clock.set(f.at(2026, 12, 5, 18, 0));
    AppState& state = f.launchWith({ evening, later }, syncingIn(DesktopSurfaceMode::sceneBoardsAndPinned));
    state.deferNote(evening.id, f.at(2026, 12, 6, 9, 0));
    state.deferNote(later.id, f.at(2026, 12, 6, 12, 0));

    // Asleep from 22:00 to 08:00: an hour later it is back, not ten hours.
    f.scheduler.advance(4h);
    f.scheduler.suspend(10h);
    EXPECT_TRUE(state.findNote(evening.id)->deferredUntil);
    f.scheduler.advance(1h);
    EXPECT_FALSE(state.findNote(evening.id)->deferredUntil);
    EXPECT_FALSE(state.findNote(evening.id)->isHidden);

    // A sleep across the end brings the note back as the machine wakes.
    f.scheduler.suspend(4h);
    EXPECT_FALSE(state.findNote(later.id)->deferredUntil);

    // Setting the clock past an end does the same.
    StickyNote third = *state.findNote(evening.id);
    state.deferNote(third.id, f.at(2026, 12, 7, 9, 0));
    f.scheduler.setWallClock(f.at(2026, 12, 7, 9, 30));
    EXPECT_FALSE(state.findNote(third.id)->deferredUntil);
}

INSTANTIATE_TEST_SUITE_P(Zones, Deferral, ::testing::Values("Asia/Shanghai", "Europe/Berlin"));

} // namespace
