#pragma once

#include "model/Enums.h"
#include "ui/QtConversions.h"

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QString>

#include <functional>

class QAbstractButton;
class QLabel;
class QLayout;
class QMenu;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class QWidget;

namespace brivet {

// The pointing hand over a clickable control; the arrow comes back when
// the pointer leaves it.
void makeClickable(QWidget* control, bool enabled = true);

enum class LabelWrap { none, anywhere };
// A label in the application font at that size and weight, in `color`.
// Wrapping labels break at any width: Chinese text has no spaces, and a
// long line would otherwise widen its column.
QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color, QWidget* parent,
    LabelWrap wrap = LabelWrap::none);

// The padding of a prominent button, in pixels.
struct ButtonPadding {
    int vertical = 6;
    int horizontal = 16;
};
// The style sheet of a prominent button of `type` ("QPushButton",
// "QToolButton"): filled with `fill`, white semi-bold text, no border,
// darker under the pointer and paler when disabled. A font size of 0
// keeps the button's own.
QString prominentButtonStyle(const QString& type, const QColor& fill, ButtonPadding padding, int fontPixelSize = 0);
QPushButton* makeProminentButton(const QIcon& icon, const QString& text, const QColor& fill, ButtonPadding padding,
    QWidget* parent);

// The three defer presets, in their order, calling `choose` with the one picked.
QMenu* makeDeferMenu(const QString& title, QWidget* parent, std::function<void(NoteDeferPreset)> choose);

// A picker of every case of `Enum`, each titled as the core titles it and
// carrying the case's number as its data.
template<typename Enum>
QComboBox* enumPicker(QWidget* parent, int minimumWidth = 170)
{
    auto* combo = new QComboBox(parent);
    for (Enum value : allCases<Enum>())
        combo->addItem(qs(title(value)), static_cast<int>(value));
    combo->setMinimumWidth(minimumWidth);
    return combo;
}

// Puts `replacement` where `current` stands in `layout` and deletes
// `current`; returns `replacement`, or nothing with `current` left in place
// when the layout does not hold it.
QWidget* replaceInLayout(QLayout* layout, QWidget* current, QWidget* replacement);

// A page that scrolls vertically and fills `owner` edge to edge, its
// content in one column (margins 28/24/28/28, 20 apart).
struct ScrollingPage {
    QScrollArea* scroll = nullptr;
    QWidget* page = nullptr;
    QVBoxLayout* column = nullptr;
};
ScrollingPage makeScrollingPage(QWidget* owner);

} // namespace brivet
