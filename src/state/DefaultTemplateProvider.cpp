#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/NoteTemplate.h"

namespace brivet {

namespace {

NoteTask templateTask(const char* title)
{
    NoteTask task;
    task.id = Uuid::random();
    task.title = title;
    return task;
}

} // namespace

DefaultTemplateProvider::DefaultTemplateProvider(const Clock& clock, const UserCalendar& calendar)
    : m_clock(clock)
    , m_calendar(calendar)
{
    m_templates = {
        NoteTemplate { Uuid::random(), "会议纪要", "议题\n- \n待办\n- \n负责人\n- ",
            { templateTask("梳理议题"), templateTask("确认负责人"), templateTask("整理会后待办") }, "工作", NoteTheme::work },
        NoteTemplate { Uuid::random(), "购物清单", "- 牛奶\n- 面包\n- 水果",
            { templateTask("牛奶"), templateTask("面包"), templateTask("水果") }, "生活", NoteTheme::life },
        NoteTemplate { Uuid::random(), "学习计划", "今日目标\n1. \n2. \n复盘\n- ",
            { templateTask("完成今日主题学习"), templateTask("做一次练习"), templateTask("写复盘") }, "学习", NoteTheme::urgent },
    };
}

std::vector<StickyNote> DefaultTemplateProvider::initialSampleNotes(double defaultOpacity) const
{
    Instant now = m_clock.now();
    std::vector<StickyNote> notes;
    for (int k = 0; k < 2 && k < static_cast<int>(m_templates.size()); ++k) {
        const NoteTemplate& source = m_templates[static_cast<std::size_t>(k)];
        StickyNote note = StickyNote::placeholder(Uuid::random(), now);
        note.title = source.title;
        note.details = source.details;
        note.tasks = source.tasks;
        note.category = source.category;
        note.priority = k == 0 ? NotePriority::high : NotePriority::normal;
        int hours = 6 * k + 6;
        note.dueDate = m_calendar.addingHours(now, hours).value_or(now + std::chrono::hours(hours));
        note.frame = k == 0 ? NoteFrame { 140, 650, 500, 318, NoteSizePreset::medium }
                            : NoteFrame { 480, 620, 500, 318, NoteSizePreset::medium };
        note.style = NoteStyle { source.theme, defaultOpacity, std::nullopt, 1.0 };
        notes.push_back(std::move(note));
    }
    return notes;
}

} // namespace brivet
