#pragma once

#include "dashboard/NoteListRow.h"

#include <QListView>
#include <QPointer>

#include <optional>

#include <QMenu>

namespace brivet {

class NoteListDelegate;
class NoteListModel;

// A dashboard note list: a list view over a NoteListModel that is exactly
// as tall as its rows (the page around it scrolls) and paints only what is
// on screen. Clicking a row's button runs its action on the state; "编辑"
// is handed to whoever shows the editor.
//
// From the keyboard the list is one Tab stop whose current row moves with
// Up/Down; Tab then walks that row's enabled buttons before leaving the
// list, Enter or Space presses the focused button (on the row itself it
// opens the editor) and Delete deletes the row's note. Assistive tools see
// the rows as list items whose buttons are child push buttons.
class NoteListView final : public QListView {
    Q_OBJECT
public:
    explicit NoteListView(NoteListModel* model, QWidget* parent = nullptr);

    NoteListModel* noteModel() const { return m_model; }
    // Where a row's button is, in viewport coordinates; empty when the row
    // has no such button.
    QRect buttonRect(int row, NoteListRow::Action action) const;
    // The "加入" menu opened last (still open or not), for tests.
    QMenu* boardMenu() const { return m_boardMenu; }

    // What a click on the row's button does; false when the row has no
    // such enabled button (or its note has gone).
    bool activate(int row, NoteListRow::Action action);
    // What a double click on the row does: asks for the editor.
    bool openRow(int row);
    // The button of the current row the keyboard is on; none when the row
    // itself has the focus.
    std::optional<NoteListRow::Action> focusedButton() const { return m_focusedButton; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void editRequested(const brivet::Uuid& noteId);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    struct Hit {
        int row = -1;
        // The note the row showed when hit: a release acts only on the
        // note that was pressed.
        Uuid noteId;
        NoteListRow::Button button;
        QRect rect;
    };
    std::optional<Hit> hitAt(const QPoint& point) const;
    void trigger(const Hit& hit);
    void openBoardMenu(const Uuid& noteId, const QRect& buttonRect);
    void fitToRows();
    void setHovered(int row, std::optional<NoteListRow::Action> action);
    void setFocusedButton(std::optional<NoteListRow::Action> action);
    void announceFocus();

    NoteListModel* m_model;
    NoteListDelegate* m_delegate;
    int m_hoveredRow = -1;
    std::optional<NoteListRow::Action> m_hoveredAction;
    std::optional<Hit> m_pressed;
    QPointer<QMenu> m_boardMenu;
    std::optional<NoteListRow::Action> m_focusedButton;
    // The row the keyboard was on when the rows were replaced, to come
    // back near it (the next note after a delete).
    int m_rowBeforeReset = -1;
};

} // namespace brivet
