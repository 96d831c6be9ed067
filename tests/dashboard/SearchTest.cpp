#include "DashboardFixture.h"

#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardSearch.h"
#include "dashboard/FilterChip.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace brivet;
using namespace brivet::testing;

namespace {

class SearchTest : public DashboardTest {
protected:
    std::vector<std::string> shown()
    {
        std::vector<std::string> result;
        for (std::uint32_t position : view().overview()->taskList()->noteModel()->positions())
            result.push_back(state().notes()[position].title);
        return result;
    }
};

TEST_F(SearchTest, WordsMatchTitlesDetailsAndTaskTitlesIgnoringCase)
{
    StickyNote note = StateFixture::makeNote("Quarterly Review");
    note.details = "准备 Slides\n第二行";
    note.tasks = { NoteTask { Uuid::random(), "预订会议室" }, NoteTask { Uuid::random(), "ÉTÉ plan" } };
    auto matches = [&](const char* query) { return DashboardSearch::matches(note, DashboardSearch::words(query)); };
    EXPECT_TRUE(matches("会议室"));
    EXPECT_TRUE(matches("quarterly"));
    EXPECT_TRUE(matches("SLIDES 会议"));
    EXPECT_TRUE(matches("été"));
    EXPECT_TRUE(matches("  \u3000 "));
    EXPECT_FALSE(matches("会议 missing"));
    EXPECT_FALSE(matches("行预")) << "no match across two fields";
    EXPECT_EQ(DashboardSearch::words("a  b\u3000c a"), (std::vector<std::string> { "a", "b", "c" }));
    EXPECT_EQ(DashboardSearch::folded("Ab\xff"), "ab\xff") << "malformed bytes are kept";
}

TEST_F(SearchTest, TypingFiltersTheShownListAndClearingRestoresIt)
{
    StickyNote a = makeNote("周报", at(2026, 12, 5, 15));
    StickyNote b = makeNote("买菜", at(2026, 12, 5, 16));
    b.tasks = { NoteTask { Uuid::random(), "整理周报附件" } };
    StickyNote c = makeNote("健身", at(2026, 12, 5, 17));
    launch({ a, b, c });
    open();
    DashboardOverviewView* overview = view().overview();
    ASSERT_EQ(shown(), (std::vector<std::string> { "周报", "买菜", "健身" }));

    QLineEdit* field = overview->searchField();
    for (QChar character : QStringLiteral("周报")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(shown(), (std::vector<std::string> { "周报", "买菜" })) << "the task title matches too";
    EXPECT_EQ(overview->chip(DashboardOverviewFilter::today)->countText(), QStringLiteral("3")) << "chips count the filter";

    // A change elsewhere is searched again.
    StickyNote renamed = stored(c.id);
    renamed.title = "周报初稿";
    state().update(renamed);
    settle();
    EXPECT_EQ(shown(), (std::vector<std::string> { "周报", "买菜", "周报初稿" }));

    overview->setSearchText(QStringLiteral("没有的词"));
    EXPECT_TRUE(shown().empty());
    EXPECT_TRUE(overview->emptyState()->isVisible());
    EXPECT_EQ(overview->emptyTitleLabel()->text(), QStringLiteral("没有找到匹配的悬笺"));

    field->clear();
    EXPECT_EQ(shown(), (std::vector<std::string> { "周报", "买菜", "周报初稿" }));
    EXPECT_FALSE(overview->emptyState()->isVisible());
}

} // namespace
