#include "desktop/StickyNoteView.h"

#include "desktop/CardAccessibility.h"
#include "desktop/DesktopDetailEditor.h"
#include "desktop/NoteBoardFace.h"
#include "desktop/ResizeGrip.h"
#include "model/Clock.h"
#include "state/AppState.h"
#include "state/WindowManaging.h"
#include "ui/BoundTextInputs.h"
#include "ui/FocusRing.h"
#include "ui/StateBridge.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace brivet {

StickyNoteView::StickyNoteView(DesktopEnvironmentPtr environment, const Uuid& noteId, double cardCornerRadius,
    double detailWidgetInset, QWidget* parent)
    : QWidget(parent)
    , m_environment(std::move(environment))
    , m_noteId(noteId)
    , m_cornerRadius(cardCornerRadius)
    , m_detailInset(detailWidgetInset)
{
    setObjectName(QStringLiteral("stickyNoteView"));
    installCardAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_missing = new QLabel(QStringLiteral("便签不存在"), this);
    m_missing->setObjectName(QStringLiteral("missingNote"));
    m_missing->setContentsMargins(16, 16, 16, 16);
    m_missing->setAlignment(Qt::AlignCenter);
    QFont missingFont = m_missing->font();
    missingFont.setPixelSize(fontPixels(13));
    m_missing->setFont(missingFont);
    m_missing->hide();
    layout->addWidget(m_missing);
    m_grip = new ResizeGrip(this);
    m_grip->hide();
    connect(m_grip, &ResizeGrip::finished, this, &StickyNoteView::resizeFinished);
    // Every control, fields too (they have no frame of their own on a
    // card), in the theme colour, a shade lighter on a dark card where the
    // plain one sits too close to the background. Hugging the control, the
    // ring may reach over a scroll area's padding.
    FocusRingOptions ring;
    ring.overhang = FocusRing::width;
    m_ring = new FocusRing(
        this, [this](const QWidget*) { return m_colors.dark ? m_colors.theme.lighter(140) : m_colors.theme; }, ring);
    addShortcuts();
    if (m_environment->bridge)
        connect(m_environment->bridge, &StateBridge::notesChanged, this, &StickyNoteView::reload);
    reload();
}

StickyNoteView::~StickyNoteView()
{
    // The editor flushes its drafts as it goes.
    delete m_editor;
    m_editor = nullptr;
}

void StickyNoteView::setComposited(bool composited)
{
    if (m_composited == composited)
        return;
    m_composited = composited;
    showFace();
    update();
}

double StickyNoteView::shadowMargin() const
{
    return m_composited ? 10 : 0;
}

QRectF StickyNoteView::cardRect() const
{
    double margin = shadowMargin();
    return QRectF(rect()).adjusted(margin, margin, -margin, -margin - (m_composited ? 4 : 0));
}

void StickyNoteView::reload()
{
    AppState* state = m_environment->state;
    std::optional<StickyNote> note = state ? state->note(m_noteId) : std::nullopt;
    if (m_loaded && note == m_note)
        return;
    m_loaded = true;
    m_note = std::move(note);
    showFace();
}

void StickyNoteView::showFace()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    // Where the keys were; a face that replaces the one holding them takes
    // them over.
    // Only a control's focus, or a face changed from the keyboard, moves
    // on: a click on 进入编辑 leaves the fields alone until one is clicked.
    QWidget* focus = QApplication::focusWidget();
    bool focusInCard = focus && (focus != window() || m_keyAction) && (focus == window() || window()->isAncestorOf(focus));
    m_keyAction = false;
    bool wasBoard = m_board != nullptr;
    if (!m_note) {
        discardBoard();
        discardEditor();
        QPalette missingPalette = m_missing->palette();
        missingPalette.setColor(QPalette::WindowText, cardColors(NoteStyle {}, palette()).secondaryText);
        m_missing->setPalette(missingPalette);
        m_missing->show();
        placeResizeGrip();
        update();
        return;
    }
    m_missing->hide();
    // The card's controls read these colours when they paint.
    m_colors = cardColors(m_note->style, palette());
    int margin = int(shadowMargin());
    if (m_note->displayMode == NoteDisplayMode::board) {
        discardEditor();
        if (!m_board) {
            m_board = new NoteBoardFace(*this, m_environment);
            layout->addWidget(m_board);
        }
        layout->setContentsMargins(margin, margin, margin, margin + (m_composited ? 4 : 0));
        m_board->render(*m_note);
        if (focusInCard && !wasBoard)
            if (auto* edit = m_board->findChild<QWidget*>(QStringLiteral("editButton")))
                edit->setFocus(Qt::OtherFocusReason);
    } else {
        discardBoard();
        if (!m_editor) {
            m_editor = new DesktopDetailEditor(m_environment, *m_note, this);
            layout->addWidget(m_editor);
        }
        int inset = margin + int(m_detailInset);
        layout->setContentsMargins(inset, inset, inset, inset + (m_composited ? 4 : 0));
        m_editor->setNote(*m_note);
        if (focusInCard && wasBoard)
            m_editor->titleInput()->setFocus(Qt::OtherFocusReason);
    }
    updateShortcuts();
    placeResizeGrip();
    update();
}

void StickyNoteView::placeResizeGrip()
{
    // Faces rebuild their rows now and then (a deadline passing, a changed
    // note); the current slot is looked up each time.
    auto* slot = findChild<QWidget*>(QLatin1String(ResizeGrip::slotName));
    if (slot != m_gripSlot) {
        if (m_gripSlot)
            m_gripSlot->removeEventFilter(this);
        m_gripSlot = slot;
        if (slot)
            slot->installEventFilter(this);
    }
    if (!m_gripSlot || !m_note) {
        m_grip->hide();
        return;
    }
    m_grip->move(m_gripSlot->mapTo(this, QPoint(0, 0)));
    m_grip->show();
    m_grip->raise();
}

void StickyNoteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layouts below have been given their new geometry by now.
    placeResizeGrip();
}

bool StickyNoteView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_gripSlot && (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeResizeGrip();
    return QWidget::eventFilter(watched, event);
}

void StickyNoteView::discardBoard()
{
    if (!m_board)
        return;
    m_board->hide();
    m_board->setParent(nullptr);
    m_board->deleteLater();
    m_board = nullptr;
}

void StickyNoteView::discardEditor()
{
    if (!m_editor)
        return;
    m_editor->flushAll();
    m_editor->hide();
    m_editor->setParent(nullptr);
    m_editor->deleteLater();
    m_editor = nullptr;
}

void StickyNoteView::addShortcuts()
{
    // Window-wide: each card is a window of its own, and its panel holds the
    // focus when the card was clicked or opened with focus.
    auto add = [this](const QString& keys, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
        return shortcut;
    };
    m_openShortcut = add(openKeys, [this] {
        m_keyAction = true;
        openEditor();
        m_keyAction = false;
    });
    m_deferShortcut = add(deferKeys, [this] { showDeferMenu(); });
    add(hideKeys, [this] { hideNote(); });
    add(deleteKeys, [this] { deleteNote(); });
    m_newTaskShortcut = add(newTaskKeys, [this] {
        if (m_editor)
            m_editor->appendTaskAndPrepareScroll();
    });
    m_leaveShortcut = add(QStringLiteral("Escape"), [this] {
        if (m_editor) {
            m_keyAction = true;
            m_editor->leaveEditor();
            m_keyAction = false;
        }
    });
    updateShortcuts();
}

void StickyNoteView::updateShortcuts()
{
    bool board = m_note && m_board;
    bool editor = m_note && m_editor;
    m_openShortcut->setEnabled(board && m_note->source != NoteSource::calendar);
    m_deferShortcut->setEnabled(m_note && !m_note->isCompleted);
    m_newTaskShortcut->setEnabled(editor && !m_editor->isReadOnly());
    m_leaveShortcut->setEnabled(editor);
}

void StickyNoteView::showDeferMenu()
{
    if (!m_note || m_note->isCompleted)
        return;
    if (auto* button = m_board ? m_board->findChild<QToolButton*>(QStringLiteral("deferButton")) : nullptr;
        button && button->isVisible()) {
        button->showMenu();
        return;
    }
    QMenu* menu = makeDeferMenu(QStringLiteral("稍后处理"), this, [this](NoteDeferPreset preset) { deferNote(preset); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QWidget* anchor = QApplication::focusWidget() && isAncestorOf(QApplication::focusWidget()) ? QApplication::focusWidget() : this;
    menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void StickyNoteView::keyPressEvent(QKeyEvent* event)
{
    // Enter on a focused button does what Space does (buttons here are not
    // in a dialog, so they leave Enter to their parents).
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && button && isAncestorOf(button) && button->isEnabled() && event->modifiers() == Qt::NoModifier) {
        auto* tool = qobject_cast<QToolButton*>(button);
        if (tool && tool->menu())
            tool->showMenu();
        else
            button->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StickyNoteView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF card = cardRect();
    bool dark = m_colors.dark;
    if (!m_note) {
        m_colors = cardColors(NoteStyle {}, palette());
        dark = m_colors.dark;
    }
    double radius = std::min(m_cornerRadius, std::min(card.width(), card.height()) / 2);
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);

    if (m_composited) {
        // A soft shadow below the card, a few widening translucent rings.
        QColor shadow(0, 0, 0);
        double peak = dark ? 0.3 : 0.08;
        for (int i = 10; i >= 1; --i) {
            shadow.setAlphaF(peak / 10.0);
            QPainterPath ring;
            ring.addRoundedRect(card.adjusted(-i * 0.9, -i * 0.9 + 4, i * 0.9, i * 0.9 + 4), radius + i, radius + i);
            painter.fillPath(ring, shadow);
        }
    }

    // The material: the window colour, slightly translucent only where a
    // compositor shows what lies behind.
    QColor material = m_colors.windowBackground;
    if (!dark)
        material = material.lighter(104);
    material.setAlphaF(m_composited ? (dark ? 0.88 : 0.93) : 1.0);
    painter.fillPath(shape, material);

    double opacity = m_note ? m_note->style.opacity : 0.92;
    QLinearGradient gradient(card.topLeft(), card.bottomRight());
    QColor first = dark ? m_colors.windowBackground : QColor(255, 255, 255);
    first.setAlphaF(dark ? 0.86 : 0.6);
    QColor second = m_colors.theme;
    second.setAlphaF(opacity * 0.025 + (dark ? 0.08 : 0.05));
    QColor third = dark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    third.setAlphaF(dark ? 0.22 : 0.28);
    gradient.setColorAt(0, first);
    gradient.setColorAt(0.5, second);
    gradient.setColorAt(1, third);
    painter.fillPath(shape, gradient);

    QColor border = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
    border.setAlphaF(dark ? 0.12 : 0.07);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
}

QMenu* StickyNoteView::buildContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("便签操作"));
    menu->addAction(QStringLiteral("打开控制台"), this, [this] { openDashboard(); });
    menu->addAction(QStringLiteral("进入编辑"), this, [this] { openEditor(); });
    if (m_note && !m_note->isCompleted) {
        QMenu* later = makeDeferMenu(QStringLiteral("稍后处理"), menu, [this](NoteDeferPreset preset) { deferNote(preset); });
        menu->addMenu(later);
    }
    menu->addAction(QStringLiteral("复制便签"), this, [this] { duplicateNote(); });
    menu->addAction(QStringLiteral("隐藏便签"), this, [this] { hideNote(); });
    QAction* remove = menu->addAction(QStringLiteral("删除便签"), this, [this] { deleteNote(); });
    remove->setProperty("destructive", true);
    return menu;
}

void StickyNoteView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = buildContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void StickyNoteView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_dragging = false;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressWindowPos = window()->pos();
    event->accept();
}

void StickyNoteView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    QPoint delta = event->globalPosition().toPoint() - m_pressGlobal;
    if (!m_dragging) {
        if (delta.manhattanLength() < QApplication::startDragDistance())
            return;
        m_dragging = true;
        // The window manager moves the window where it can; a release then
        // never reaches us.
        if (QWindow* handle = window()->windowHandle(); handle && handle->startSystemMove()) {
            m_pressed = false;
            return;
        }
    }
    window()->move(m_pressWindowPos + delta);
}

void StickyNoteView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void StickyNoteView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationFontChange && m_note) {
        // Texts follow the desktop's font size.
        if (m_board)
            m_board->invalidate();
        showFace();
        return;
    }
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) && m_note) {
        // Light and dark follow the system palette.
        CardColors fresh = cardColors(m_note->style, palette());
        if (fresh.dark == m_colors.dark && fresh.theme == m_colors.theme && fresh.text == m_colors.text)
            return;
        if (m_board)
            m_board->invalidate();
        showFace();
    }
}

// --- Actions --------------------------------------------------------------

void StickyNoteView::openEditor()
{
    if (AppState* state = m_environment->state) {
        Uuid id = m_noteId;
        state->setDisplayMode(id, NoteDisplayMode::detail);
        state->windowManager().focus(id);
    }
}

void StickyNoteView::openLinkedNote(const Uuid& linkedNoteId)
{
    if (AppState* state = m_environment->state) {
        state->openNoteDetails(linkedNoteId);
    }
}

void StickyNoteView::deferNote(NoteDeferPreset preset)
{
    deferLinkedNote(m_noteId, preset);
}

void StickyNoteView::deferLinkedNote(const Uuid& noteId, NoteDeferPreset preset)
{
    if (AppState* state = m_environment->state)
        state->deferNote(noteId, preset);
}

void StickyNoteView::duplicateNote()
{
    if (AppState* state = m_environment->state)
        state->duplicate(m_noteId);
}

void StickyNoteView::hideNote()
{
    if (AppState* state = m_environment->state)
        state->hide(m_noteId);
}

void StickyNoteView::deleteNote()
{
    if (AppState* state = m_environment->state)
        state->deleteNote(m_noteId);
}

void StickyNoteView::toggleNoteCompletion()
{
    AppState* state = m_environment->state;
    if (!state)
        return;
    std::optional<StickyNote> note = state->note(m_noteId);
    if (!note || note->source == NoteSource::calendar)
        return;
    note->isCompleted = !note->isCompleted;
    for (NoteTask& task : note->tasks)
        task.isCompleted = note->isCompleted;
    state->update(*note);
}

void StickyNoteView::toggleTask(const Uuid& taskId)
{
    AppState* state = m_environment->state;
    if (!state)
        return;
    std::optional<StickyNote> note = state->note(m_noteId);
    if (!note)
        return;
    for (const NoteTask& task : note->tasks) {
        if (task.id != taskId)
            continue;
        if (note->isSceneBoard() && task.linkedSource == NoteSource::calendar)
            return;
        if (note->isSceneBoard() && task.linkedNoteID) {
            state->toggleExecutionNoteCompletion(*task.linkedNoteID);
        } else {
            state->setTaskCompletion(m_noteId, taskId, !task.isCompleted);
        }
        return;
    }
}

void StickyNoteView::openDashboard()
{
    // Brings the application forward: the dashboard window when one exists
    // (it answers to the name "dashboard"), else this card.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("dashboard")) {
            top->show();
            top->raise();
            top->activateWindow();
            return;
        }
    }
    window()->raise();
    window()->activateWindow();
}

void StickyNoteView::boardDoubleClicked()
{
    if (m_note && m_note->source != NoteSource::calendar)
        openEditor();
}

} // namespace brivet
