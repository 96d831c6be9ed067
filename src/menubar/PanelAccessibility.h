#pragma once

namespace brivet {

// Makes the tray panel readable by screen readers: the panel reads as a
// window, its cards and rows as named groups, each quick-action row as a
// button whose "Press" action does what a click does (rows with a size
// submenu as menu buttons that also "ShowMenu"), and the size submenu as a
// popup menu whose entries are menu items a screen reader can press.
// Installed once per process; later calls do nothing.
void installPanelAccessibility();

} // namespace brivet
