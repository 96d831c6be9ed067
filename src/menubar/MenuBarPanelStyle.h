#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include "model/Enums.h"

class QFrame;
class QLabel;
class QToolButton;
class QWidget;

namespace brivet {

// Shared building blocks of the tray panel's sections.
struct CardColors;

namespace MenuBarPanelStyle {

// The tint of a note's source tag: work the accent colour, life green,
// urgent red, custom orange.
QColor themeTint(NoteTheme theme, const CardColors& colors);
// The opaque colour of a panel card tinted with `tint` on `window`.
QColor cardFill(const QColor& tint, const QColor& window);
// The rounded, lightly tinted background of the panel's cards; the frame
// needs an object name.
void styleCard(QFrame* card, const QColor& tint);

// The window text colour at the secondary strength.
QColor secondaryText(const QWidget* widget);
// A label in a pixel size and weight; `secondary` dims it.
QLabel* label(const QString& text, int pixelSize, QFont::Weight weight, bool secondary, QWidget* parent);
// The ring drawn around the control that has the keyboard focus: the
// accent colour, which the themes keep distinct from the window in light
// and dark; on a control filled with the accent, the window text colour.
QColor focusRing(const QWidget* widget, bool onAccent = false);
// A flat icon button, named for tests and screen readers. Buttons are
// reached by Tab but never take the focus on a click, so the pointer
// leaves no ring behind.
QToolButton* iconButton(const QIcon& icon, const QString& tip, const QString& name, QWidget* parent);
// A text button with an icon; `prominent` fills it with the accent colour.
QToolButton* textButton(const QIcon& icon, const QString& text, const QString& name, bool prominent, QWidget* parent);

} // namespace MenuBarPanelStyle

} // namespace brivet
