#include "support/StateFixture.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;

namespace {

TEST(Templates, BuiltInSetAndSamples)
{
    StateFixture f;
    DefaultTemplateProvider other(f.clock, f.calendar);
    const auto& templates = f.templates->templates();
    ASSERT_EQ(templates.size(), 3u);
    EXPECT_EQ(templates[0].title, "会议纪要");
    EXPECT_EQ(templates[0].details, "议题\n- \n待办\n- \n负责人\n- ");
    EXPECT_EQ(templates[1].title, "购物清单");
    EXPECT_EQ(templates[2].title, "学习计划");
    EXPECT_EQ(templates[2].theme, NoteTheme::urgent);
    EXPECT_NE(templates[0].id, other.templates()[0].id);

    auto samples = f.templates->initialSampleNotes(0.8);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(*samples[0].dueDate - samples[0].createdAt, std::chrono::hours(6));
    EXPECT_EQ(*samples[1].dueDate - samples[1].createdAt, std::chrono::hours(12));
    EXPECT_EQ(samples[0].priority, NotePriority::high);
    EXPECT_EQ(samples[1].priority, NotePriority::normal);
    EXPECT_EQ(samples[1].frame, (NoteFrame { 480, 620, 500, 318, NoteSizePreset::medium }));
    EXPECT_EQ(samples[1].style.opacity, 0.8);
    EXPECT_EQ(samples[1].style.theme, NoteTheme::life);
}

TEST(Templates, NoteFromTemplateCopiesItsContent)
{
    StateFixture f;
    AppState& state = f.launch();
    const NoteTemplate& shopping = f.templates->templates()[1];
    Uuid id = state.createNote(&shopping, NoteSizePreset::medium, NewNoteWindow::shown);
    const StickyNote& note = *state.findNote(id);
    EXPECT_EQ(note.category, "生活");
    EXPECT_EQ(note.style.theme, NoteTheme::life);
    ASSERT_EQ(note.tasks.size(), 3u);
    EXPECT_EQ(note.tasks[2].title, "水果");
    EXPECT_FALSE(note.tasks[0].isCompleted);
    EXPECT_EQ(note.group, "默认");
}

} // namespace
