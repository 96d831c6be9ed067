#include "support/NoteGenerator.h"

#include <random>

namespace brivet::testing {

namespace {

const char* const kTitles[] = { "整理季度汇报材料", "Call the landlord about the heater", "准备周三的产品评审", "买菜：牛奶、鸡蛋、青菜",
    "Review pull request #482", "给妈妈打电话", "报销上个月的差旅费", "Renew passport", "读完《系统之美》第三章", "更新简历",
    "Book dentist appointment", "整理会议纪要并发给团队", "", "修复登录页面的样式问题", "Plan weekend hike" };
const char* const kDetails[] = { "", "记得带上上次的数据对比。", "Ask about the deposit too.\nCall before 6pm.",
    "议题\n- 预算\n待办\n- 确认排期\n负责人\n- 小王", "- 牛奶\n- 面包\n- 水果", "Notes from the standup:\n1. ship the fix\n2. write tests" };
const char* const kTasks[] = { "确认议程", "发送邀请", "Draft the outline", "整理数据", "Check the numbers", "写复盘", "预订会议室",
    "Send follow-up email" };
const char* const kCategories[] = { "收集箱", "工作", "生活", "学习", "提醒", "日历" };

} // namespace

std::vector<StickyNote> generateRealisticNotes(std::size_t count, Instant now, unsigned seed)
{
    std::mt19937 random(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    std::vector<StickyNote> notes;
    notes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Instant created = now - std::chrono::hours(static_cast<long>(pick(24 * 90)));
        StickyNote note = StickyNote::placeholder(Uuid::random(), created);
        note.updatedAt = created + std::chrono::minutes(static_cast<long>(pick(600)));
        note.title = kTitles[pick(std::size(kTitles))];
        note.details = kDetails[pick(std::size(kDetails))];
        note.category = kCategories[pick(std::size(kCategories))];
        std::size_t tasks = pick(7);
        for (std::size_t t = 0; t < tasks; ++t)
            note.tasks.push_back(NoteTask { Uuid::random(), kTasks[pick(std::size(kTasks))], chance(40), std::nullopt, std::nullopt, std::nullopt });
        note.recomputeCompletion();
        note.priority = chance(20) ? NotePriority::high : chance(10) ? NotePriority::low : NotePriority::normal;
        if (chance(60))
            note.dueDate = now + std::chrono::minutes(static_cast<long>(pick(60 * 24 * 20))) - std::chrono::hours(24 * 5);
        note.frame = NoteFrame { double(100 + pick(1200)), double(80 + pick(600)), 500, 318, NoteSizePreset::medium };
        note.style.opacity = 0.92;
        if (chance(10)) {
            note.style.theme = NoteTheme::custom;
            note.style.customHexColor = "#FFB340";
        }
        int kind = static_cast<int>(pick(10));
        if (kind < 2) {
            note.source = NoteSource::reminders;
            note.syncToReminders = true;
            note.group = "提醒事项";
            note.externalLink = ExternalLink { NoteSource::reminders, "reminder-" + std::to_string(i), now - std::chrono::hours(2),
                now - std::chrono::hours(3) };
        } else if (kind < 3) {
            note.source = NoteSource::calendar;
            note.group = "日历";
            note.frame = NoteFrame { note.frame.x, note.frame.y, 344, 248, NoteSizePreset::small };
            note.style.theme = NoteTheme::life;
            note.externalLink = ExternalLink { NoteSource::calendar, "event-" + std::to_string(i), now - std::chrono::hours(2), std::nullopt };
        }
        if (chance(3))
            note.deferredUntil = now + std::chrono::hours(static_cast<long>(1 + pick(48)));
        note.isHidden = !chance(2);
        notes.push_back(std::move(note));
    }
    // A few boards near the end, linking to notes before them.
    std::size_t boards = std::min<std::size_t>(count / 200 + 1, 20);
    for (std::size_t b = 0; b < boards && count > 10; ++b) {
        StickyNote& board = notes[count - 1 - b];
        board.surfaceRole = b == 0 ? NoteSurfaceRole::todayBoard : b == 1 ? NoteSurfaceRole::upcomingBoard : NoteSurfaceRole::customBoard;
        board.category = "桌面执行层";
        board.group = "场景板";
        board.source = NoteSource::local;
        board.externalLink.reset();
        board.syncToReminders = false;
        board.tasks.clear();
        for (int t = 0; t < 6; ++t) {
            const StickyNote& target = notes[pick(count - boards)];
            board.tasks.push_back(NoteTask { Uuid::random(), "本地 · " + target.title, target.isCompleted, target.id, target.source, target.dueDate });
        }
        board.recomputeCompletion();
    }
    return notes;
}

} // namespace brivet::testing
