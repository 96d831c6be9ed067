#include "dashboard/NoteListView.h"

#include "dashboard/DashboardAccessibility.h"
#include "dashboard/NoteListDelegate.h"
#include "dashboard/NoteListModel.h"
#include "state/AppState.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>

namespace brivet {

NoteListView::NoteListView(NoteListModel* model, QWidget* parent)
    : QListView(parent)
    , m_model(model)
    , m_delegate(new NoteListDelegate(this))
{
    installDashboardAccessibility();
    setModel(model);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
        [this] { m_rowBeforeReset = hasFocus() ? currentIndex().row() : -1; });
    connect(model, &QAbstractItemModel::modelReset, this, &NoteListView::fitToRows);
    connect(model, &QAbstractItemModel::rowsInserted, this, &NoteListView::fitToRows);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &NoteListView::fitToRows);
    fitToRows();
}

QSize NoteListView::sizeHint() const
{
    return { 400, m_model->rowCount() * NoteListDelegate::rowHeight };
}

QSize NoteListView::minimumSizeHint() const
{
    return { 200, m_model->rowCount() * NoteListDelegate::rowHeight };
}

void NoteListView::fitToRows()
{
    m_hoveredRow = -1;
    m_hoveredAction.reset();
    m_pressed.reset();
    m_delegate->setHovered(-1, std::nullopt);
    setFixedHeight(m_model->rowCount() * NoteListDelegate::rowHeight);
    // The keyboard stays where it was: on the next note after a delete.
    if (m_rowBeforeReset >= 0 && m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(std::min(m_rowBeforeReset, m_model->rowCount() - 1)));
    m_rowBeforeReset = -1;
    if (QAccessible::isActive()) {
        QAccessibleEvent reordered(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reordered);
    }
}

QRect NoteListView::buttonRect(int row, NoteListRow::Action action) const
{
    QModelIndex index = m_model->index(row);
    if (!index.isValid())
        return {};
    for (const auto& place : NoteListDelegate::buttonPlaces(m_model->rowContent(row), visualRect(index)))
        if (place.button.action == action)
            return place.rect;
    return {};
}

std::optional<NoteListView::Hit> NoteListView::hitAt(const QPoint& point) const
{
    QModelIndex index = indexAt(point);
    std::optional<Uuid> noteId = m_model->noteId(index.row());
    if (!index.isValid() || !noteId)
        return std::nullopt;
    for (const auto& place : NoteListDelegate::buttonPlaces(m_model->rowContent(index.row()), visualRect(index)))
        if (place.rect.contains(point))
            return Hit { index.row(), *noteId, place.button, place.rect };
    return Hit { index.row(), *noteId, {}, {} };
}

void NoteListView::setHovered(int row, std::optional<NoteListRow::Action> action)
{
    if (row == m_hoveredRow && action == m_hoveredAction)
        return;
    QModelIndex old = m_model->index(m_hoveredRow);
    m_hoveredRow = row;
    m_hoveredAction = action;
    m_delegate->setHovered(row, action);
    if (old.isValid())
        viewport()->update(visualRect(old));
    if (QModelIndex now = m_model->index(row); now.isValid())
        viewport()->update(visualRect(now));
}

void NoteListView::mouseMoveEvent(QMouseEvent* event)
{
    std::optional<Hit> hit = hitAt(event->position().toPoint());
    bool onButton = hit && !hit->rect.isNull() && hit->button.enabled;
    setHovered(hit ? hit->row : -1, onButton ? std::optional(hit->button.action) : std::nullopt);
    viewport()->setCursor(onButton ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QListView::mouseMoveEvent(event);
}

void NoteListView::leaveEvent(QEvent* event)
{
    setHovered(-1, std::nullopt);
    QListView::leaveEvent(event);
}

void NoteListView::mousePressEvent(QMouseEvent* event)
{
    m_pressed.reset();
    if (event->button() == Qt::LeftButton)
        if (std::optional<Hit> hit = hitAt(event->position().toPoint()); hit && !hit->rect.isNull() && hit->button.enabled)
            m_pressed = hit;
    event->accept();
}

void NoteListView::mouseReleaseEvent(QMouseEvent* event)
{
    std::optional<Hit> pressed = std::move(m_pressed);
    m_pressed.reset();
    event->accept();
    if (!pressed || event->button() != Qt::LeftButton)
        return;
    std::optional<Hit> hit = hitAt(event->position().toPoint());
    // A press and release on the same button of the same row, still showing
    // the same note.
    if (hit && hit->row == pressed->row && hit->noteId == pressed->noteId && hit->button.action == pressed->button.action
        && hit->button.enabled)
        trigger(*hit);
}

void NoteListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    std::optional<Hit> hit = hitAt(event->position().toPoint());
    if (hit && hit->rect.isNull())
        if (const StickyNote* note = m_model->note(hit->row))
            emit editRequested(note->id);
}

void NoteListView::wheelEvent(QWheelEvent* event)
{
    // The page scrolls, not this list.
    event->ignore();
}

bool NoteListView::activate(int row, NoteListRow::Action action)
{
    std::optional<Uuid> noteId = m_model->noteId(row);
    if (!noteId || !m_model->note(row))
        return false;
    QRect rect = buttonRect(row, action);
    NoteListRow content = m_model->rowContent(row);
    const NoteListRow::Button* button = content.button(action);
    if (!button || !button->enabled)
        return false;
    trigger(Hit { row, *noteId, *button, rect });
    return true;
}

bool NoteListView::openRow(int row)
{
    const StickyNote* note = m_model->note(row);
    if (!note)
        return false;
    emit editRequested(note->id);
    return true;
}

void NoteListView::setFocusedButton(std::optional<NoteListRow::Action> action)
{
    m_focusedButton = action;
    m_delegate->setFocusedButton(action);
    if (currentIndex().isValid())
        viewport()->update(visualRect(currentIndex()));
    announceFocus();
}

void NoteListView::announceFocus()
{
    if (!QAccessible::isActive() || !hasFocus() || !currentIndex().isValid())
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
    QAccessibleInterface* row = list ? list->child(currentIndex().row()) : nullptr;
    if (!row)
        return;
    QAccessibleInterface* target = row;
    if (m_focusedButton) {
        const auto& buttons = m_model->rowContent(currentIndex().row()).buttons;
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i].action == *m_focusedButton)
                target = row->child(int(i));
    }
    if (!target)
        return;
    QAccessibleEvent focused(target, QAccessible::Focus);
    QAccessible::updateAccessibility(&focused);
}

void NoteListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    m_focusedButton.reset();
    m_delegate->setFocusedButton(std::nullopt);
    QListView::currentChanged(current, previous);
    // The page scrolls, not the list: it brings the row into view.
    if (current.isValid() && hasFocus()) {
        for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
            if (auto* scroll = qobject_cast<QScrollArea*>(up); scroll && scroll->widget()) {
                QRect row = visualRect(current);
                QPoint center = viewport()->mapTo(scroll->widget(), row.center());
                scroll->ensureVisible(center.x(), center.y(), 0, row.height() / 2 + 8);
                break;
            }
        }
    }
}

void NoteListView::focusInEvent(QFocusEvent* event)
{
    m_focusedButton.reset();
    m_delegate->setFocusedButton(std::nullopt);
    QListView::focusInEvent(event);
    if (!currentIndex().isValid() && m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0));
}

bool NoteListView::focusNextPrevChild(bool next)
{
    // Tab walks the current row's enabled buttons before leaving the list.
    QModelIndex current = currentIndex();
    if (hasFocus() && current.isValid()) {
        std::vector<NoteListRow::Action> stops;
        for (const NoteListRow::Button& button : m_model->rowContent(current.row()).buttons)
            if (button.enabled)
                stops.push_back(button.action);
        int at = -1;
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (m_focusedButton == stops[i])
                at = int(i);
        int to = next ? at + 1 : at - 1;
        if (next && to < int(stops.size())) {
            setFocusedButton(stops[std::size_t(to)]);
            return true;
        }
        if (!next && at >= 0) {
            setFocusedButton(to >= 0 ? std::optional(stops[std::size_t(to)]) : std::nullopt);
            return true;
        }
    }
    return QListView::focusNextPrevChild(next);
}

void NoteListView::keyPressEvent(QKeyEvent* event)
{
    int row = currentIndex().row();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (row >= 0 && event->modifiers() == Qt::NoModifier) {
            if (m_focusedButton)
                activate(row, *m_focusedButton);
            else
                openRow(row);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (row >= 0 && event->modifiers() == Qt::NoModifier) {
            activate(row, NoteListRow::Action::remove);
            event->accept();
            return;
        }
        break;
    default: break;
    }
    QListView::keyPressEvent(event);
}

void NoteListView::trigger(const Hit& hit)
{
    // Nothing for a note that went since the list was last refreshed.
    if (!m_model->note(hit.row))
        return;
    const Uuid& id = hit.noteId;
    switch (hit.button.action) {
    case NoteListRow::Action::edit: emit editRequested(id); return;
    case NoteListRow::Action::addToBoard: openBoardMenu(id, hit.rect); return;
    default: performRowAction(m_model->state(), id, hit.button.action); return;
    }
}

void NoteListView::openBoardMenu(const Uuid& noteId, const QRect& buttonRect)
{
    if (m_boardMenu)
        m_boardMenu->deleteLater();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_boardMenu = menu;
    AppState& state = m_model->state();
    auto entries = NoteListRow::boardEntries(state.customSceneBoards());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i + 1 == entries.size() && i > 0)
            menu->addSeparator();
        const NoteListRow::BoardEntry& entry = entries[i];
        QAction* action = menu->addAction(QString::fromStdString(entry.title));
        std::optional<Uuid> boardId = entry.boardId;
        AppState* target = &state;
        connect(action, &QAction::triggered, this, [target, noteId, boardId] {
            performRowAction(*target, noteId, NoteListRow::Action::addToBoard, boardId);
        });
    }
    menu->popup(viewport()->mapToGlobal(buttonRect.bottomLeft() + QPoint(0, 4)));
}

} // namespace brivet
