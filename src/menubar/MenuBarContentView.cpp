#include "menubar/MenuBarContentView.h"

#include "ui/CardColors.h"
#include "menubar/MenuBarEmptyExecutionCard.h"
#include "menubar/MenuBarExecutionRow.h"
#include "menubar/MenuBarPanelStyle.h"
#include "menubar/MenuBarPrimaryExecutionCard.h"
#include "menubar/MenuBarQuickActionRow.h"
#include "menubar/MenuBarSceneBoardRow.h"
#include "menubar/MenuBarTexts.h"
#include "menubar/PanelAccessibility.h"
#include "menubar/SizeSubmenuView.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/WindowManaging.h"
#include "ui/CompositorWatch.h"
#include "ui/NoteSizePresetMenu.h"
#include "ui/StateBridge.h"
#include "ui/Symbol.h"
#include "ui/X11WindowHints.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace brivet {

namespace {

constexpr int margin = 14;
constexpr int cornerRadius = 20;
constexpr int anchorGap = 6;
// How long after a focus-loss close a tray click still counts as the
// click that caused it.
constexpr qint64 reopenGuardMs = 350;

QWidget* sectionHeader(const QString& title, const QString& subtitle, QWidget* parent)
{
    auto* header = new QWidget(parent);
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(1);
    QLabel* heading = MenuBarPanelStyle::label(title, 13, QFont::DemiBold, false, header);
    heading->setObjectName(QStringLiteral("sectionTitle"));
    layout->addWidget(heading);
    if (!subtitle.isEmpty()) {
        QLabel* caption = MenuBarPanelStyle::label(subtitle, 11, QFont::Normal, true, header);
        caption->setObjectName(QStringLiteral("sectionSubtitle"));
        layout->addWidget(caption);
    }
    return header;
}

} // namespace

MenuBarContentView::MenuBarContentView(AppState& state, Scheduler& scheduler, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint)
    , m_state(state)
    , m_bridge(std::make_unique<StateBridge>())
    , m_hover(scheduler)
    , m_compositor(std::make_unique<CompositorWatch>())
    , m_submenu(std::make_unique<SizeSubmenuView>(m_compositor->isCompositing()))
{
    installPanelAccessibility();
    setObjectName(QStringLiteral("menuBarPanel"));
    setWindowTitle(QStringLiteral("悬笺"));
    setAccessibleName(QStringLiteral("悬笺面板"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    m_composited = m_compositor->isCompositing();
    if (m_composited)
        setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(MenuBarTexts::panelWidth);

    buildChrome();

    m_hover.onChange = [this] { hoverChanged(); };
    connect(m_submenu.get(), &SizeSubmenuView::pointerEntered, this, [this] {
        if (m_submenuShownFor)
            m_hover.submenuEntered(*m_submenuShownFor);
    });
    connect(m_submenu.get(), &SizeSubmenuView::pointerLeft, this, [this] {
        if (m_submenuShownFor)
            m_hover.submenuLeft(*m_submenuShownFor);
    });
    connect(m_submenu.get(), &SizeSubmenuView::presetChosen, this, &MenuBarContentView::chooseSize);

    m_bridge->attach(state);
    connect(m_bridge.get(), &StateBridge::changed, this, [this](StateField field) {
        if (field == StateField::notes || field == StateField::preferences)
            scheduleRefresh();
    });
}

MenuBarContentView::~MenuBarContentView()
{
    m_hover.onChange = nullptr;
    m_bridge->detach();
}

void MenuBarContentView::buildChrome()
{
    auto* outer = new QVBoxLayout(this);
    // Scrolled content stops short of the rounded corners.
    outer->setContentsMargins(0, 2, 0, 8);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    outer->addWidget(m_scroll);

    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("panelContent"));
    m_contentLayout = new QVBoxLayout(m_content);
    m_contentLayout->setContentsMargins(margin, margin, margin, margin);
    m_contentLayout->setSpacing(14);

    // Header: the name and the promise on the left, the counts on the right.
    auto* header = new QWidget(m_content);
    header->setObjectName(QStringLiteral("header"));
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(2, 0, 2, 0);
    headerLayout->setSpacing(8);
    auto* brand = new QVBoxLayout;
    brand->setSpacing(2);
    brand->addWidget(MenuBarPanelStyle::label(QStringLiteral("悬笺"), 16, QFont::DemiBold, false, header));
    QLabel* promise = MenuBarPanelStyle::label(QStringLiteral("回到菜单栏就能继续当前最重要的一件事。"), 11, QFont::Normal, true, header);
    promise->setWordWrap(true);
    brand->addWidget(promise);
    headerLayout->addLayout(brand, 1);
    m_summary = MenuBarPanelStyle::label(QString(), 11, QFont::Medium, true, header);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setAlignment(Qt::AlignRight | Qt::AlignTop);
    headerLayout->addWidget(m_summary, 0, Qt::AlignTop);
    m_contentLayout->addWidget(header);

    // The quick actions never change; the sections above them do.
    auto* actions = new QWidget(m_content);
    actions->setObjectName(QStringLiteral("quickActions"));
    actions->setAccessibleName(QStringLiteral("快速操作"));
    auto* actionsLayout = new QVBoxLayout(actions);
    actionsLayout->setContentsMargins(0, 0, 0, 0);
    actionsLayout->setSpacing(2);
    actionsLayout->addWidget(sectionHeader(QStringLiteral("快速操作"), QString(), actions));
    for (QuickAction action : allQuickActions) {
        auto* row = new MenuBarQuickActionRow(action, actions);
        m_rows[action] = row;
        connect(row, &MenuBarQuickActionRow::entered, this, [this](QuickAction a) { m_hover.rowEntered(a); });
        connect(row, &MenuBarQuickActionRow::left, this, [this](QuickAction a) { m_hover.rowLeft(a); });
        connect(row, &MenuBarQuickActionRow::clicked, this, &MenuBarContentView::perform);
        row->installEventFilter(this);
        actionsLayout->addWidget(row);
    }
    m_contentLayout->addWidget(actions);
    m_scroll->setWidget(m_content);
    // The scroll area fills the widget it is given; the panel's own rounded
    // background must show through.
    m_content->setAutoFillBackground(false);
}

MenuBarQuickActionRow* MenuBarContentView::quickActionRow(QuickAction action) const
{
    auto found = m_rows.find(action);
    return found == m_rows.end() ? nullptr : found->second;
}

MenuBarContentView::Snapshot MenuBarContentView::takeSnapshot() const
{
    Snapshot snapshot;
    snapshot.summary = m_state.menuBarSummaryText();
    snapshot.primary = m_state.primaryExecutionNote();
    snapshot.queue = MenuBarTexts::executionQueue(m_state);
    snapshot.boards = MenuBarTexts::listedSceneBoards(m_state);
    snapshot.customBoards = m_state.customSceneBoards();
    snapshot.dayStart = m_state.calendar().startOfDay(m_state.clock().now());
    return snapshot;
}

void MenuBarContentView::scheduleRefresh()
{
    if (!isVisible()) {
        // Rebuilt when it next opens.
        m_shown.reset();
        return;
    }
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    // One rebuild per turn of the loop, however many changes an operation
    // makes, and never under the control whose click caused the change.
    QMetaObject::invokeMethod(this, [this] {
        m_refreshQueued = false;
        if (isVisible())
            refresh();
    }, Qt::QueuedConnection);
}

void MenuBarContentView::refresh()
{
    // A menu of a row (defer, attach) is open: rebuilding would pull it
    // away under the pointer. The rebuild waits until it closes.
    if (QWidget* popup = QApplication::activePopupWidget(); popup && ownsPopup(popup)) {
        popup->installEventFilter(this);
        return;
    }
    Snapshot snapshot = takeSnapshot();
    if (m_shown && *m_shown == snapshot) {
        applyHeight();
        return;
    }
    m_summary->setText(qs(snapshot.summary));
    // A control of the old sections that had the focus (a tick just
    // pressed from the keyboard) hands it to the control in its place.
    int refocus = -1;
    for (std::size_t i = 0; i < m_focusOrder.size(); ++i)
        if (m_focusOrder[i] && m_focusOrder[i]->hasFocus() && m_sections && m_sections->isAncestorOf(m_focusOrder[i]))
            refocus = static_cast<int>(i);
    QWidget* sections = buildSections(snapshot);
    if (QWidget* old = m_sections) {
        old->hide();
        m_contentLayout->removeWidget(old);
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_sections = sections;
    m_contentLayout->insertWidget(1, sections);
    // Shown now, not on the next turn of the loop, so the height is
    // measured with it.
    sections->show();
    m_shown = std::move(snapshot);
    updateFocusOrder(refocus);
    applyHeight();
}

void MenuBarContentView::updateFocusOrder(int refocus)
{
    m_focusOrder.clear();
    // Children in creation order, depth first: the reading order of the
    // sections (rebuilt sections come last in Qt's own chain).
    for (QWidget* widget : m_sections->findChildren<QWidget*>())
        if (widget->focusPolicy() & Qt::TabFocus) {
            m_focusOrder.emplace_back(widget);
            widget->installEventFilter(this);
        }
    int sectionControls = static_cast<int>(m_focusOrder.size());
    for (QuickAction action : allQuickActions)
        m_focusOrder.emplace_back(m_rows[action]);
    if (refocus >= 0 && isActiveWindow())
        m_focusOrder[static_cast<std::size_t>(std::min(refocus, std::max(sectionControls - 1, 0)))]->setFocus(Qt::TabFocusReason);
}

bool MenuBarContentView::focusNextPrevChild(bool next)
{
    // Qt's focus chain follows creation order, and the sections are
    // rebuilt after the quick actions: Tab follows the reading order
    // instead, round and round.
    std::vector<QWidget*> order;
    for (const QPointer<QWidget>& widget : m_focusOrder)
        if (widget && widget->isVisibleTo(this) && widget->isEnabled())
            order.push_back(widget);
    if (order.empty())
        return QWidget::focusNextPrevChild(next);
    auto at = std::find(order.begin(), order.end(), focusWidget());
    int count = static_cast<int>(order.size());
    int index = at == order.end() ? (next ? 0 : count - 1)
                                  : (static_cast<int>(at - order.begin()) + (next ? 1 : count - 1)) % count;
    order[static_cast<std::size_t>(index)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

QWidget* MenuBarContentView::lineOf(QWidget* control) const
{
    // A quick-action row is a line of its own; a button shares its line
    // with the other buttons of its card or row.
    return qobject_cast<MenuBarQuickActionRow*>(control) ? control : control->parentWidget();
}

void MenuBarContentView::moveFocusAcrossLines(QWidget* control, int step)
{
    std::vector<QWidget*> lines;
    for (const QPointer<QWidget>& widget : m_focusOrder)
        if (widget && (lines.empty() || lines.back() != lineOf(widget)))
            lines.push_back(lineOf(widget));
    auto at = std::find(lines.begin(), lines.end(), lineOf(control));
    if (at == lines.end())
        return;
    int target = static_cast<int>(at - lines.begin()) + step;
    if (target < 0 || target >= static_cast<int>(lines.size()))
        return;
    QWidget* line = lines[static_cast<std::size_t>(target)];
    // The same control (by name) in the line above or below, else its first.
    QWidget* first = nullptr;
    for (const QPointer<QWidget>& widget : m_focusOrder) {
        if (!widget || lineOf(widget) != line)
            continue;
        if (!first)
            first = widget;
        if (widget->objectName() == control->objectName()) {
            first = widget;
            break;
        }
    }
    if (first)
        first->setFocus(Qt::TabFocusReason);
}

void MenuBarContentView::moveFocusWithinLine(QWidget* control, int step)
{
    auto at = std::find(m_focusOrder.begin(), m_focusOrder.end(), control);
    if (at == m_focusOrder.end())
        return;
    int target = static_cast<int>(at - m_focusOrder.begin()) + step;
    if (target < 0 || target >= static_cast<int>(m_focusOrder.size()))
        return;
    QWidget* next = m_focusOrder[static_cast<std::size_t>(target)];
    if (next && lineOf(next) == lineOf(control))
        next->setFocus(Qt::TabFocusReason);
}

bool MenuBarContentView::handleControlKey(QWidget* control, QKeyEvent* event)
{
    // Shift+Tab and other chords are Qt's.
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    int key = event->key();
    bool activates = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (auto* row = qobject_cast<MenuBarQuickActionRow*>(control)) {
        if (m_submenuShownFor == row->action()) {
            // The submenu never has the focus: its row drives it.
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                m_submenu->moveCurrent(key == Qt::Key_Down ? 1 : -1);
                return true;
            }
            if (activates) {
                if (!m_submenu->chooseCurrent())
                    m_submenu->moveCurrent(1);
                return true;
            }
            if (key == Qt::Key_Left || key == Qt::Key_Escape) {
                m_hover.closeSubmenu();
                return true;
            }
            return false;
        }
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            moveFocusAcrossLines(row, key == Qt::Key_Down ? 1 : -1);
            return true;
        }
        if (activates || (key == Qt::Key_Right && hasSizeSubmenu(row->action()))) {
            row->activate();
            // Opened from the keyboard: its first entry is current.
            if (m_submenuShownFor == row->action())
                m_submenu->moveCurrent(1);
            return true;
        }
        return false;
    }
    auto* button = qobject_cast<QToolButton*>(control);
    if (!button)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Space is the button's own; Enter does the same.
        if (button->menu())
            button->showMenu();
        else
            button->click();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down: moveFocusAcrossLines(button, key == Qt::Key_Down ? 1 : -1); return true;
    case Qt::Key_Left:
    case Qt::Key_Right: moveFocusWithinLine(button, key == Qt::Key_Right ? 1 : -1); return true;
    default: return false;
    }
}

bool MenuBarContentView::ownsPopup(const QWidget* popup) const
{
    // A menu is a window of its own, so isAncestorOf does not reach it.
    for (const QWidget* widget = popup; widget; widget = widget->parentWidget())
        if (widget == this)
            return true;
    return false;
}

bool MenuBarContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() && watched != this)
        return handleControlKey(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
    // Only the row menus are watched for hiding; the panel's own controls
    // are watched for keys.
    if (event->type() == QEvent::Hide && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        watched->removeEventFilter(this);
        scheduleRefresh();
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* MenuBarContentView::buildSections(const Snapshot& snapshot)
{
    auto* sections = new QWidget(m_content);
    sections->setObjectName(QStringLiteral("sections"));
    auto* layout = new QVBoxLayout(sections);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    if (snapshot.primary) {
        auto* card = new MenuBarPrimaryExecutionCard(*snapshot.primary, m_state.calendar(), m_state.clock().now(), sections);
        connect(card, &MenuBarPrimaryExecutionCard::completionToggled, this,
            [this](const Uuid& id) { m_state.toggleExecutionNoteCompletion(id); });
        connect(card, &MenuBarPrimaryExecutionCard::deferChosen, this, [this](const Uuid& id, NoteDeferPreset preset) {
            m_state.deferNote(id, preset);
        });
        connect(card, &MenuBarPrimaryExecutionCard::openRequested, this, &MenuBarContentView::openNote);
        layout->addWidget(card);
    } else {
        layout->addWidget(new MenuBarEmptyExecutionCard(sections));
    }
    layout->addWidget(buildQueueSection(snapshot, sections));
    layout->addWidget(buildBoardsSection(snapshot, sections));
    return sections;
}

QWidget* MenuBarContentView::buildQueueSection(const Snapshot& snapshot, QWidget* parent)
{
    auto* section = new QWidget(parent);
    section->setObjectName(QStringLiteral("queueSection"));
    section->setAccessibleName(QStringLiteral("接下来"));
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    bool empty = snapshot.queue.empty();
    layout->addWidget(sectionHeader(QStringLiteral("接下来"),
        empty ? QStringLiteral("当前没有待推进事项") : QStringLiteral("从这里继续推进今天最重要的任务"), section));
    if (empty) {
        QLabel* placeholder = MenuBarPanelStyle::label(QStringLiteral("你可以直接新建悬笺，或者先生成一张今日桌面板。"), 12,
            QFont::Normal, true, section);
        placeholder->setObjectName(QStringLiteral("queuePlaceholder"));
        placeholder->setWordWrap(true);
        placeholder->setContentsMargins(2, 4, 2, 0);
        layout->addWidget(placeholder);
        return section;
    }
    for (const StickyNote& note : snapshot.queue) {
        auto* row = new MenuBarExecutionRow(note, snapshot.customBoards, m_state.calendar(), section);
        connect(row, &MenuBarExecutionRow::completionToggled, this, [this](const Uuid& id) { m_state.toggleExecutionNoteCompletion(id); });
        connect(row, &MenuBarExecutionRow::deferChosen, this, [this](const Uuid& id, NoteDeferPreset preset) {
            m_state.deferNote(id, preset);
        });
        connect(row, &MenuBarExecutionRow::openRequested, this, &MenuBarContentView::openNote);
        connect(row, &MenuBarExecutionRow::attachRequested, this,
            [this](const Uuid& id, const Uuid& board) { m_state.addExecutionNote(id, board); });
        connect(row, &MenuBarExecutionRow::newBoardRequested, this,
            [this](const Uuid& id) { m_state.createCustomSceneBoard(id, NoteSizePreset::medium); });
        layout->addWidget(row);
    }
    return section;
}

QWidget* MenuBarContentView::buildBoardsSection(const Snapshot& snapshot, QWidget* parent)
{
    auto* section = new QWidget(parent);
    section->setObjectName(QStringLiteral("boardsSection"));
    section->setAccessibleName(QStringLiteral("桌面场景板"));
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    bool empty = snapshot.boards.empty();
    layout->addWidget(sectionHeader(QStringLiteral("桌面场景板"),
        empty ? QStringLiteral("还没有固定到桌面的场景板") : QStringLiteral("这些卡片会持续待在桌面上"), section));
    if (empty) {
        QColor text = palette().color(QPalette::WindowText);
        QToolButton* generate = MenuBarPanelStyle::textButton(bundledIcon(Symbol::sparklesRectangleStack, text),
            QStringLiteral("生成今日桌面板"), QStringLiteral("generateTodayBoard"), false, section);
        generate->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new NoteSizePresetMenu(generate);
        connect(menu, &NoteSizePresetMenu::presetChosen, this,
            [this](NoteSizePreset preset) { m_state.generateTodayFocusBoard(RevealBoard::yes, preset); });
        generate->setMenu(menu);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(2, 4, 0, 0);
        row->addWidget(generate);
        row->addStretch();
        layout->addLayout(row);
        return section;
    }
    for (const StickyNote& board : snapshot.boards) {
        auto* row = new MenuBarSceneBoardRow(board, section);
        connect(row, &MenuBarSceneBoardRow::revealRequested, this, [this](const Uuid& id) {
            m_state.reveal(id, SurfacePolicy::respect, WindowFocus::take);
        });
        connect(row, &MenuBarSceneBoardRow::openRequested, this, &MenuBarContentView::openNote);
        layout->addWidget(row);
    }
    return section;
}

void MenuBarContentView::openNote(const Uuid& noteId)
{
    m_state.openNoteDetails(noteId);
    // The note's window has the focus now; the panel has done its job.
    dismiss();
}

void MenuBarContentView::perform(QuickAction action)
{
    switch (action) {
    case QuickAction::create:
    case QuickAction::board:
        m_hover.rowClicked(action);
        return;
    case QuickAction::sync:
        // Returns at once: the sync runs on the system store's own loop.
        m_state.startSyncByHand(SyncStart::now);
        return;
    case QuickAction::dashboard:
    case QuickAction::settings:
        m_state.setDashboardDestination(action == QuickAction::dashboard ? DashboardDestination::today : DashboardDestination::settings);
        dismiss();
        emit dashboardRequested();
        return;
    case QuickAction::quit:
        dismiss();
        emit quitRequested();
        return;
    }
}

void MenuBarContentView::chooseSize(NoteSizePreset preset)
{
    std::optional<QuickAction> action = m_hover.activeSubmenu();
    if (action == QuickAction::create)
        m_state.createNote(nullptr, preset, NewNoteWindow::focused);
    else if (action == QuickAction::board)
        m_state.generateTodayFocusBoard(RevealBoard::yes, preset);
    m_hover.sizeChosen();
}

void MenuBarContentView::hoverChanged()
{
    for (auto& [action, row] : m_rows)
        row->setHighlighted(m_hover.hoveredRow() == action || m_hover.activeSubmenu() == action);

    std::optional<QuickAction> active = isVisible() ? m_hover.activeSubmenu() : std::nullopt;
    if (active == m_submenuShownFor)
        return;
    m_submenuShownFor = active;
    if (!active) {
        m_submenu->hide();
        return;
    }
    MenuBarQuickActionRow* row = quickActionRow(*active);
    m_submenu->setOwnerTitle(row->accessibleName());
    QRect rowRect(row->mapToGlobal(QPoint(0, 0)), row->size());
    m_submenu->presentBeside(rowRect, frameGeometry());
}

QScreen* MenuBarContentView::panelScreen() const
{
    QScreen* screen = m_anchor.isValid() ? QGuiApplication::screenAt(m_anchor.center()) : nullptr;
    if (!screen && windowHandle())
        screen = windowHandle()->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

double MenuBarContentView::panelMaximumHeight() const
{
    QScreen* screen = panelScreen();
    return MenuBarTexts::panelMaximumHeight(screen ? std::optional<double>(screen->availableGeometry().height()) : std::nullopt);
}

void MenuBarContentView::applyHeight()
{
    m_contentLayout->activate();
    int width = MenuBarTexts::panelWidth;
    QMargins outer = layout()->contentsMargins();
    int content = outer.top() + outer.bottom()
        + (m_contentLayout->hasHeightForWidth() ? m_contentLayout->totalHeightForWidth(width)
                                                : m_contentLayout->totalSizeHint().height());
    int height = static_cast<int>(std::lround(MenuBarTexts::panelHeight(content, panelMaximumHeight())));
    setFixedHeight(height);
}

void MenuBarContentView::popUp(const QRect& anchor)
{
    m_anchor = anchor.isValid() && !anchor.isEmpty() ? anchor : QRect(QCursor::pos(), QSize(1, 1));
    m_dismissedByFocusLoss.invalidate();
    m_shown.reset();
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
    QScreen* screen = panelScreen();
    QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    int x = std::clamp(m_anchor.center().x() - width() / 2, available.left() + anchorGap,
        std::max(available.left() + anchorGap, available.right() + 1 - width() - anchorGap));
    int y;
    if (m_anchor.center().y() < available.center().y())
        y = std::max(m_anchor.bottom() + 1 + anchorGap, available.top() + anchorGap);
    else
        y = std::min(m_anchor.top() - anchorGap - height(), available.bottom() + 1 - anchorGap - height());
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - height()));
    move(x, y);
    // The panel itself holds the focus when it opens: the first Tab goes
    // to the first control, and a pointer user sees no focus ring.
    setFocus(Qt::ActiveWindowFocusReason);
    show();
    raise();
    activateWindow();
}

void MenuBarContentView::dismiss()
{
    // Hiding the active window deactivates it; that is no focus loss.
    m_dismissing = true;
    hide();
    m_dismissing = false;
}

bool MenuBarContentView::wasJustDismissed() const
{
    return m_dismissedByFocusLoss.isValid() && m_dismissedByFocusLoss.elapsed() < reopenGuardMs;
}

void MenuBarContentView::keyPressEvent(QKeyEvent* event)
{
    // A submenu driven from its focused row took its Escape there; one the
    // pointer opened closes with the panel.
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MenuBarContentView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow() && !m_dismissing) {
        m_dismissedByFocusLoss.start();
        dismiss();
    }
}

void MenuBarContentView::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && windowHandle()) {
        // Read by the window manager when the window is mapped: out of the
        // taskbar and pager, on every workspace, above other windows.
        X11WindowHints::prepareUnmapped(windowHandle(), NoteWindowLayerMode::topMost);
    }
    QWidget::showEvent(event);
}

void MenuBarContentView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_submenu->hide();
    m_submenuShownFor.reset();
    m_hover.reset();
}

void MenuBarContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_composited) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void MenuBarContentView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = palette().color(QPalette::Window);
    if (m_composited)
        background.setAlphaF(0.96);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.12);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

} // namespace brivet
