#include "dashboard/DashboardNoteEditor.h"

#include "dashboard/DashboardAccessibility.h"
#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardDates.h"
#include "dashboard/DashboardEditorTaskRow.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/ToggleSwitch.h"
#include "model/Clock.h"
#include "state/AppState.h"
#include "ui/BoundTextInputs.h"
#include "ui/StateBridge.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace brivet {

namespace {

// The editor keeps its own light colours whatever the system scheme.
QPalette editorPalette(QPalette palette)
{
    QColor title = EditorColors::title();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, EditorColors::surface());
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::WindowText, title);
    palette.setColor(QPalette::Text, title);
    palette.setColor(QPalette::ButtonText, title);
    palette.setColor(QPalette::PlaceholderText, EditorColors::placeholder());
    palette.setColor(QPalette::Disabled, QPalette::WindowText, EditorColors::placeholder());
    palette.setColor(QPalette::Disabled, QPalette::Text, EditorColors::placeholder());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, EditorColors::placeholder());
    return palette;
}

DashboardCard* surface(QWidget* parent)
{
    auto* card = new DashboardCard(parent, 14);
    card->setFill(EditorColors::surface());
    card->setBorderless(true);
    return card;
}

QWidget* settingRow(const QString& text, QWidget* control, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 4, 0, 4);
    line->setSpacing(10);
    QLabel* label = makeLabel(text, 13, QFont::Normal, EditorColors::title(), row);
    // The control is read by its label, not by its current value.
    label->setBuddy(control);
    control->setAccessibleName(text);
    line->addWidget(label, 1);
    control->setParent(row);
    line->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

QPushButton* headerButton(const QString& text, const char* name, bool prominent, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumWidth(64);
    if (prominent) {
        button->setDefault(true);
        button->setStyleSheet(prominentButtonStyle(QStringLiteral("QPushButton"), EditorColors::title(), { 6, 16 }));
    } else {
        button->setStyleSheet(QStringLiteral("QPushButton { background: #F3F5F8; color: #1D1D1F; border: none; border-radius: 8px; "
                                             "padding: 6px 16px; } QPushButton:hover { background: #E6E9EE; }"));
    }
    return button;
}

} // namespace

void DashboardNoteEditor::keepInDraft(QLineEdit* input, std::function<void(const QString&)> store)
{
    // Every change of the text reaches the draft, typed or committed by an
    // input method or set through the accessibility interface (which sets
    // the text without an edit signal), so "完成" saves what is shown. A
    // read-only field takes no text at all: whatever sets it is undone.
    QString shown = input->text();
    if (m_readOnly)
        readAsReadOnly(input);
    connect(input, &QLineEdit::textChanged, this, [this, input, shown, store](const QString& text) {
        if (!m_readOnly) {
            store(text);
        } else if (text != shown) {
            QSignalBlocker block(input);
            input->setText(shown);
        }
    });
}

DashboardNoteEditor::DashboardNoteEditor(AppState& state, StateBridge& bridge, const Uuid& noteId, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_noteId(noteId)
{
    setObjectName(QStringLiteral("dashboardNoteEditor"));
    setPalette(editorPalette(palette()));
    setAttribute(Qt::WA_TranslucentBackground);
    if (std::optional<StickyNote> note = state.note(noteId)) {
        m_hasContent = true;
        m_readOnly = isReadOnlyInEditor(*note);
        m_draft = DashboardNoteDraft::from(*note);
        m_start = m_draft;
        build(*note);
    }
    connect(&bridge, &StateBridge::notesChanged, this, &DashboardNoteEditor::checkNoteStillExists);
}

bool DashboardNoteEditor::saveDraft()
{
    return m_hasContent && !m_readOnly && brivet::saveDraft(m_state, m_noteId, m_draft, m_start);
}

void DashboardNoteEditor::checkNoteStillExists()
{
    if (m_hasContent && !m_state.findNote(m_noteId))
        emit noteGone();
}

void DashboardNoteEditor::paintEvent(QPaintEvent*)
{
    if (!m_hasContent)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 30), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
}

void DashboardNoteEditor::build(const StickyNote& note)
{
    auto* column = new QVBoxLayout(this);
    // Room below the scrolling body for the panel's rounded corners.
    column->setContentsMargins(0, 0, 0, 12);
    column->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("editorHeader"));
    auto* bar = new QHBoxLayout(header);
    bar->setContentsMargins(18, 12, 18, 12);
    m_cancel = headerButton(QStringLiteral("取消"), "editorCancel", false, header);
    m_done = headerButton(QStringLiteral("完成"), "editorDone", true, header);
    QLabel* title = makeLabel(QStringLiteral("备忘"), 15, QFont::DemiBold, EditorColors::title(), header);
    title->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_cancel);
    bar->addWidget(title, 1);
    bar->addWidget(m_done);
    column->addWidget(header);
    connect(m_cancel, &QPushButton::clicked, this, &DashboardNoteEditor::cancelled);
    // Escape is "取消" from anywhere in the editor; a field's own use of it
    // (an open calendar popup, an input method's candidates) comes first.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &DashboardNoteEditor::cancelled);
    connect(m_done, &QPushButton::clicked, this, [this] {
        saveDraft();
        emit saved();
    });

    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 20);"));
    column->addWidget(divider);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("editorScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(true);
    QPalette viewportPalette = m_scroll->viewport()->palette();
    viewportPalette.setColor(QPalette::Window, Qt::white);
    m_scroll->viewport()->setPalette(viewportPalette);
    auto* body = new QWidget(m_scroll);
    body->setAutoFillBackground(false);
    auto* columns = new QHBoxLayout(body);
    columns->setContentsMargins(18, 16, 18, 18);
    columns->setSpacing(16);
    auto* left = new QVBoxLayout;
    left->setSpacing(14);
    left->addWidget(buildEditorSurface(body));
    left->addWidget(buildTasksSurface(body));
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    QWidget* settings = buildSettingsSurface(body);
    settings->setFixedWidth(270);
    right->addWidget(settings);
    right->addStretch(1);
    columns->addLayout(left, 1);
    columns->addLayout(right, 0);
    m_scroll->setWidget(body);
    column->addWidget(m_scroll, 1);

    if (m_readOnly) {
        QLabel* readOnly = makeLabel(QStringLiteral("日历事项只读，这里只能查看。"), 12, QFont::Normal, EditorColors::secondary(), header);
        readOnly->setObjectName(QStringLiteral("readOnlyNotice"));
        bar->insertWidget(2, readOnly);
    }
    m_titleInput->setAutofocus(note.title.empty());
}

QWidget* DashboardNoteEditor::buildEditorSurface(QWidget* parent)
{
    DashboardCard* card = surface(parent);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(6);

    m_titleInput = new BoundLineEdit(card);
    m_titleInput->setObjectName(QStringLiteral("editorTitle"));
    m_titleInput->setPlaceholderText(QStringLiteral("标题"));
    m_titleInput->setAccessibleName(QStringLiteral("标题"));
    setUiFont(m_titleInput, 26, QFont::DemiBold);
    m_titleInput->setMinimumHeight(40);
    setTextColor(m_titleInput, EditorColors::title());
    m_titleInput->setEditable(!m_readOnly);
    m_titleInput->setBoundText(QString::fromStdString(m_draft.title));
    keepInDraft(m_titleInput, [this](const QString& text) { m_draft.title = text.toStdString(); });
    column->addWidget(m_titleInput);

    m_detailsInput = new BoundPlainTextEdit(card);
    m_detailsInput->setObjectName(QStringLiteral("editorDetails"));
    m_detailsInput->setPlaceholderText(QStringLiteral("开始记录内容…"));
    m_detailsInput->setAccessibleName(QStringLiteral("补充细节"));
    setUiFont(m_detailsInput, 16);
    m_detailsInput->setMinimumHeight(360);
    setTextColor(m_detailsInput, EditorColors::title());
    m_detailsInput->setEditable(!m_readOnly);
    m_detailsInput->setBoundText(QString::fromStdString(m_draft.details));
    connect(m_detailsInput, &BoundPlainTextEdit::edited, this,
        [this](const QString& text) { m_draft.details = text.toStdString(); });
    column->addWidget(m_detailsInput, 1);
    return card;
}

QWidget* DashboardNoteEditor::buildTasksSurface(QWidget* parent)
{
    DashboardCard* card = surface(parent);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(6);
    auto* header = new QHBoxLayout;
    header->addWidget(makeLabel(QStringLiteral("任务清单"), 15, QFont::DemiBold, EditorColors::title(), card), 1);
    m_addTask = new QPushButton(bundledIcon(Symbol::plus, EditorColors::title()), QStringLiteral("添加任务"), card);
    m_addTask->setObjectName(QStringLiteral("addTask"));
    m_addTask->setCursor(Qt::PointingHandCursor);
    m_addTask->setEnabled(!m_readOnly);
    m_addTask->setStyleSheet(QStringLiteral("QPushButton { background: white; color: #1D1D1F; border: 1px solid rgba(0,0,0,30); "
                                            "border-radius: 7px; padding: 4px 10px; } QPushButton:disabled { color: rgba(0,0,0,90); }"));
    connect(m_addTask, &QPushButton::clicked, this, [this] {
        m_draft.appendTask();
        rebuildTaskRows();
        if (!m_taskRows.empty())
            m_taskRows.back()->titleInput()->setFocus(Qt::OtherFocusReason);
    });
    header->addWidget(m_addTask);
    column->addLayout(header);

    m_noTasks = makeLabel(QStringLiteral("还没有任务，点击右上角添加。"), 13, QFont::Normal, EditorColors::secondary(), card);
    column->addWidget(m_noTasks);
    m_taskList = new QVBoxLayout;
    m_taskList->setSpacing(0);
    column->addLayout(m_taskList);
    rebuildTaskRows();
    return card;
}

void DashboardNoteEditor::rebuildTaskRows()
{
    for (DashboardEditorTaskRow* row : m_taskRows)
        row->deleteLater();
    m_taskRows.clear();
    for (const NoteTask& task : m_draft.tasks) {
        auto* row = new DashboardEditorTaskRow(task, !m_readOnly, m_taskList->parentWidget());
        Uuid id = task.id;
        auto findTask = [this, id]() -> NoteTask* {
            for (NoteTask& candidate : m_draft.tasks)
                if (candidate.id == id)
                    return &candidate;
            return nullptr;
        };
        connect(row, &DashboardEditorTaskRow::completionChanged, this, [findTask](bool done) {
            if (NoteTask* found = findTask())
                found->isCompleted = done;
        });
        keepInDraft(row->titleInput(), [findTask](const QString& title) {
            if (NoteTask* found = findTask())
                found->title = title.toStdString();
        });
        connect(row, &DashboardEditorTaskRow::deleteRequested, this, [this, id] {
            m_draft.removeTask(id);
            rebuildTaskRows();
        });
        m_taskList->addWidget(row);
        m_taskRows.push_back(row);
    }
    m_noTasks->setVisible(m_draft.tasks.empty());
}

QWidget* DashboardNoteEditor::buildSettingsSurface(QWidget* parent)
{
    DashboardCard* card = surface(parent);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 14, 16, 14);
    column->setSpacing(4);
    column->addWidget(makeLabel(QStringLiteral("属性"), 15, QFont::DemiBold, EditorColors::title(), card));

    m_completed = new ToggleSwitch(QStringLiteral("完成"));
    m_completed->setOn(m_draft.isCompleted);
    connect(m_completed, &ToggleSwitch::toggled, this, [this](bool on) { m_draft.isCompleted = on; });
    column->addWidget(settingRow(QStringLiteral("完成"), m_completed, card));

    m_priority = new QComboBox;
    m_priority->setObjectName(QStringLiteral("priorityPicker"));
    m_priority->setMinimumWidth(110);
    for (NotePriority priority : allCases<NotePriority>())
        m_priority->addItem(QString::fromUtf8(title(priority).data(), qsizetype(title(priority).size())), priorityRank(priority));
    m_priority->setCurrentIndex(m_priority->findData(priorityRank(m_draft.priority)));
    connect(m_priority, &QComboBox::activated, this, [this](int index) {
        if (auto priority = priorityFromRawValue(m_priority->itemData(index).toLongLong()))
            m_draft.priority = *priority;
    });
    column->addWidget(settingRow(QStringLiteral("优先级"), m_priority, card));

    m_theme = new QComboBox;
    m_theme->setObjectName(QStringLiteral("themePicker"));
    m_theme->setMinimumWidth(110);
    for (NoteTheme theme : allCases<NoteTheme>())
        m_theme->addItem(QString::fromUtf8(title(theme).data(), qsizetype(title(theme).size())), int(theme));
    m_theme->setCurrentIndex(m_theme->findData(int(m_draft.theme)));
    connect(m_theme, &QComboBox::activated, this,
        [this](int index) { m_draft.theme = static_cast<NoteTheme>(m_theme->itemData(index).toInt()); });
    column->addWidget(settingRow(QStringLiteral("主题"), m_theme, card));

    column->addSpacing(4);
    column->addWidget(makeLabel(QStringLiteral("截止时间"), 13, QFont::DemiBold, EditorColors::title(), card));
    m_dueDateRow = new QWidget(card);
    auto* dueLine = new QHBoxLayout(m_dueDateRow);
    dueLine->setContentsMargins(0, 2, 0, 2);
    dueLine->setSpacing(8);
    m_dueDate = new QDateTimeEdit(m_dueDateRow);
    m_dueDate->setObjectName(QStringLiteral("dueDatePicker"));
    m_dueDate->setAccessibleName(QStringLiteral("截止时间"));
    m_dueDate->setCalendarPopup(true);
    m_dueDate->setTimeSpec(Qt::UTC);
    QLocale locale = DashboardDates::locale(m_state.calendar());
    m_dueDate->setLocale(locale);
    m_dueDate->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm"));
    connect(m_dueDate, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& value) {
        if (m_draft.dueDate)
            m_draft.dueDate = DashboardDates::fromWallTime(value, m_state.calendar());
    });
    m_clearDueDate = new QPushButton(QStringLiteral("清除"), m_dueDateRow);
    m_clearDueDate->setObjectName(QStringLiteral("clearDueDate"));
    m_clearDueDate->setAccessibleName(QStringLiteral("清除截止时间"));
    m_clearDueDate->setCursor(Qt::PointingHandCursor);
    connect(m_clearDueDate, &QPushButton::clicked, this, [this] {
        m_draft.dueDate.reset();
        showDueDate();
    });
    dueLine->addWidget(m_dueDate, 1);
    dueLine->addWidget(m_clearDueDate);
    column->addWidget(m_dueDateRow);

    m_hasDueDate = new ToggleSwitch(QStringLiteral("添加截止时间"));
    connect(m_hasDueDate, &ToggleSwitch::toggled, this, [this](bool on) {
        m_draft.setHasDueDate(on, m_state.clock().now(), m_state.calendar());
        showDueDate();
    });
    column->addWidget(settingRow(QStringLiteral("添加截止时间"), m_hasDueDate, card));

    m_sync = new ToggleSwitch(QStringLiteral("同步提醒事项"));
    m_sync->setOn(m_draft.syncToReminders);
    connect(m_sync, &ToggleSwitch::toggled, this, [this](bool on) { m_draft.syncToReminders = on; });
    column->addWidget(settingRow(QStringLiteral("同步提醒事项"), m_sync, card));

    for (QWidget* control : std::initializer_list<QWidget*> { m_completed, m_priority, m_theme, m_dueDate, m_clearDueDate,
             m_hasDueDate, m_sync })
        control->setEnabled(!m_readOnly);
    showDueDate();
    return card;
}

void DashboardNoteEditor::showDueDate()
{
    m_hasDueDate->setOn(m_draft.hasDueDate());
    m_dueDateRow->setVisible(m_draft.hasDueDate());
    if (m_draft.dueDate) {
        QSignalBlocker block(m_dueDate);
        m_dueDate->setDateTime(DashboardDates::wallTime(*m_draft.dueDate, m_state.calendar()));
    }
}

} // namespace brivet
