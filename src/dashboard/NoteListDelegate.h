#pragma once

#include "dashboard/NoteListRow.h"

#include <QStyledItemDelegate>

#include <optional>
#include <vector>

namespace brivet {

// Paints a NoteListRow: title with its tags, subtitle, and the row's
// buttons on the right. The view asks it where each button is.
class NoteListDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 74;

    explicit NoteListDelegate(QObject* parent = nullptr);

    struct ButtonPlace {
        NoteListRow::Button button;
        QRect rect;
    };
    // The buttons of a row drawn in `rowRect`, right to left order undone
    // (as the row lists them).
    static std::vector<ButtonPlace> buttonPlaces(const NoteListRow& row, const QRect& rowRect);

    // The button under the pointer, drawn highlighted.
    void setHovered(int row, std::optional<NoteListRow::Action> action);
    // The button of the current row the keyboard is on, ringed while the
    // list has the focus; none rings the whole row.
    void setFocusedButton(std::optional<NoteListRow::Action> action) { m_focusedAction = action; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_hoveredRow = -1;
    std::optional<NoteListRow::Action> m_hoveredAction;
    std::optional<NoteListRow::Action> m_focusedAction;
};

} // namespace brivet
