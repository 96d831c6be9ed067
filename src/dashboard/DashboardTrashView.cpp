#include "dashboard/DashboardTrashView.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardDates.h"
#include "dashboard/DashboardStyle.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTrash.h"
#include "ui/StateBridge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brivet {

namespace {

QString noteTitle(const StickyNote& note)
{
    if (!note.title.empty())
        return qs(note.title);
    return note.isSceneBoard() ? QStringLiteral("未命名场景板") : QStringLiteral("未命名悬笺");
}

} // namespace

DashboardTrashView::DashboardTrashView(AppState& state, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("dashboardTrash"));
    Theme colors = Theme::from(palette());
    ScrollingPage scrolling = makeScrollingPage(this);
    QWidget* page = scrolling.page;
    QVBoxLayout* column = scrolling.column;

    auto* heading = new QHBoxLayout;
    heading->addWidget(makeLabel(QStringLiteral("回收站"), 26, QFont::Bold, colors.text, page), 1);
    m_empty = new QPushButton(bundledIcon(Symbol::trash, colors.text), QStringLiteral("清空回收站"), page);
    m_empty->setObjectName(QStringLiteral("emptyTrashButton"));
    makeClickable(m_empty);
    connect(m_empty, &QPushButton::clicked, this, [this] { m_state.emptyTrash(); });
    heading->addWidget(m_empty);
    column->addLayout(heading);
    column->addWidget(makeLabel(QStringLiteral("删除的便签在这里保留 %1 天，最多 %2 条，之后自动彻底删除。"
                                               "与提醒事项关联的便签不会从提醒事项中删除，恢复后下次同步重新关联。")
                                    .arg(std::chrono::duration_cast<std::chrono::days>(NoteTrash::keepFor).count())
                                    .arg(NoteTrash::capacity),
        13, QFont::Normal, colors.secondaryText, page, LabelWrap::anywhere));

    m_problem = makeLabel({}, 13, QFont::Medium, colors.red, page, LabelWrap::anywhere);
    m_problem->setObjectName(QStringLiteral("trashProblem"));
    column->addWidget(m_problem);

    auto* card = new DashboardCard(page);
    m_listCard = card;
    m_list = new QVBoxLayout(card);
    m_list->setContentsMargins(16, 8, 16, 8);
    m_list->setSpacing(0);
    column->addWidget(card);
    m_emptyText = makeLabel(QStringLiteral("回收站是空的"), 14, QFont::Normal, colors.secondaryText, page);
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->setContentsMargins(0, 40, 0, 40);
    column->addWidget(m_emptyText);
    column->addStretch(1);

    connect(&bridge, &StateBridge::trashChanged, this, &DashboardTrashView::showTrash);
    showTrash();
}

DashboardTrashView::~DashboardTrashView() = default;

void DashboardTrashView::showTrash()
{
    Theme colors = Theme::from(palette());
    for (Row& row : m_rows)
        delete row.row;
    m_rows.clear();
    while (QLayoutItem* item = m_list->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    const std::vector<TrashEntry>& entries = m_state.trash();
    const QLocale locale = DashboardDates::locale(m_state.calendar());
    // Newest deletion first; the list is kept oldest first.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const TrashEntry& entry = *it;
        if (!m_rows.empty()) {
            auto* divider = new QFrame(m_listCard);
            divider->setFrameShape(QFrame::HLine);
            divider->setStyleSheet(QStringLiteral("color: %1;").arg(colors.separator.name(QColor::HexArgb)));
            m_list->addWidget(divider);
        }
        Row row;
        row.row = new QWidget(m_listCard);
        auto* line = new QHBoxLayout(row.row);
        line->setContentsMargins(0, 10, 0, 10);
        line->setSpacing(10);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        row.title = makeLabel(noteTitle(entry.note), 14, QFont::DemiBold, colors.text, row.row);
        row.deletedAt = makeLabel(QStringLiteral("删除于 %1").arg(locale.toString(DashboardDates::wallTime(entry.deletedAt, m_state.calendar()), QStringLiteral("yyyy年M月d日 HH:mm"))),
            12, QFont::Normal, colors.secondaryText, row.row);
        texts->addWidget(row.title);
        texts->addWidget(row.deletedAt);
        line->addLayout(texts, 1);
        const Uuid noteId = entry.note.id;
        row.restore = new QPushButton(bundledIcon(Symbol::arrowClockwise, colors.text), QStringLiteral("恢复"), row.row);
        row.restore->setObjectName(QStringLiteral("restoreButton"));
        makeClickable(row.restore);
        AppState* state = &m_state;
        connect(row.restore, &QPushButton::clicked, this, [state, noteId] { state->restoreFromTrash(noteId); });
        row.deleteForGood = new QPushButton(QStringLiteral("彻底删除"), row.row);
        row.deleteForGood->setObjectName(QStringLiteral("deleteForGoodButton"));
        row.deleteForGood->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(colors.red.name()));
        makeClickable(row.deleteForGood);
        connect(row.deleteForGood, &QPushButton::clicked, this, [state, noteId] { state->deleteFromTrash(noteId); });
        line->addWidget(row.restore);
        line->addWidget(row.deleteForGood);
        m_list->addWidget(row.row);
        m_rows.push_back(row);
    }
    m_listCard->setVisible(!m_rows.empty());
    m_emptyText->setVisible(m_rows.empty());
    m_empty->setEnabled(!m_rows.empty());
    const std::optional<std::string>& problem = m_state.trashProblem();
    m_problem->setVisible(problem.has_value());
    m_problem->setText(problem ? qs(*problem) : QString());
}

} // namespace brivet
