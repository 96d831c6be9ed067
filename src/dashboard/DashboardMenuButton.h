#pragma once

#include "model/Enums.h"

#include <functional>

class QAbstractButton;
class QMenu;
class QObject;
class QWidget;

namespace brivet {

// Makes `button` open a menu just below it: a new one from `makeMenu`
// (made a child of the button, gone once it closes) on a click, on Enter,
// Return, Space or Down, and through a screen reader's Press or ShowMenu.
// Opened from the keyboard or a screen reader it highlights its first
// entry, so the arrows go on from there; Escape closes it and the focus
// stays on the button. The button then reads as a menu button.
void makeMenuButton(QAbstractButton* button, std::function<QMenu*(QWidget* parent)> makeMenu);
// A menu button whose menu offers the three note sizes; `choose` gets the
// one picked.
void makeSizeMenuButton(QAbstractButton* button, std::function<void(NoteSizePreset)> choose);

// Whether `object` is a button made a menu button.
bool isMenuButton(const QObject* object);
// The menu `button` has open, or nothing.
QMenu* openMenu(const QAbstractButton* button);
enum class MenuHighlight { none,
    firstEntry };
// Opens `button`'s menu, as a click (nothing highlighted) or the keyboard
// does; nothing when it is not a menu button, is disabled or has it open.
void showButtonMenu(QAbstractButton* button, MenuHighlight highlight);

} // namespace brivet
