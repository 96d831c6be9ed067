#include "dashboard/DashboardTemplatesView.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardLists.h"
#include "dashboard/DashboardMenuButton.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListView.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "ui/StateBridge.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace brivet {

namespace {

// A template's details as one line for its card: list markers and empty
// lines dropped ("议题\n- \n待办" reads "议题 · 待办").
QString previewText(const QString& details)
{
    static const QRegularExpression marker(QStringLiteral("^([-*•]|\\d+[.)、])\\s*"));
    QStringList parts;
    for (QString line : details.split(QLatin1Char('\n'))) {
        line = line.trimmed().remove(marker).trimmed();
        if (!line.isEmpty())
            parts << line;
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace

DashboardTemplatesView::DashboardTemplatesView(AppState& state, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("dashboardBoards"));
    Theme colors = Theme::from(palette());
    ScrollingPage scrolling = makeScrollingPage(this);
    QWidget* page = scrolling.page;
    QVBoxLayout* column = scrolling.column;

    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(makeLabel(QStringLiteral("场景板"), 26, QFont::Bold, colors.text, page));
    heading->addWidget(makeLabel(QStringLiteral("场景板不是普通任务列表，而是把某个场景下最关键的动作组合成一张桌面板。"), 13,
        QFont::Normal, colors.secondaryText, page, LabelWrap::anywhere));
    column->addLayout(heading);

    m_boardsSection = new QWidget(page);
    auto* boards = new QVBoxLayout(m_boardsSection);
    boards->setContentsMargins(0, 0, 0, 0);
    boards->setSpacing(8);
    boards->addWidget(makeLabel(QStringLiteral("当前场景板"), 17, QFont::DemiBold, colors.text, m_boardsSection));
    m_boardModel = new NoteListModel(state, this);
    m_boardList = new NoteListView(m_boardModel, m_boardsSection);
    connect(m_boardList, &NoteListView::editRequested, this, &DashboardTemplatesView::editRequested);
    boards->addWidget(m_boardList);
    column->addWidget(m_boardsSection);

    struct BoardCard {
        const char* title;
        const char* detail;
        Symbol symbol;
        std::function<void(NoteSizePreset)> action;
    };
    AppState* target = &state;
    const BoardCard boardCards[] = {
        { "自定义场景板", "新建一张你自己定义标题、内容和任务的场景板。对大多数用户来说，这比固定模板更有长期价值。",
            Symbol::sliders, [this](NoteSizePreset size) { prepareAndReveal(NoteSurfaceRole::customBoard, size); } },
        { "今日聚焦", "把今天最值得看到的任务自动组合成一张桌面板。", Symbol::sun,
            [target](NoteSizePreset size) { target->generateTodayFocusBoard(RevealBoard::yes, size); } },
        { "即将到期", "提前浮出未来几天最容易卡住你的事项。", Symbol::calendarAlert,
            [target](NoteSizePreset size) { target->generateUpcomingBoard(RevealBoard::yes, size); } },
        { "会议准备", "会前确认、会中记录、会后动作全部放进一张桌面板。", Symbol::people,
            [this](NoteSizePreset size) { prepareAndReveal(NoteSurfaceRole::meetingBoard, size); } },
        { "本周推进", "固定本周目标、阻塞点和下一步，适合持续摆在桌面。", Symbol::chartDoc,
            [this](NoteSizePreset size) { prepareAndReveal(NoteSurfaceRole::weeklyBoard, size); } },
    };
    struct Entry {
        QString title;
        QString detail;
        Symbol symbol;
        std::function<void(NoteSizePreset)> action;
    };
    std::vector<Entry> entries;
    for (const BoardCard& card : boardCards)
        entries.push_back({ QString::fromUtf8(card.title), QString::fromUtf8(card.detail), card.symbol, card.action });
    const auto& templates = state.templateProvider().templates();
    for (std::size_t i = 0; i < templates.size(); ++i) {
        const NoteTemplate* chosen = &templates[i];
        entries.push_back({ QString::fromStdString(chosen->title), QString::fromStdString(chosen->details),
            Symbol::notePlus,
            [target, chosen](NoteSizePreset size) { target->createNote(chosen, size, NewNoteWindow::focused); } });
    }

    auto* grid = new QGridLayout;
    grid->setSpacing(14);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        auto* card = new DashboardCard(page);
        card->setObjectName(QStringLiteral("galleryCard"));
        auto* body = new QVBoxLayout(card);
        body->setContentsMargins(16, 16, 16, 16);
        body->setSpacing(6);
        auto* icon = new QLabel(card);
        icon->setPixmap(bundledIcon(entry.symbol, colors.accent).pixmap(24, 24));
        body->addWidget(icon);
        body->addWidget(makeLabel(entry.title, 15, QFont::DemiBold, colors.text, card));
        QLabel* detail = makeLabel(previewText(entry.detail), 12, QFont::Normal, colors.secondaryText, card, LabelWrap::anywhere);
        // At most four whole lines.
        detail->setMaximumHeight(QFontMetrics(detail->font()).lineSpacing() * 4);
        detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        body->addWidget(detail, 1);
        QPushButton* button = makeProminentButton(bundledIcon(Symbol::plusSquareFill, Qt::white), QStringLiteral("选择尺寸生成"),
            colors.accent, { 6, 12 }, card);
        button->setObjectName(QStringLiteral("chooseSizeButton"));
        // Eight buttons say the same; each is read with the board it makes.
        button->setAccessibleName(QStringLiteral("选择尺寸生成：") + entry.title);
        makeSizeMenuButton(button, entry.action);
        body->addWidget(button, 0, Qt::AlignLeft);
        grid->addWidget(card, int(i / 3), int(i % 3));
        m_cards.push_back({ entry.title, entry.detail, button, entry.action });
    }
    for (int c = 0; c < 3; ++c)
        grid->setColumnStretch(c, 1);
    column->addLayout(grid);
    column->addStretch(1);

    auto markDirty = [this] {
        m_dirty = true;
        if (m_refreshQueued || !isVisible())
            return;
        m_refreshQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_refreshQueued = false;
                refresh();
            },
            Qt::QueuedConnection);
    };
    connect(&bridge, &StateBridge::notesChanged, this, markDirty);
    connect(&bridge, &StateBridge::preferencesChanged, this, markDirty);
    refresh();
}

void DashboardTemplatesView::choose(std::size_t card, NoteSizePreset size) const
{
    if (card < m_cards.size() && m_cards[card].action)
        m_cards[card].action(size);
}

void DashboardTemplatesView::prepareAndReveal(NoteSurfaceRole role, NoteSizePreset size)
{
    std::optional<Uuid> board = m_state.prepareSceneBoard(role, size);
    if (!board)
        return;
    // Bypasses the surface policy; a board that has gone sets the status.
    m_state.reveal(*board, SurfacePolicy::bypass, WindowFocus::take);
}

void DashboardTemplatesView::showEvent(QShowEvent* event)
{
    if (m_dirty)
        refresh();
    QWidget::showEvent(event);
}

void DashboardTemplatesView::refresh()
{
    m_dirty = false;
    std::vector<StickyNote> boards = m_state.sceneBoards();
    bool hasCustomBoards = std::any_of(boards.begin(), boards.end(),
        [](const StickyNote& board) { return board.surfaceRole == NoteSurfaceRole::customBoard; });
    std::vector<Uuid> ids;
    for (const StickyNote& board : boards)
        ids.push_back(board.id);
    NotePositions positions = positionsOf(m_state.notes(), ids);
    m_boardModel->setPositions(positions, hasCustomBoards);
    m_boardsSection->setVisible(!positions.empty());
}

} // namespace brivet
