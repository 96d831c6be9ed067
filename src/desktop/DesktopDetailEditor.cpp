#include "desktop/DesktopDetailEditor.h"

#include "desktop/CardAccessibility.h"
#include "desktop/CardStyle.h"
#include "desktop/DesktopTaskEditorRow.h"
#include "desktop/ResizeGrip.h"
#include "desktop/StickyNoteView.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/WindowManaging.h"
#include "ui/BoundTextInputs.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace brivet {

namespace {

QLabel* label(const QString& text, int pixelSize, const QColor& color, QWidget* parent, bool semibold = false)
{
    auto* result = new QLabel(text, parent);
    QFont font = result->font();
    font.setPixelSize(fontPixels(pixelSize));
    if (semibold)
        font.setWeight(QFont::DemiBold);
    result->setFont(font);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, color);
    result->setPalette(palette);
    return result;
}

QPushButton* textButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    styleCardControl(button, CardControl::button);
    // Reached by Tab, never focused by a click (which would take the focus
    // from the field being edited).
    button->setFocusPolicy(Qt::TabFocus);
    makeClickable(button);
    return button;
}

} // namespace

DesktopDetailEditor::DesktopDetailEditor(DesktopEnvironmentPtr environment, const StickyNote& note, QWidget* parent)
    : QWidget(parent)
    , m_environment(std::move(environment))
    , m_note(note)
    , m_colors(cardColors(note.style, palette()))
    , m_title(*m_environment->scheduler, titleCommitDelay, [env = m_environment, id = note.id](const std::string& title) {
        if (AppState* state = env->state)
            state->updateNoteTitle(id, title);
    })
    , m_details(*m_environment->scheduler, detailsCommitDelay, [env = m_environment, id = note.id](const std::string& details) {
        if (AppState* state = env->state)
            state->updateNoteDetails(id, details);
    })
{
    setObjectName(QStringLiteral("detailEditor"));
    setAttribute(Qt::WA_TranslucentBackground);
    bool readOnly = isReadOnly();
    m_title.setEnabled(!readOnly);
    m_details.setEnabled(!readOnly);
    m_title.storedChanged(note.title, false);
    m_details.storedChanged(note.details, false);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(18, 16, 18, 14);
    m_layout->setSpacing(10);
    // Room for the grabber drawn at the top.
    m_layout->addSpacing(4);

    buildToolbar();

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("detailScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    // Not a stop of its own for Tab: it scrolls to the control inside
    // that takes the focus.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    styleCardScrollBars(m_scroll);
    auto* body = new QWidget(m_scroll);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 8, 4);
    column->setSpacing(10);

    m_titleInput = new BoundLineEdit(body);
    m_titleInput->setObjectName(QStringLiteral("titleInput"));
    // Fields are named by what they hold; the placeholder only describes.
    m_titleInput->setAccessibleName(QStringLiteral("标题"));
    m_titleInput->setPlaceholderText(QStringLiteral("输入标题"));
    QFont titleFont = m_titleInput->font();
    titleFont.setPixelSize(fontPixels(18));
    titleFont.setWeight(QFont::DemiBold);
    m_titleInput->setFont(titleFont);
    m_titleInput->setMinimumHeight(30);
    QPalette inputPalette = m_titleInput->palette();
    inputPalette.setColor(QPalette::Text, m_colors.text);
    inputPalette.setColor(QPalette::PlaceholderText, m_colors.secondaryText);
    m_titleInput->setPalette(inputPalette);
    m_titleInput->setEditable(!readOnly);
    m_titleInput->setBoundText(qs(note.title));
    m_titleInput->setAutofocus(note.title.empty());
    connect(m_titleInput, &BoundLineEdit::edited, this, [this](const QString& text) { m_title.draftChanged(ss(text)); });
    connect(m_titleInput, &BoundLineEdit::submitted, this, [this] { m_title.flush(); });
    connect(m_titleInput, &BoundLineEdit::focusChanged, this, [this](bool focused) {
        if (!focused)
            m_title.flush();
    });
    column->addWidget(m_titleInput);

    m_detailsInput = new BoundPlainTextEdit(body);
    m_detailsInput->setObjectName(QStringLiteral("detailsInput"));
    m_detailsInput->setAccessibleName(QStringLiteral("补充细节"));
    QFont detailsFont = m_detailsInput->font();
    detailsFont.setPixelSize(fontPixels(13));
    m_detailsInput->setFont(detailsFont);
    m_detailsInput->setMinimumHeight(132);
    m_detailsInput->setPalette(inputPalette);
    m_detailsInput->setPlaceholderText(QStringLiteral("补充细节"));
    m_detailsInput->setEditable(!readOnly);
    m_detailsInput->setBoundText(qs(note.details));
    m_detailsInput->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; border: none; border-radius: 12px; padding: 0 10px; }")
                                      .arg(cssColor(m_colors.dark ? QColor(255, 255, 255) : QColor(255, 255, 255), m_colors.dark ? 0.05 : 0.55)));
    styleCardScrollBars(m_detailsInput);
    connect(m_detailsInput, &BoundPlainTextEdit::edited, this, [this](const QString& text) { m_details.draftChanged(ss(text)); });
    connect(m_detailsInput, &BoundPlainTextEdit::focusChanged, this, [this](bool focused) {
        if (!focused)
            m_details.flush();
    });
    column->addWidget(m_detailsInput);

    auto* taskHeader = new QHBoxLayout;
    taskHeader->addWidget(label(QStringLiteral("任务"), 13, m_colors.text, body, true));
    taskHeader->addStretch(1);
    m_addTaskButton = textButton(QStringLiteral("添加任务"), "addTaskButton", body);
    m_addTaskButton->setIcon(bundledIcon(Symbol::plus, m_colors.text));
    m_addTaskButton->setIconSize(QSize(13, 13));
    m_addTaskButton->setEnabled(!readOnly);
    setControlShortcut(m_addTaskButton, QStringLiteral("添加任务"), StickyNoteView::newTaskKeys);
    connect(m_addTaskButton, &QPushButton::clicked, this, [this] { appendTaskAndPrepareScroll(); });
    taskHeader->addWidget(m_addTaskButton);
    column->addLayout(taskHeader);

    m_taskList = new QVBoxLayout;
    m_taskList->setSpacing(2);
    column->addLayout(m_taskList);
    m_emptyHint = label(QStringLiteral("桌面端适合快速补一条任务或勾选完成。"), 12, m_colors.secondaryText, body);
    m_emptyHint->setObjectName(QStringLiteral("emptyTasksHint"));
    column->addWidget(m_emptyHint);

    m_footerButton = new QPushButton(body);
    m_footerButton->setObjectName(QLatin1String(taskFooterAnchorID));
    m_footerButton->setFlat(true);
    m_footerButton->setFocusPolicy(Qt::TabFocus);
    m_footerButton->setIcon(bundledIcon(Symbol::plusCircleFill, m_colors.theme));
    m_footerButton->setIconSize(QSize(16, 16));
    m_footerButton->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; text-align: left; padding: 4px 4px; font-size: %3px; }"
                                                 "QPushButton:disabled { color: %2; }")
                                      .arg(cssColor(readableOn(m_colors.theme, m_colors.surface), 1.0), cssColor(m_colors.secondaryText))
                                      .arg(fontPixels(13)));
    m_footerButton->setEnabled(!readOnly);
    makeClickable(m_footerButton, !readOnly);
    connect(m_footerButton, &QPushButton::clicked, this, [this] { appendTaskAndPrepareScroll(); });
    column->addWidget(m_footerButton, 0, Qt::AlignLeft);
    column->addStretch(1);
    m_scroll->setWidget(body);
    // The card shows through (the scroll area turns filling on).
    body->setAutoFillBackground(false);
    m_layout->addWidget(m_scroll, 1);

    buildBottomBar();
    syncTasks();
    orderFocusChain();
}

void DesktopDetailEditor::orderFocusChain()
{
    // Reading order: the toolbar, the fields, the tasks, the bottom bar.
    // Rebuilt bars and added rows would otherwise join the chain at its end.
    QList<QWidget*> chain;
    auto focusable = [](QWidget* parent) {
        QList<QWidget*> found;
        for (QWidget* child : parent->findChildren<QWidget*>())
            if (child->focusPolicy() & Qt::TabFocus)
                found << child;
        return found;
    };
    chain << focusable(m_toolbar) << m_titleInput << m_detailsInput << m_addTaskButton;
    for (DesktopTaskEditorRow* row : m_rows)
        chain << row->toggleButton() << row->titleInput() << row->deleteButton();
    chain << m_footerButton << focusable(m_bottomBar);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

DesktopDetailEditor::~DesktopDetailEditor()
{
    flushAll();
}

void DesktopDetailEditor::flushAll()
{
    m_title.flush();
    m_details.flush();
    for (DesktopTaskEditorRow* row : m_rows)
        row->flush();
}

void DesktopDetailEditor::setNote(const StickyNote& note)
{
    StickyNote old = m_note;
    m_note = note;
    m_title.setEnabled(!isReadOnly());
    m_details.setEnabled(!isReadOnly());
    if (m_title.storedChanged(note.title, m_titleInput->isEditing()))
        m_titleInput->setBoundText(qs(m_title.draft()));
    if (m_details.storedChanged(note.details, m_detailsInput->isEditing()))
        m_detailsInput->setBoundText(qs(m_details.draft()));
    bool chromeChanged = old.source != note.source || old.syncToReminders != note.syncToReminders || old.style != note.style
        || old.dueDate != note.dueDate || old.isCompleted != note.isCompleted;
    if (chromeChanged) {
        m_colors = cardColors(note.style, palette());
        buildToolbar();
        buildBottomBar();
    }
    syncTasks();
    orderFocusChain();
}

void DesktopDetailEditor::buildToolbar()
{
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("editorToolbar"));
    auto* row = new QHBoxLayout(toolbar);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(8);
    auto* dot = new QLabel(toolbar);
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(m_colors.theme);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(0, 0, 18, 18));
    }
    pixmap.setDevicePixelRatio(2);
    dot->setPixmap(pixmap);
    dot->setFixedSize(9, 9);
    row->addWidget(dot);
    row->addWidget(label(QStringLiteral("快速编辑"), 13, m_colors.text, toolbar, true));
    QLabel* source = makeTag(qs(title(m_note.source)), m_colors.theme, m_colors, toolbar);
    source->setObjectName(QStringLiteral("sourceTag"));
    row->addWidget(source);
    if (isReadOnly()) {
        QLabel* readOnly = makeTag(QStringLiteral("只读"), m_colors.text, m_colors, toolbar);
        readOnly->setObjectName(QStringLiteral("readOnlyTag"));
        row->addWidget(readOnly);
    } else if (m_note.syncToReminders) {
        QLabel* synced = makeTag(QStringLiteral("提醒同步"), m_colors.text, m_colors, toolbar);
        synced->setObjectName(QStringLiteral("reminderSyncTag"));
        row->addWidget(synced);
    }
    row->addStretch(1);
    auto* done = new QPushButton(QStringLiteral("完成"), toolbar);
    done->setObjectName(QStringLiteral("doneButton"));
    styleCardControl(done, CardControl::prominent);
    done->setFocusPolicy(Qt::TabFocus);
    setControlShortcut(done, QStringLiteral("完成"), StickyNoteView::leaveKeys);
    makeClickable(done);
    connect(done, &QPushButton::clicked, this, [this] { leaveEditor(); });
    row->addWidget(done);
    QPushButton* back = textButton(QStringLiteral("返回"), "backButton", toolbar);
    connect(back, &QPushButton::clicked, this, [this] { leaveEditor(); });
    row->addWidget(back);
    auto* trash = new QToolButton(toolbar);
    trash->setObjectName(QStringLiteral("deleteNoteButton"));
    styleCardControl(trash, CardControl::iconButton);
    trash->setIcon(bundledIcon(Symbol::trash, m_colors.red));
    trash->setIconSize(QSize(16, 16));
    trash->setFixedSize(28, 26);
    trash->setAccessibleName(QStringLiteral("删除便签"));
    setControlShortcut(trash, QStringLiteral("删除便签"), StickyNoteView::deleteKeys);
    trash->setFocusPolicy(Qt::TabFocus);
    makeClickable(trash);
    connect(trash, &QToolButton::clicked, this, [this] { deleteNote(); });
    row->addWidget(trash);

    if (m_toolbar) {
        replaceInLayout(m_layout, m_toolbar, toolbar);
    } else {
        m_layout->addWidget(toolbar);
    }
    m_toolbar = toolbar;
}

void DesktopDetailEditor::buildBottomBar()
{
    bool readOnly = isReadOnly();
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("editorBottomBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(8);
    AppState* state = m_environment->state;
    if (m_note.dueDate && state) {
        QColor color = m_colors.secondaryText;
        if (!m_note.isCompleted && *m_note.dueDate - state->clock().now() < dueSoonWindow)
            color = m_colors.red;
        QLabel* due = label(qs(state->calendar().formatSkeleton(*m_note.dueDate, "MMMdhm")), 12, color, bar);
        due->setObjectName(QStringLiteral("dueDateLabel"));
        row->addWidget(due);
        QPushButton* clear = textButton(QStringLiteral("清除截止"), "clearDueButton", bar);
        connect(clear, &QPushButton::clicked, this, [this] { clearDueDate(); });
        row->addWidget(clear);
    } else {
        QPushButton* add = textButton(QStringLiteral("添加截止时间"), "addDueButton", bar);
        add->setIcon(bundledIcon(Symbol::calendar, m_colors.text));
        add->setIconSize(QSize(14, 14));
        connect(add, &QPushButton::clicked, this, [this] { addDueDate(); });
        row->addWidget(add);
    }
    row->addStretch(1);
    QPushButton* complete = textButton(m_note.isCompleted ? QStringLiteral("已完成") : QStringLiteral("标记完成"), "completionButton", bar);
    complete->setIcon(bundledIcon(m_note.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle,
        m_note.isCompleted ? m_colors.green : m_colors.text));
    complete->setIconSize(QSize(15, 15));
    connect(complete, &QPushButton::clicked, this, [this] { toggleCompletion(); });
    row->addWidget(complete);
    // The card's resize grip goes here, clear of every button.
    row->addWidget(ResizeGrip::makeSlot(bar), 0, Qt::AlignBottom);
    // Read-only notes: the whole bar is disabled.
    bar->setEnabled(!readOnly);
    if (readOnly)
        for (QWidget* child : bar->findChildren<QWidget*>())
            child->unsetCursor();

    if (m_bottomBar) {
        replaceInLayout(m_layout, m_bottomBar, bar);
    } else {
        m_layout->addWidget(bar);
    }
    m_bottomBar = bar;
}

void DesktopDetailEditor::syncTasks()
{
    bool readOnly = isReadOnly();
    std::vector<Uuid> wanted;
    for (const NoteTask& task : m_note.tasks)
        wanted.push_back(task.id);
    std::vector<Uuid> current;
    for (DesktopTaskEditorRow* row : m_rows)
        current.push_back(row->taskId());

    if (wanted == current) {
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            m_rows[i]->setTask(m_note.tasks[i]);
    } else {
        // Keep rows that stay (their drafts and focus), add and drop the rest.
        std::vector<DesktopTaskEditorRow*> rows;
        for (const NoteTask& task : m_note.tasks) {
            auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](DesktopTaskEditorRow* row) { return row->taskId() == task.id; });
            if (found != m_rows.end()) {
                (*found)->setTask(task);
                rows.push_back(*found);
                m_rows.erase(found);
            } else {
                rows.push_back(new DesktopTaskEditorRow(m_environment, m_note.id, task, readOnly, m_colors, m_scroll->widget()));
            }
        }
        for (DesktopTaskEditorRow* gone : m_rows) {
            gone->hide();
            gone->setParent(nullptr);
            gone->deleteLater();
        }
        m_rows = std::move(rows);
        for (DesktopTaskEditorRow* row : m_rows)
            m_taskList->removeWidget(row);
        for (DesktopTaskEditorRow* row : m_rows) {
            m_taskList->addWidget(row);
            row->show();
        }
    }
    m_emptyHint->setVisible(m_rows.empty());
    m_footerButton->setText(m_note.tasks.empty() ? QStringLiteral("添加第一项任务") : QStringLiteral("在末尾继续添加任务"));
    if (m_pendingTaskScrollID)
        scrollToPendingTask();
}

void DesktopDetailEditor::scrollToPendingTask()
{
    auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](DesktopTaskEditorRow* row) { return row->taskId() == *m_pendingTaskScrollID; });
    if (found == m_rows.end())
        return;
    m_pendingTaskScrollID.reset();
    // After the new row is laid out: bring it, then the footer, into view.
    QPointer<QWidget> row = *found;
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            if (!row || !m_scroll->widget())
                return;
            m_scroll->widget()->adjustSize();
            QScrollBar* bar = m_scroll->verticalScrollBar();
            int start = bar->value();
            m_scroll->ensureWidgetVisible(row, 0, 8);
            m_scroll->ensureWidgetVisible(m_footerButton, 0, 8);
            int target = bar->value();
            if (target == start)
                return;
            bar->setValue(start);
            auto* animation = new QPropertyAnimation(bar, "value", this);
            animation->setDuration(200);
            animation->setEasingCurve(QEasingCurve::InOutQuad);
            animation->setStartValue(start);
            animation->setEndValue(target);
            animation->start(QAbstractAnimation::DeleteWhenStopped);
        },
        Qt::QueuedConnection);
}

void DesktopDetailEditor::leaveEditor()
{
    flushAll();
    AppState* state = m_environment->state;
    if (!state)
        return;
    Uuid id = m_note.id;
    state->setDisplayMode(id, NoteDisplayMode::board);
    state->windowManager().focus(id);
}

void DesktopDetailEditor::appendTaskAndPrepareScroll()
{
    if (isReadOnly())
        return;
    AppState* state = m_environment->state;
    if (!state)
        return;
    // Set before the add: the rows are rebuilt inside it.
    Uuid placeholder = Uuid::random();
    m_pendingTaskScrollID = placeholder;
    Uuid added = state->addTask(m_note.id, "新任务");
    if (added == Uuid() || m_pendingTaskScrollID != placeholder) {
        m_pendingTaskScrollID.reset();
        return;
    }
    m_pendingTaskScrollID = added;
    syncTasks();
    orderFocusChain();
}

void DesktopDetailEditor::toggleCompletion()
{
    AppState* state = m_environment->state;
    if (!state || isReadOnly())
        return;
    std::optional<StickyNote> note = state->note(m_note.id);
    if (!note)
        return;
    note->isCompleted = !note->isCompleted;
    for (NoteTask& task : note->tasks)
        task.isCompleted = note->isCompleted;
    state->update(*note);
}

void DesktopDetailEditor::addDueDate()
{
    AppState* state = m_environment->state;
    if (!state || isReadOnly())
        return;
    std::optional<StickyNote> note = state->note(m_note.id);
    if (!note)
        return;
    note->dueDate = state->calendar().addingHours(state->clock().now(), 4);
    if (!note->dueDate)
        return;
    state->update(*note);
}

void DesktopDetailEditor::clearDueDate()
{
    AppState* state = m_environment->state;
    if (!state || isReadOnly())
        return;
    std::optional<StickyNote> note = state->note(m_note.id);
    if (!note)
        return;
    note->dueDate.reset();
    state->update(*note);
}

void DesktopDetailEditor::deleteNote()
{
    if (AppState* state = m_environment->state)
        state->deleteNote(m_note.id);
}

void DesktopDetailEditor::paintEvent(QPaintEvent*)
{
    // The grabber: a small capsule centred at the top.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = m_colors.text;
    color.setAlphaF(0.18);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(width() / 2.0 - 18, 6, 36, 5), 2.5, 2.5);
}

} // namespace brivet
