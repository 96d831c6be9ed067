#include "dashboard/DashboardOverviewView.h"

#include "dashboard/DashboardAccessibility.h"
#include "dashboard/DashboardActionCard.h"
#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardMenuButton.h"
#include "dashboard/DashboardNoteEditor.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/FilterChip.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteTransferActions.h"
#include "dashboard/NoteListView.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QEasingCurve>
#include <QGraphicsBlurEffect>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace brivet {

namespace {

constexpr double editorBlurRadius = 12.0;

Symbol filterSymbol(DashboardOverviewFilter filter)
{
    switch (filter) {
    case DashboardOverviewFilter::today: return Symbol::sun;
    case DashboardOverviewFilter::sceneBoards: return Symbol::stack;
    case DashboardOverviewFilter::sources: return Symbol::tray;
    case DashboardOverviewFilter::deferred: return Symbol::clockBadge;
    case DashboardOverviewFilter::surfaced: return Symbol::windowOnRectangle;
    }
    return Symbol::sun;
}

QLabel* sectionTitle(const QString& text, QWidget* parent)
{
    return makeLabel(text, 17, QFont::DemiBold, Theme::from(parent->palette()).text, parent);
}

// Dims the page under the editor and takes every click meant for it.
class EditorLayer final : public QWidget {
public:
    explicit EditorLayer(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("editorLayer")); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0, 0, 0, 46));
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void wheelEvent(QWheelEvent* event) override { event->accept(); }
};

// A closing editor's last look, fading out in its place: the editor itself
// leaves at once, so neither the keyboard nor a screen reader meets a
// control that is on its way out.
class EditorPicture final : public QWidget {
public:
    EditorPicture(const QPixmap& picture, QWidget* parent)
        : QWidget(parent)
        , m_picture(picture)
    {
        setObjectName(QStringLiteral("closingEditor"));
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void wheelEvent(QWheelEvent* event) override { event->accept(); }

private:
    QPixmap m_picture;
};

} // namespace

DashboardOverviewView::DashboardOverviewView(AppState& state, Scheduler& scheduler, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_scheduler(scheduler)
    , m_bridge(bridge)
{
    setObjectName(QStringLiteral("dashboardOverview"));
    // Takes the focus back from a closing editor, so that Qt does not hand
    // it to the first control of the page and scroll there.
    setFocusPolicy(Qt::ClickFocus);
    buildPage();
    connect(&bridge, &StateBridge::notesChanged, this, [this] { markDirty(true); });
    connect(&bridge, &StateBridge::preferencesChanged, this, [this] { markDirty(false); });
}

DashboardOverviewView::~DashboardOverviewView() = default;

DashboardNoteEditor* DashboardOverviewView::editor() const
{
    return m_editor;
}

void DashboardOverviewView::buildPage()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(buildOrphanNotice(this));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("overviewScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(m_scroll);

    auto* page = new QWidget(m_scroll);
    page->setObjectName(QStringLiteral("overviewPage"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(28, 24, 28, 28);
    column->setSpacing(22);
    column->addWidget(buildIntroduction(page));
    column->addWidget(buildMetrics(page));
    column->addWidget(buildActions(page));
    column->addWidget(buildBoards(page));
    column->addWidget(buildTaskView(page));
    column->addStretch(1);
    m_scroll->setWidget(page);
}

QWidget* DashboardOverviewView::buildOrphanNotice(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("orphanedDraftNotice"));
    auto* line = new QHBoxLayout(bar);
    line->setContentsMargins(28, 10, 28, 10);
    line->setSpacing(10);
    line->addWidget(makeLabel(QStringLiteral("正在编辑的悬笺已在别处删除，你的修改还没有保存。"), 13, QFont::Normal, colors.text, bar,
                        LabelWrap::anywhere),
        1);
    auto* keep = new QPushButton(QStringLiteral("另存为新悬笺"), bar);
    keep->setObjectName(QStringLiteral("keepOrphanedDraft"));
    auto* drop = new QPushButton(QStringLiteral("放弃修改"), bar);
    drop->setObjectName(QStringLiteral("dropOrphanedDraft"));
    line->addWidget(keep);
    line->addWidget(drop);
    connect(keep, &QPushButton::clicked, this, [this] {
        if (m_orphanedDraft)
            saveDraftAsNewNote(m_state, *m_orphanedDraft);
        setOrphanedDraft(std::nullopt);
    });
    connect(drop, &QPushButton::clicked, this, [this] { setOrphanedDraft(std::nullopt); });
    bar->hide();
    m_orphanNotice = bar;
    return bar;
}

void DashboardOverviewView::setOrphanedDraft(std::optional<DashboardNoteDraft> draft)
{
    m_orphanedDraft = std::move(draft);
    m_orphanNotice->setVisible(m_orphanedDraft.has_value());
}

QWidget* DashboardOverviewView::buildIntroduction(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    QLabel* eyebrow = makeLabel(QStringLiteral("桌面执行层"), 12, QFont::DemiBold, colors.accent, box);
    eyebrow->setObjectName(QStringLiteral("introEyebrow"));
    column->addWidget(eyebrow);
    QLabel* text = makeLabel(QStringLiteral("悬笺不再是全量任务库，而是把今天真正值得看到的事项抬到桌面。Dock 负责编辑与配置，桌面负责执行与勾选。"),
        20, QFont::DemiBold, colors.text, box, LabelWrap::anywhere);
    text->setObjectName(QStringLiteral("introText"));
    column->addWidget(text);
    return box;
}

QWidget* DashboardOverviewView::buildMetrics(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    struct Card {
        const char* title;
        const char* caption;
        Symbol symbol;
        QColor tint;
    };
    const Card cards[] = {
        { "今日执行项", "今天真正该被看见的任务", Symbol::stackFill, colors.accent },
        { "已上桌面", "", Symbol::windowOnRectangle, colors.green },
        { "已延期", "稍后 1 小时 / 下午 / 明天会在这里收纳", Symbol::clockBadge, colors.orange },
    };
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(14);
    for (std::size_t i = 0; i < 3; ++i) {
        auto* card = new DashboardCard(row);
        card->setObjectName(QStringLiteral("metricCard%1").arg(i));
        auto* column = new QVBoxLayout(card);
        column->setContentsMargins(16, 14, 16, 14);
        column->setSpacing(4);
        auto* head = new QHBoxLayout;
        head->setSpacing(8);
        auto* icon = new QLabel(card);
        icon->setPixmap(bundledIcon(cards[i].symbol, cards[i].tint).pixmap(18, 18));
        head->addWidget(icon);
        m_metricTitles[i] = QString::fromUtf8(cards[i].title);
        head->addWidget(makeLabel(m_metricTitles[i], 13, QFont::Medium, colors.secondaryText, card), 1);
        column->addLayout(head);
        m_metricValues[i] = makeLabel(QStringLiteral("0"), 30, QFont::Bold, cards[i].tint, card);
        m_metricValues[i]->setObjectName(QStringLiteral("metricValue"));
        column->addWidget(m_metricValues[i]);
        QLabel* caption = makeLabel(QString::fromUtf8(cards[i].caption), 12, QFont::Normal, colors.secondaryText, card, LabelWrap::anywhere);
        if (i == 1)
            m_surfacedCaption = caption;
        column->addWidget(caption);
        column->addStretch(1);
        line->addWidget(card, 1);
    }
    return row;
}

QWidget* DashboardOverviewView::buildActions(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(sectionTitle(QStringLiteral("快捷操作"), box));
    auto* grid = new QGridLayout;
    grid->setSpacing(14);
    column->addLayout(grid);

    struct MenuTile {
        const char* title;
        const char* subtitle;
        Symbol symbol;
        const char* actionTitle;
        std::function<void(NoteSizePreset)> action;
    };
    AppState& state = m_state;
    const MenuTile menuTiles[] = {
        { "新建普通悬笺", "快速创建一张本地悬笺，并按你选的尺寸上桌面", Symbol::plusSquareFill, "新建",
            [&state](NoteSizePreset size) { state.createNote(nullptr, size, NewNoteWindow::focused); } },
        { "生成今日桌面板", "把今天最重要的 3-6 项任务钉到桌面", Symbol::sparklesStack, "生成",
            [&state](NoteSizePreset size) { state.generateTodayFocusBoard(RevealBoard::yes, size); } },
        { "生成即将到期板", "把未来几天最容易遗漏的事项提前浮出", Symbol::calendarTimeline, "生成",
            [&state](NoteSizePreset size) { state.generateUpcomingBoard(RevealBoard::yes, size); } },
        { "自定义场景板", "自己定义标题、内容和任务，更适合个人工作流", Symbol::stackFill, "创建",
            [this](NoteSizePreset size) { startCustomBoard(size); } },
    };
    int slot = 0;
    for (const MenuTile& tile : menuTiles) {
        auto* card = new DashboardActionCard(QString::fromUtf8(tile.title), QString::fromUtf8(tile.subtitle), tile.symbol,
            Symbol::sliders, QString::fromUtf8(tile.actionTitle) + QStringLiteral("并选择尺寸"), box);
        makeSizeMenuButton(card, tile.action);
        m_tiles[std::size_t(slot)] = card;
        grid->addWidget(card, slot / 3, slot % 3);
        ++slot;
    }
    auto* sync = new DashboardActionCard(QStringLiteral("开始同步"), QStringLiteral("按当前选择的时间范围和来源刷新桌面数据"),
        Symbol::playCircleFill, Symbol::arrowUpRight, {}, box);
    connect(sync, &DashboardActionCard::clicked, this, &DashboardOverviewView::startSync);
    m_tiles[4] = sync;
    grid->addWidget(sync, 1, 1);
    auto* hideAll = new DashboardActionCard(QStringLiteral("收起桌面悬笺"), QStringLiteral("保留数据，只关闭桌面展示"),
        Symbol::eyeSlash, Symbol::arrowUpRight, {}, box);
    connect(hideAll, &DashboardActionCard::clicked, this, [this] { m_state.hideAllNotes(); });
    m_tiles[5] = hideAll;
    grid->addWidget(hideAll, 1, 2);
    for (int c = 0; c < 3; ++c)
        grid->setColumnStretch(c, 1);
    return box;
}

QWidget* DashboardOverviewView::buildBoards(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(sectionTitle(QStringLiteral("桌面场景板"), box));
    m_boardModel = new NoteListModel(m_state, this);
    m_boardList = new NoteListView(m_boardModel, box);
    m_boardList->setObjectName(QStringLiteral("boardList"));
    connect(m_boardList, &NoteListView::editRequested, this, &DashboardOverviewView::edit);
    column->addWidget(m_boardList);
    m_noBoards = makeLabel(qs(filterTexts(DashboardOverviewFilter::sceneBoards).emptyTitle), 13, QFont::Normal,
        colors.secondaryText, box);
    column->addWidget(m_noBoards);
    return box;
}

QWidget* DashboardOverviewView::buildTaskView(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(sectionTitle(QStringLiteral("任务视图"), box));
    titleRow->addStretch(1);
    m_transfer = new NoteTransferActions(m_state, this);
    m_exportButton = new QPushButton(QStringLiteral("导出…"), box);
    m_exportButton->setObjectName(QStringLiteral("overviewExport"));
    m_exportButton->setCursor(Qt::PointingHandCursor);
    connect(m_exportButton, &QPushButton::clicked, this, [this] { m_transfer->exportNotes(shownNotes()); });
    titleRow->addWidget(m_exportButton);
    column->addLayout(titleRow);

    auto* chipRow = new QHBoxLayout;
    chipRow->setSpacing(8);
    auto* chips = new QButtonGroup(this);
    for (DashboardOverviewFilter filter : allOverviewFilters) {
        auto* chip = new FilterChip(qs(filterTexts(filter).chipTitle), filterSymbol(filter), box);
        chip->setObjectName(QStringLiteral("filterChip"));
        chips->addButton(chip);
        // Checked by a click, the keyboard or a screen reader's Toggle alike.
        connect(chip, &FilterChip::toggled, this, [this, filter](bool on) {
            if (on && m_filter != filter)
                selectFilter(filter);
        });
        m_chips[index(filter)] = chip;
        chipRow->addWidget(chip);
    }
    chipRow->addStretch(1);
    column->addLayout(chipRow);

    m_sourceRow = new QWidget(box);
    auto* sourceLine = new QHBoxLayout(m_sourceRow);
    sourceLine->setContentsMargins(0, 0, 0, 0);
    sourceLine->setSpacing(8);
    auto* sourceChips = new QButtonGroup(this);
    for (DashboardSourceFilter source : allSourceFilters) {
        auto* chip = new FilterChip(qs(title(source)), std::nullopt, m_sourceRow);
        chip->setObjectName(QStringLiteral("sourceChip"));
        sourceChips->addButton(chip);
        connect(chip, &FilterChip::toggled, this, [this, source](bool on) {
            if (on && m_sourceFilter != source)
                selectSourceFilter(source);
        });
        m_sourceChips[index(source)] = chip;
        sourceLine->addWidget(chip);
    }
    sourceLine->addStretch(1);
    column->addWidget(m_sourceRow);

    m_search = new QLineEdit(box);
    m_search->setObjectName(QStringLiteral("taskSearch"));
    m_search->setPlaceholderText(QStringLiteral("搜索标题、内容或任务"));
    m_search->setAccessibleName(QStringLiteral("搜索"));
    m_search->setAccessibleDescription(QStringLiteral("搜索标题、内容或任务（Ctrl+F）"));
    m_search->setClearButtonEnabled(true);
    // The magnifier is a picture inside the field, not a button.
    auto* magnifier = new QLabel(m_search);
    magnifier->setPixmap(bundledIcon(Symbol::search, colors.secondaryText).pixmap(16, 16));
    magnifier->setAttribute(Qt::WA_TransparentForMouseEvents);
    magnifier->setGeometry(10, (34 - 16) / 2, 16, 16);
    m_search->setTextMargins(26, 0, 0, 0);
    for (QToolButton* clear : m_search->findChildren<QToolButton*>()) {
        clear->setAccessibleName(QStringLiteral("清除搜索"));
        clear->setFocusPolicy(Qt::TabFocus);
    }
    m_search->setMinimumHeight(34);
    setUiFont(m_search, 13);
    connect(m_search, &QLineEdit::textChanged, this, &DashboardOverviewView::setSearchText);
    column->addWidget(m_search);

    m_sectionTitle = makeLabel({}, 15, QFont::DemiBold, colors.text, box);
    m_sectionTitle->setObjectName(QStringLiteral("taskSectionTitle"));
    column->addWidget(m_sectionTitle);
    m_sectionDescription = makeLabel({}, 12, QFont::Normal, colors.secondaryText, box, LabelWrap::anywhere);
    column->addWidget(m_sectionDescription);
    m_searchSummary = makeLabel({}, 12, QFont::Medium, colors.accent, box);
    m_searchSummary->setObjectName(QStringLiteral("searchSummary"));
    column->addWidget(m_searchSummary);

    m_taskModel = new NoteListModel(m_state, this);
    m_taskList = new NoteListView(m_taskModel, box);
    m_taskList->setObjectName(QStringLiteral("taskList"));
    connect(m_taskList, &NoteListView::editRequested, this, &DashboardOverviewView::edit);
    column->addWidget(m_taskList);

    m_empty = new DashboardCard(box);
    m_empty->setObjectName(QStringLiteral("taskEmptyState"));
    auto* emptyColumn = new QVBoxLayout(m_empty);
    emptyColumn->setContentsMargins(20, 26, 20, 26);
    emptyColumn->setSpacing(6);
    m_emptyIcon = new QLabel(m_empty);
    m_emptyIcon->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(m_emptyIcon);
    m_emptyTitle = makeLabel({}, 15, QFont::DemiBold, colors.text, m_empty);
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(m_emptyTitle);
    m_emptyText = makeLabel({}, 12, QFont::Normal, colors.secondaryText, m_empty, LabelWrap::anywhere);
    m_emptyText->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(m_emptyText);
    column->addWidget(m_empty);

    m_chips[index(m_filter)]->setChecked(true);
    m_sourceChips[index(m_sourceFilter)]->setChecked(true);
    return box;
}

// --- Lists ---------------------------------------------------------------------

void DashboardOverviewView::markDirty(bool notesChanged)
{
    if (notesChanged)
        m_searchIndex.invalidate();
    m_dirty = true;
    // Nothing is computed for a page nobody sees; showing it catches up.
    if (m_refreshQueued || !isVisible())
        return;
    m_refreshQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshQueued = false;
            refreshIfNeeded();
        },
        Qt::QueuedConnection);
}

void DashboardOverviewView::refreshIfNeeded()
{
    if (m_dirty)
        refresh();
}

void DashboardOverviewView::refresh()
{
    m_dirty = false;
    m_lists = computeDashboardLists(m_state);
    bool hasCustomBoards = false;
    for (std::uint32_t position : m_lists.byFilter[index(DashboardOverviewFilter::sceneBoards)])
        if (m_state.notes()[position].surfaceRole == NoteSurfaceRole::customBoard)
            hasCustomBoards = true;

    const std::array<DashboardOverviewFilter, 3> counted { DashboardOverviewFilter::today, DashboardOverviewFilter::surfaced,
        DashboardOverviewFilter::deferred };
    for (std::size_t i = 0; i < counted.size(); ++i) {
        QString count = QString::number(m_lists.count(counted[i]));
        m_metricValues[i]->setText(count);
        // Read with what it counts; a new name is announced as it changes.
        announceName(m_metricValues[i], m_metricTitles[i] + QStringLiteral("：") + count);
    }
    m_surfacedCaption->setText(qs(caption(m_state.preferences().desktopSurfaceMode)));

    for (DashboardOverviewFilter filter : allOverviewFilters)
        m_chips[index(filter)]->setCount(m_lists.count(filter));
    for (DashboardSourceFilter source : allSourceFilters)
        m_sourceChips[index(source)]->setCount(m_lists.count(source));

    const NotePositions& boards = m_lists.byFilter[index(DashboardOverviewFilter::sceneBoards)];
    m_boardModel->setPositions(boards, hasCustomBoards);
    m_boardList->setVisible(!boards.empty());
    m_noBoards->setVisible(boards.empty());
    m_hasCustomBoards = hasCustomBoards;
    showList();
    scheduleWakeUp();
}

std::vector<StickyNote> DashboardOverviewView::shownNotes() const
{
    std::vector<StickyNote> notes;
    const std::vector<StickyNote>& all = m_state.notes();
    for (std::uint32_t position : m_taskModel->positions())
        if (position < all.size())
            notes.push_back(all[position]);
    return notes;
}

void DashboardOverviewView::showList()
{
    const NotePositions& full = m_lists.list(m_filter, m_sourceFilter);
    NotePositions shown = m_searchIndex.filter(m_state.notes(), full, m_searchWords);
    bool searching = !m_searchWords.empty();
    bool empty = shown.empty();
    m_taskModel->setPositions(std::move(shown), m_hasCustomBoards);

    DashboardFilterTexts texts = filterTexts(m_filter);
    m_sectionTitle->setText(QString::fromStdString(sectionTitle(m_filter, m_sourceFilter)));
    m_sectionDescription->setText(qs(texts.description));
    m_sourceRow->setVisible(m_filter == DashboardOverviewFilter::sources);
    m_searchSummary->setVisible(searching);
    if (searching)
        m_searchSummary->setText(QStringLiteral("找到 %1 项").arg(m_taskModel->rowCount()));

    m_taskList->setVisible(!empty);
    m_empty->setVisible(empty);
    if (empty) {
        Theme colors = Theme::from(palette());
        m_emptyIcon->setPixmap(bundledIcon(filterSymbol(m_filter), colors.secondaryText).pixmap(28, 28));
        if (searching && !full.empty()) {
            m_emptyTitle->setText(QStringLiteral("没有找到匹配的悬笺"));
            m_emptyText->setText(QStringLiteral("换个关键词试试，搜索会查找标题、内容和任务。"));
        } else {
            m_emptyTitle->setText(qs(texts.emptyTitle));
            m_emptyText->setText(qs(texts.emptyText));
        }
    }
}

void DashboardOverviewView::scheduleWakeUp()
{
    // The lists depend on the time only through the day (today's notes) and
    // deferrals running out; one wake-up at the earlier of the two.
    const UserCalendar& calendar = m_state.calendar();
    Instant now = m_state.clock().now();
    Instant dayStart = calendar.startOfDay(now);
    Instant next = calendar.addingDays(dayStart, 1).value_or(dayStart + std::chrono::hours(24));
    for (const StickyNote& note : m_state.notes())
        if (note.deferredUntil && *note.deferredUntil > now && *note.deferredUntil < next)
            next = *note.deferredUntil;
    m_wakeUp = TaskHandle(m_scheduler, m_scheduler.schedule(next - now + Duration(1), [this] {
        m_wakeUp.release();
        markDirty(false);
    }));
}

void DashboardOverviewView::selectFilter(DashboardOverviewFilter filter)
{
    m_filter = filter;
    m_chips[index(filter)]->setChecked(true);
    refreshIfNeeded();
    showList();
}

void DashboardOverviewView::selectSourceFilter(DashboardSourceFilter source)
{
    m_sourceFilter = source;
    m_sourceChips[index(source)]->setChecked(true);
    refreshIfNeeded();
    showList();
}

void DashboardOverviewView::setSearchText(const QString& text)
{
    if (m_search->text() != text)
        m_search->setText(text); // comes back here through textChanged
    std::vector<std::string> words = DashboardSearch::words(text.toStdString());
    if (words == m_searchWords)
        return;
    m_searchWords = std::move(words);
    refreshIfNeeded();
    showList();
}

void DashboardOverviewView::resetViewState()
{
    discardEditor();
    setOrphanedDraft(std::nullopt);
    m_search->clear();
    selectSourceFilter(DashboardSourceFilter::all);
    selectFilter(DashboardOverviewFilter::today);
    m_scroll->verticalScrollBar()->setValue(0);
}

void DashboardOverviewView::showEvent(QShowEvent* event)
{
    refreshIfNeeded();
    QWidget::showEvent(event);
}

// --- Actions -------------------------------------------------------------------

void DashboardOverviewView::startSync()
{
    m_state.startSyncByHand(SyncStart::afterThisEvent);
}

void DashboardOverviewView::startCustomBoard(NoteSizePreset size)
{
    if (std::optional<Uuid> board = m_state.prepareSceneBoard(NoteSurfaceRole::customBoard, size))
        m_state.reveal(*board, SurfacePolicy::bypass, WindowFocus::take);
}

// --- Editor --------------------------------------------------------------------

void DashboardOverviewView::edit(const Uuid& noteId)
{
    if (m_session)
        return;
    m_session = DashboardEditorSession::begin(m_state, noteId);
    if (m_session)
        openEditor();
}

void DashboardOverviewView::openEditor()
{
    if (m_editorLayer) {
        // A closing editor still fading out goes at once.
        if (m_animation)
            m_animation->stop();
        m_editorLayer->deleteLater();
        m_editorLayer = nullptr;
    }
    m_editorLayer = new EditorLayer(this);
    m_editor = new DashboardNoteEditor(m_state, m_bridge, m_session->noteID, m_editorLayer);
    connect(m_editor, &DashboardNoteEditor::saved, this, [this] { closeEditor(DashboardEditorSession::Outcome::saved); });
    connect(m_editor, &DashboardNoteEditor::cancelled, this,
        [this] { closeEditor(DashboardEditorSession::Outcome::cancelled); });
    connect(m_editor, &DashboardNoteEditor::noteGone, this, [this] {
        // The editor closes with its note, but what the user typed is not
        // dropped without a word: the page offers to keep it as a new note.
        if (m_editor && m_editor->hasChanges())
            setOrphanedDraft(m_editor->draft());
        closeEditor(DashboardEditorSession::Outcome::cancelled);
    });
    placeEditor();
    m_focusBeforeEditor = QApplication::focusWidget();
    m_scrollBeforeEditor = m_scroll->verticalScrollBar()->value();
    m_scroll->setEnabled(false);
    if (!m_blur) {
        m_blur = new QGraphicsBlurEffect(m_scroll);
        m_blur->setBlurHints(QGraphicsBlurEffect::QualityHint);
        m_blur->setBlurRadius(0);
        m_scroll->setGraphicsEffect(m_blur);
    }
    m_editorLayer->show();
    m_editorLayer->raise();
    animateEditor(true);
    if (!m_editor->hasContent())
        QMetaObject::invokeMethod(m_editor, &DashboardNoteEditor::noteGone, Qt::QueuedConnection);
}

void DashboardOverviewView::discardEditor()
{
    if (m_session)
        closeEditor(DashboardEditorSession::Outcome::cancelled);
}

void DashboardOverviewView::closeEditor(DashboardEditorSession::Outcome outcome)
{
    if (!m_session)
        return;
    DashboardEditorSession session = *m_session;
    m_session.reset();
    QPixmap lastLook;
    if (m_editorLayer) {
        if (m_animation)
            m_animation->stop();
        m_editorLayer->setGraphicsEffect(nullptr);
        lastLook = m_editorLayer->grab();
    }
    if (m_editor) {
        // The draft goes with the editor; nothing more reaches the state.
        m_editor->disconnect(this);
        m_editor->setEnabled(false);
    }
    if (m_editorLayer) {
        // Its picture fades out; the editor leaves the page now.
        auto* picture = new EditorPicture(lastLook, this);
        picture->setGeometry(m_editorLayer->geometry());
        m_editorLayer->hide();
        m_editorLayer->deleteLater();
        m_editorLayer = picture;
        picture->show();
        picture->raise();
    }
    session.finish(m_state, outcome);
    m_scroll->setEnabled(true);
    QWidget* back = m_focusBeforeEditor;
    if (back && back->isVisible() && back->isEnabled() && !(m_editorLayer && m_editorLayer->isAncestorOf(back)))
        back->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
    m_scroll->verticalScrollBar()->setValue(m_scrollBeforeEditor);
    animateEditor(false);
}

void DashboardOverviewView::animateEditor(bool opening)
{
    if (m_animation)
        m_animation->stop();
    if (!m_editorLayer)
        return;
    auto* fade = new QGraphicsOpacityEffect(m_editorLayer);
    m_editorLayer->setGraphicsEffect(fade);
    auto* animation = new QVariantAnimation(this);
    m_animation = animation;
    animation->setDuration(editorAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(opening ? 0.0 : 1.0);
    animation->setEndValue(opening ? 1.0 : 0.0);
    QPointer<QWidget> layer = m_editorLayer;
    connect(animation, &QVariantAnimation::valueChanged, this, [this, fade, layer](const QVariant& value) {
        double progress = value.toDouble();
        if (layer)
            fade->setOpacity(progress);
        if (m_blur)
            m_blur->setBlurRadius(editorBlurRadius * progress);
    });
    connect(animation, &QVariantAnimation::finished, this, [this, layer, opening] {
        if (!layer)
            return;
        if (opening) {
            // Typing should not pay for an off-screen composition.
            layer->setGraphicsEffect(nullptr);
            return;
        }
        if (layer == m_editorLayer)
            m_editorLayer = nullptr;
        layer->deleteLater();
        if (!m_editorLayer) {
            m_scroll->setGraphicsEffect(nullptr);
            m_blur = nullptr;
        }
    });
    fade->setOpacity(opening ? 0.0 : 1.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void DashboardOverviewView::placeEditor()
{
    if (!m_editorLayer)
        return;
    m_editorLayer->setGeometry(rect());
    if (m_editor) {
        int margin = width() < 720 ? 12 : 24;
        m_editor->setGeometry(rect().adjusted(margin, margin, -margin, -margin));
    }
}

void DashboardOverviewView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeEditor();
}

} // namespace brivet
