#pragma once

#include <QString>

class QWidget;

namespace brivet {

// Makes the controls of a desktop card readable and operable by screen
// readers: icon buttons are buttons whose "Press" does what a click does,
// buttons with a menu open it on "ShowMenu" (after the call returns, the
// menu running its own event loop), task ticks are check boxes with their
// checked state, a task line of the board is a group named by its task,
// and a title that cannot be edited reports itself read-only. Installed once
// per process; later calls do nothing.
void installCardAccessibility();

// Marks `button` as the tick of a task: a check box to assistive tools.
void markTaskTick(QWidget* button);
// The key that does what `control` does, for its tooltip and for the
// screen reader ("Ctrl+O"); shown after the tooltip's text.
void setControlShortcut(QWidget* control, const QString& tip, const QString& keys);

} // namespace brivet
