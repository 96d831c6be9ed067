#pragma once

#include "model/Enums.h"

class QByteArray;
class QWindow;
struct xcb_connection_t;

namespace brivet {

// Window-manager hints of the desktop cards on X11 (EWMH). Every function
// does nothing on other platforms (offscreen, Wayland).
namespace X11WindowHints {

// True when the application talks to an X server.
bool isAvailable();
// The application's X connection (Qt's), or null off X11.
xcb_connection_t* connection();
// Before the window is mapped: out of the taskbar and pager, on every
// workspace, and in the stacking layer of `mode`.
void prepareUnmapped(QWindow* window, NoteWindowLayerMode mode);
// On a mapped window: asks the window manager for the layer of `mode`
// (and keeps the card sticky and out of the taskbar).
void applyLayer(QWindow* window, NoteWindowLayerMode mode);
// Before the window is brought forward for a launch the desktop announced
// (its startup notification id, as a launcher hands it over D-Bus): names
// that launch on the window, so the window manager grants it the focus the
// user asked for, and tells the launcher the launch is complete.
void answerStartup(QWindow* window, const QByteArray& startupId);

} // namespace X11WindowHints

} // namespace brivet
