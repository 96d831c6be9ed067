#include "state/ReminderNotices.h"

#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

struct RecordingSink final : ReminderNoticeSink {
    std::vector<ReminderNotice> shown;
    std::vector<std::vector<ReminderNotice>> summaries;
    void show(const ReminderNotice& notice) override { shown.push_back(notice); }
    void showSummary(const std::vector<ReminderNotice>& notices) override { summaries.push_back(notices); }
};

class ReminderNoticesTest : public ::testing::Test {
protected:
    // Launches with `notes` and starts the notices; their first look runs.
    AppState& start(std::vector<StickyNote> notes, const std::function<void(AppPreferences&)>& adjust = {})
    {
        AppState& state = f.launchWith(std::move(notes), adjust);
        notices = std::make_unique<ReminderNotices>(state, f.scheduler, sink);
        f.scheduler.runDue();
        return state;
    }
    // Quits and launches again on the same stores, the clock moved on by
    // `away` in between.
    AppState& relaunch(Duration away)
    {
        notices.reset();
        f.state().flushPendingSaves();
        f.destroyState();
        f.clock.advance(away);
        AppState& state = f.launch();
        notices = std::make_unique<ReminderNotices>(state, f.scheduler, sink);
        f.scheduler.runDue();
        return state;
    }
    Instant now() const { return f.clock.now(); }

    StateFixture f;
    RecordingSink sink;
    std::unique_ptr<ReminderNotices> notices;
};

TEST_F(ReminderNoticesTest, ADeferralThatEndsAndANoteThatFallsDueEachNotifyOnceToTheMillisecond)
{
    StickyNote later = StateFixture::makeNote("稍后再看");
    StickyNote dated = StateFixture::makeNote("交报告", now() + 2h);
    AppState& state = start({ later, dated });
    state.deferNote(later.id, now() + 1h);
    ASSERT_TRUE(sink.shown.empty());
    EXPECT_EQ(notices->nextWakeUp(), now() + 1h) << "no polling: it wakes at the next event";

    f.scheduler.advance(1h - 1ms);
    EXPECT_TRUE(sink.shown.empty());
    f.scheduler.advance(1ms);
    ASSERT_EQ(sink.shown.size(), 1u) << "the deferral moved the due date too, yet one notice";
    EXPECT_EQ(sink.shown[0].kind, NoticeKind::returned);
    EXPECT_EQ(sink.shown[0].summary(f.calendar), "稍后的便签回来了");
    EXPECT_EQ(sink.shown[0].body(f.calendar), "稍后再看");

    f.scheduler.advance(1h);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[1].noteId, dated.id);
    EXPECT_EQ(sink.shown[1].summary(f.calendar), "到期：交报告");
    EXPECT_EQ(sink.shown[1].body(f.calendar), f.calendar.formatSkeleton(*dated.dueDate, "MMMdhm"));
    EXPECT_FALSE(notices->nextWakeUp());

    f.scheduler.advance(24h);
    EXPECT_EQ(sink.shown.size(), 2u);
    EXPECT_TRUE(sink.summaries.empty());
}

TEST_F(ReminderNoticesTest, WhatPassedWhileTheAppWasAwayIsToldOnceAtLaunchAndMoreThanThreeAsOneSummary)
{
    std::vector<StickyNote> notes;
    for (int i = 1; i <= 4; ++i)
        notes.push_back(StateFixture::makeNote("第" + std::to_string(i) + "件", now() + std::chrono::hours(i)));
    StickyNote away = StateFixture::makeNote("出门前");
    away.deferredUntil = now() + 30min;
    away.isHidden = true;
    StickyNote done = StateFixture::makeNote("已完成", now() + 1h);
    done.isCompleted = true;
    notes.push_back(away);
    notes.push_back(done);
    start(notes);
    ASSERT_TRUE(sink.shown.empty());

    // The machine sleeps, the app is ended, past all five.
    AppState& state = relaunch(12h);
    EXPECT_FALSE(state.findNote(away.id)->deferredUntil) << "the launch ended the deferral";
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(sink.summaries.size(), 1u);
    EXPECT_EQ(sink.summaries[0].size(), 5u) << "the completed note is not among them";
    EXPECT_EQ(ReminderNotices::summaryHeadline(sink.summaries[0]), "5 条便签到时间了");
    EXPECT_EQ(ReminderNotices::summaryBody(sink.summaries[0]), "出门前、第1件、第2件、第3件、第4件");

    relaunch(1min);
    EXPECT_EQ(sink.summaries.size(), 1u) << "told once, not at every launch";
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(ReminderNoticesTest, ThreeAtOneMomentAreToldOneByOne)
{
    std::vector<StickyNote> notes;
    for (const char* title : { "a", "b", "c" })
        notes.push_back(StateFixture::makeNote(title, now() + 10min));
    start(notes);
    f.scheduler.suspend(3h);
    EXPECT_EQ(sink.shown.size(), 3u);
    EXPECT_TRUE(sink.summaries.empty());
}

TEST_F(ReminderNoticesTest, TheSettingsChooseWhatIsToldAndWhatWasLeftOutIsNotToldLater)
{
    StickyNote dated = StateFixture::makeNote("付房租", now() + 1h);
    StickyNote meeting = StateFixture::makeNote("周会", now() + 2h);
    meeting.source = NoteSource::calendar;
    AppState& state = start({ dated, meeting }, [](AppPreferences& p) { p.noticesEnabled = false; });
    f.scheduler.advance(1h);
    EXPECT_TRUE(sink.shown.empty());
    state.updatePreferences([](AppPreferences& p) { p.noticesEnabled = true; });
    f.scheduler.advance(1h);
    EXPECT_TRUE(sink.shown.empty()) << "calendar starts are off by default; the due note was left out, not delayed";

    StickyNote standup = StateFixture::makeNote("站会", now() + 1h);
    standup.source = NoteSource::calendar;
    state.updatePreferences([](AppPreferences& p) { p.noticeAtCalendarEventStart = true; });
    state.importNotes({ standup });
    f.scheduler.advance(1h);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].summary(f.calendar), "开始：站会");
}

TEST_F(ReminderNoticesTest, ActionsUseThePanelsOperationsAndAreHarmlessWhenRepeatedOrLate)
{
    StickyNote report = StateFixture::makeNote("交报告", now() + 1h);
    StickyNote call = StateFixture::makeNote("回电话", now() + 1h);
    StickyNote gone = StateFixture::makeNote("已删除", now() + 1h);
    AppState& state = start({ report, call, gone });
    f.scheduler.advance(1h);

    notices->perform(report.id, NoticeAction::complete);
    notices->perform(report.id, NoticeAction::complete);
    EXPECT_TRUE(state.findNote(report.id)->isCompleted) << "a second press does not reopen it";
    f.state().flushPendingSaves();
    auto saved = std::find_if(f.repository.stored.begin(), f.repository.stored.end(),
        [&](const StickyNote& n) { return n.id == report.id; });
    ASSERT_NE(saved, f.repository.stored.end());
    EXPECT_TRUE(saved->isCompleted) << "the completion is in the file";
    notices->perform(report.id, NoticeAction::later);
    EXPECT_FALSE(state.findNote(report.id)->deferredUntil);

    notices->perform(call.id, NoticeAction::later);
    EXPECT_EQ(state.findNote(call.id)->deferredUntil, now() + 1h);
    notices->perform(call.id, NoticeAction::open);
    EXPECT_FALSE(state.findNote(call.id)->isHidden);
    EXPECT_EQ(state.findNote(call.id)->displayMode, NoteDisplayMode::detail);

    state.deleteNote(gone.id);
    const std::vector<StickyNote> before = state.notes();
    for (NoticeAction action : { NoticeAction::complete, NoticeAction::later, NoticeAction::open })
        notices->perform(gone.id, action);
    EXPECT_EQ(state.notes(), before);
    EXPECT_EQ(state.notes().size(), 2u) << "no note made again";
}

} // namespace
