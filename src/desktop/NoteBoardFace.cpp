#include "desktop/NoteBoardFace.h"

#include "desktop/CardAccessibility.h"
#include "desktop/CardStyle.h"
#include "ui/CardColors.h"
#include "desktop/ResizeGrip.h"
#include "desktop/StickyNoteView.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "ui/ElidingLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace brivet {

namespace {

int spacingFor(NoteSizePreset preset)
{
    switch (preset) {
    case NoteSizePreset::small: return 10;
    case NoteSizePreset::medium: return 12;
    case NoteSizePreset::large: return 14;
    }
    return 12;
}

int titleSizeFor(NoteSizePreset preset)
{
    switch (preset) {
    case NoteSizePreset::small: return 15;
    case NoteSizePreset::medium: return 17;
    case NoteSizePreset::large: return 19;
    }
    return 17;
}

QToolButton* iconButton(Symbol symbol, const QColor& color, const QString& tip, const char* name, QWidget* parent,
    bool flat = false)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(symbolIcon(symbol, color));
    button->setIconSize(flat ? QSize(15, 15) : QSize(16, 16));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    styleCardControl(button, flat ? CardControl::flatIcon : CardControl::iconButton);
    if (!flat)
        button->setFixedSize(28, 26);
    // Reached by Tab, never focused by a click.
    button->setFocusPolicy(Qt::TabFocus);
    makeClickable(button);
    return button;
}

} // namespace

void NoteBoardFace::loadFonts(const std::function<bool()>& enough)
{
    struct Variant {
        int pixelSize;
        QFont::Weight weight;
    };
    // The medium title first: it is the default size of a card.
    const Variant variants[] = { { titleSizeFor(NoteSizePreset::medium), QFont::DemiBold }, { 12, QFont::Normal },
        { 12, QFont::DemiBold }, { 11, QFont::DemiBold }, { titleSizeFor(NoteSizePreset::small), QFont::DemiBold },
        { titleSizeFor(NoteSizePreset::large), QFont::DemiBold } };
    // Shaping a mixed string loads the main face and the Chinese fallback.
    const QString sample = QStringLiteral("悬笺 Aa 1");
    for (const Variant& variant : variants) {
        if (enough && enough())
            return;
        QFont font = QApplication::font();
        font.setPixelSize(fontPixels(variant.pixelSize));
        font.setWeight(variant.weight);
        (void)QFontMetrics(font).horizontalAdvance(sample);
    }
}

NoteBoardFace::NoteBoardFace(StickyNoteView& card, DesktopEnvironmentPtr environment)
    : QWidget(&card)
    , m_card(card)
    , m_environment(std::move(environment))
{
    setObjectName(QStringLiteral("boardFace"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

NoteBoardFace::~NoteBoardFace() = default;

void NoteBoardFace::render(const StickyNote& note)
{
    AppState* state = m_environment->state;
    Instant now = state ? state->clock().now() : Instant {};
    // The due-soon tag depends on the time as well as the note.
    bool dueSoonChanged = false;
    if (m_rendered && note.dueDate) {
        bool before = *note.dueDate - m_renderedAt < dueSoonWindow;
        bool after = *note.dueDate - now < dueSoonWindow;
        dueSoonChanged = before != after;
    }
    if (m_rendered && *m_rendered == note && !dueSoonChanged)
        return;
    m_rendered = note;
    m_renderedAt = now;
    build(note);
    scheduleDeadlineRefresh(note);
}

void NoteBoardFace::scheduleDeadlineRefresh(const StickyNote& note)
{
    m_deadlineTask.cancel();
    AppState* state = m_environment->state;
    if (!state || note.isCompleted || !note.dueDate)
        return;
    Duration until = (*note.dueDate - dueSoonWindow) - state->clock().now();
    if (until < Duration(0))
        return;
    Scheduler& scheduler = *m_environment->scheduler;
    m_deadlineTask = TaskHandle(scheduler, scheduler.schedule(until + Duration(1), [this] {
        m_deadlineTask.release();
        if (m_rendered) {
            StickyNote note = *m_rendered;
            m_rendered.reset();
            render(note);
        }
    }));
}

void NoteBoardFace::build(const StickyNote& note)
{
    // The control that has the focus is rebuilt too; its counterpart in
    // the new rows takes the focus over, so Space on a task tick can go on.
    std::optional<FocusedControl> focused = focusedControl();
    std::optional<StickyNote> previous = m_shown;
    m_shown = note;
    if (m_content) {
        // Not deleted at once: a click inside it may be what led here.
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
    }
    m_content = new QWidget(this);
    m_content->setAttribute(Qt::WA_TranslucentBackground);
    layout()->addWidget(m_content);

    const CardColors& colors = m_card.colors();
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(22, 18, 22, 16);
    column->setSpacing(spacingFor(note.frame.sizePreset));

    column->addWidget(buildHeader(note, m_content));

    auto* title = new ElidingLabel(note.title.empty() ? QStringLiteral("新悬笺") : qs(note.title), m_content);
    title->setObjectName(QStringLiteral("title"));
    title->setToolTip(title->text());
    QFont titleFont = title->font();
    titleFont.setPixelSize(std::max(9, int(std::lround(note.style.fontScale * fontPixels(titleSizeFor(note.frame.sizePreset))))));
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    setTextColor(title, colors.text);
    column->addWidget(title);

    column->addWidget(buildTaskPanel(note, m_content), 1);
    column->addWidget(buildActionRow(note, m_content));
    m_content->show();
    if (focused)
        restoreFocus(*focused);
    if (previous)
        announceTicks(*previous, note);
}

std::optional<NoteBoardFace::FocusedControl> NoteBoardFace::focusedControl() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!m_content || !focus || !m_content->isAncestorOf(focus))
        return std::nullopt;
    FocusedControl control { focus->objectName(), {} };
    for (QWidget* at = focus; at && at != m_content; at = at->parentWidget())
        if (at->objectName() == QLatin1String("taskRow"))
            control.taskId = at->property("taskId").toString();
    return control;
}

void NoteBoardFace::restoreFocus(const FocusedControl& control)
{
    QWidget* scope = m_content;
    if (!control.taskId.isEmpty()) {
        for (QWidget* row : m_content->findChildren<QWidget*>(QStringLiteral("taskRow")))
            if (row->property("taskId").toString() == control.taskId)
                scope = row;
    }
    QWidget* target = scope->findChild<QWidget*>(control.name);
    if (!target || !(target->focusPolicy() & Qt::TabFocus) || !target->isEnabled()) {
        // The control is gone (the note was completed and 稍后处理 went
        // with it): the first control of the card, which is always there.
        target = m_content->findChild<QWidget*>(QStringLiteral("completionButton"));
    }
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

void NoteBoardFace::announceTicks(const StickyNote& before, const StickyNote& now)
{
    for (const NoteTask& task : now.tasks) {
        auto old = std::find_if(before.tasks.begin(), before.tasks.end(), [&](const NoteTask& t) { return t.id == task.id; });
        if (old == before.tasks.end() || old->isCompleted == task.isCompleted)
            continue;
        for (QWidget* row : m_content->findChildren<QWidget*>(QStringLiteral("taskRow"))) {
            if (row->property("taskId").toString() != qs(task.id.toString()))
                continue;
            if (QWidget* tick = row->findChild<QWidget*>(QStringLiteral("taskToggle"))) {
                QAccessible::State changed;
                changed.checked = true;
                QAccessibleStateChangeEvent event(tick, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

QWidget* NoteBoardFace::buildHeader(const StickyNote& note, QWidget* parent)
{
    const CardColors& colors = m_card.colors();
    auto* header = new QWidget(parent);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    QLabel* source = makeTag(qs(title(note.source)), colors.theme, colors, header);
    source->setObjectName(QStringLiteral("sourceTag"));
    row->addWidget(source);

    AppState* state = m_environment->state;
    if (note.isCompleted) {
        QLabel* done = makeTag(QStringLiteral("已完成"), colors.green, colors, header);
        done->setObjectName(QStringLiteral("completedTag"));
        row->addWidget(done);
    } else if (note.dueDate && state) {
        if (*note.dueDate - state->clock().now() < dueSoonWindow) {
            QLabel* soon = makeTag(QStringLiteral("临近截止"), colors.orange, colors, header);
            soon->setObjectName(QStringLiteral("dueSoonTag"));
            row->addWidget(soon);
        }
        QColor neutral = colors.text;
        QLabel* date = makeTag(qs(state->calendar().formatSkeleton(*note.dueDate, "MMMd")), neutral, colors, header);
        date->setObjectName(QStringLiteral("dueDateTag"));
        row->addWidget(date);
    }
    row->addStretch(1);
    return header;
}

QWidget* NoteBoardFace::buildTaskPanel(const StickyNote& note, QWidget* parent)
{
    const CardColors& colors = m_card.colors();
    QColor fill(255, 255, 255);
    fill.setAlphaF(colors.dark ? 0.06 : 0.55);
    auto* panel = new RoundedPanel(fill, 16, parent);
    panel->setObjectName(QStringLiteral("taskPanel"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(12, 8, 10, 8);
    column->setSpacing(4);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* icon = new QLabel(panel);
    icon->setPixmap(bundledIcon(Symbol::checklist, colors.secondaryText).pixmap(14, 14));
    header->addWidget(icon);
    auto* caption = new QLabel(QStringLiteral("任务列表"), panel);
    QFont captionFont = caption->font();
    captionFont.setPixelSize(fontPixels(12));
    captionFont.setWeight(QFont::DemiBold);
    caption->setFont(captionFont);
    setTextColor(caption, colors.secondaryText);
    header->addWidget(caption);
    header->addStretch(1);
    auto* progress = new QLabel(note.tasks.empty() ? QStringLiteral("暂未添加") : qs(note.taskProgressText()), panel);
    progress->setObjectName(QStringLiteral("taskProgress"));
    QFont progressFont = progress->font();
    progressFont.setPixelSize(fontPixels(12));
    progress->setFont(progressFont);
    setTextColor(progress, colors.secondaryText);
    header->addWidget(progress);
    column->addLayout(header);

    if (note.tasks.empty()) {
        auto* hint = new QLabel(QStringLiteral("当前还没有任务，双击卡片或点编辑即可补充执行项。"), panel);
        hint->setObjectName(QStringLiteral("emptyTasksHint"));
        hint->setWordWrap(true);
        QFont hintFont = hint->font();
        hintFont.setPixelSize(fontPixels(12));
        hint->setFont(hintFont);
        setTextColor(hint, colors.secondaryText);
        column->addWidget(hint);
        column->addStretch(1);
        return panel;
    }

    auto* scroll = new QScrollArea(panel);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->viewport()->setAutoFillBackground(false);
    // Not a stop of its own for Tab: it scrolls to the control inside
    // that takes the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    styleCardScrollBars(scroll);
    auto* rows = new QWidget(scroll);
    auto* list = new QVBoxLayout(rows);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(2);
    for (const NoteTask& task : note.tasks)
        list->addWidget(buildTaskRow(note, task, rows));
    list->addStretch(1);
    scroll->setWidget(rows);
    // The panel shows through (the scroll area turns filling on).
    rows->setAutoFillBackground(false);
    column->addWidget(scroll, 1);
    return panel;
}

QWidget* NoteBoardFace::buildTaskRow(const StickyNote& note, const NoteTask& task, QWidget* parent)
{
    const CardColors& colors = m_card.colors();
    auto* rowWidget = new QWidget(parent);
    rowWidget->setObjectName(QStringLiteral("taskRow"));
    rowWidget->setProperty("taskId", qs(task.id.toString()));
    rowWidget->setAccessibleName(task.title.empty() ? QStringLiteral("未命名任务") : qs(task.title));
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 1, 0, 1);
    row->setSpacing(6);

    bool sceneBoard = note.isSceneBoard();
    if (sceneBoard && task.linkedSource == NoteSource::calendar) {
        auto* marker = new QLabel(rowWidget);
        marker->setObjectName(QStringLiteral("taskCalendarMarker"));
        marker->setPixmap(bundledIcon(Symbol::calendar, colors.secondaryText).pixmap(16, 16));
        marker->setFixedSize(20, 20);
        marker->setAlignment(Qt::AlignCenter);
        row->addWidget(marker);
    } else {
        auto* toggle = iconButton(task.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle,
            task.isCompleted ? colors.green : colors.secondaryText, task.isCompleted ? QStringLiteral("标记未完成") : QStringLiteral("标记完成"),
            "taskToggle", rowWidget, true);
        toggle->setIconSize(QSize(16, 16));
        // A check box to assistive tools, named by what it does; the task
        // it ticks is its description.
        toggle->setAccessibleName(QStringLiteral("标记完成"));
        toggle->setAccessibleDescription(rowWidget->accessibleName());
        toggle->setCheckable(true);
        toggle->setChecked(task.isCompleted);
        markTaskTick(toggle);
        Uuid taskId = task.id;
        connect(toggle, &QToolButton::clicked, this, [this, taskId] { m_card.toggleTask(taskId); });
        row->addWidget(toggle);
    }

    auto* title = new ElidingLabel(task.title.empty() ? QStringLiteral("未命名任务") : qs(task.title), rowWidget);
    title->setObjectName(QStringLiteral("taskTitle"));
    title->setToolTip(title->text());
    QFont font = title->font();
    font.setPixelSize(fontPixels(12));
    font.setStrikeOut(task.isCompleted);
    title->setFont(font);
    setTextColor(title, task.isCompleted ? colors.secondaryText : colors.text);
    row->addWidget(title, 1);

    if (sceneBoard && task.linkedNoteID) {
        Uuid linked = *task.linkedNoteID;
        connect(title, &ElidingLabel::doubleClicked, this, [this, linked] { m_card.openLinkedNote(linked); });
        if (!task.isCompleted) {
            auto* later = iconButton(Symbol::clockBadge, colors.secondaryText, QStringLiteral("稍后处理"), "taskDefer", rowWidget, true);
            later->setPopupMode(QToolButton::InstantPopup);
            later->setMenu(makeDeferMenu(QStringLiteral("稍后处理"), later,
                [this, linked](NoteDeferPreset preset) { m_card.deferLinkedNote(linked, preset); }));
            row->addWidget(later);
        }
        auto* open = iconButton(Symbol::arrowUpForwardApp, colors.secondaryText, QStringLiteral("打开便签"), "taskOpen", rowWidget, true);
        open->setAccessibleDescription(rowWidget->accessibleName());
        connect(open, &QToolButton::clicked, this, [this, linked] { m_card.openLinkedNote(linked); });
        row->addWidget(open);
    }
    return rowWidget;
}

QWidget* NoteBoardFace::buildActionRow(const StickyNote& note, QWidget* parent)
{
    const CardColors& colors = m_card.colors();
    auto* actions = new QWidget(parent);
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    QString label;
    if (!note.tasks.empty())
        label = note.isCompleted ? QStringLiteral("恢复任务") : QStringLiteral("全部完成");
    else
        label = note.isCompleted ? QStringLiteral("已完成") : QStringLiteral("标记完成");
    auto* complete = new QPushButton(label, actions);
    complete->setObjectName(QStringLiteral("completionButton"));
    styleCardControl(complete, CardControl::button);
    complete->setFocusPolicy(Qt::TabFocus);
    QColor iconColor = note.isCompleted ? colors.green : colors.text;
    complete->setIcon(bundledIcon(note.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle, iconColor));
    complete->setIconSize(QSize(15, 15));
    if (note.isCompleted)
        setCardControlTint(complete, colors.green);
    complete->setEnabled(note.source != NoteSource::calendar);
    makeClickable(complete, complete->isEnabled());
    connect(complete, &QPushButton::clicked, this, [this] { m_card.toggleNoteCompletion(); });
    row->addWidget(complete);
    row->addStretch(1);

    if (!note.isCompleted) {
        auto* later = iconButton(Symbol::clockBadge, colors.text, QStringLiteral("稍后处理"), "deferButton", actions);
        setControlShortcut(later, QStringLiteral("稍后处理"), StickyNoteView::deferKeys);
        later->setPopupMode(QToolButton::InstantPopup);
        later->setMenu(makeDeferMenu(QStringLiteral("稍后处理"), later, [this](NoteDeferPreset preset) { m_card.deferNote(preset); }));
        row->addWidget(later);
    }
    auto* edit = iconButton(Symbol::squareAndPencil, colors.text, QStringLiteral("进入编辑"), "editButton", actions);
    setControlShortcut(edit, QStringLiteral("进入编辑"), StickyNoteView::openKeys);
    connect(edit, &QToolButton::clicked, this, [this] { m_card.openEditor(); });
    row->addWidget(edit);
    auto* hide = iconButton(Symbol::eyeSlash, colors.text, QStringLiteral("隐藏便签"), "hideButton", actions);
    setControlShortcut(hide, QStringLiteral("隐藏便签"), StickyNoteView::hideKeys);
    connect(hide, &QToolButton::clicked, this, [this] { m_card.hideNote(); });
    row->addWidget(hide);
    auto* remove = iconButton(Symbol::trash, colors.red, QStringLiteral("删除便签"), "deleteButton", actions);
    setControlShortcut(remove, QStringLiteral("删除便签"), StickyNoteView::deleteKeys);
    connect(remove, &QToolButton::clicked, this, [this] { m_card.deleteNote(); });
    row->addWidget(remove);
    // The card's resize grip goes here, clear of every button.
    row->addWidget(ResizeGrip::makeSlot(actions), 0, Qt::AlignBottom);
    return actions;
}

void NoteBoardFace::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        m_card.boardDoubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace brivet
