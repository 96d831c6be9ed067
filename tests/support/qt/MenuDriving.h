#pragma once

#include <QStringList>

#include <functional>
#include <string>

class QMenu;

namespace brivet::testing {

// A list as "a, b, c", for comparing orders in a failure message.
std::string joined(const QStringList& list);

// Runs `inMenu` on `menu` once `open` has opened it (in its own event loop,
// which runs until it closes), then runs what the event loop has queued;
// false if the menu never opened. A menu that opened but is not the active
// popup is closed without `inMenu`.
bool whileMenuOpen(QMenu* menu, const std::function<void()>& open, const std::function<void(QMenu*)>& inMenu);

} // namespace brivet::testing
