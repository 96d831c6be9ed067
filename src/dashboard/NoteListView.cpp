#include "dashboard/NoteListView.h"

#include "dashboard/NoteListDelegate.h"
#include "dashboard/NoteListModel.h"
#include "state/AppState.h"

#include <QMenu>
#include <QMouseEvent>

namespace brivet {

NoteListView::NoteListView(NoteListModel* model, QWidget* parent)
    : QListView(parent)
    , m_model(model)
    , m_delegate(new NoteListDelegate(this))
{
    setModel(model);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
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
