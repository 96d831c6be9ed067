#pragma once

#include "model/Scheduler.h"

#include <memory>

namespace brivet {

class AppState;
class CompositorWatch;
class StateBridge;

// What every desktop view shares: the state (weakly: null once the window
// manager is going away, so views tearing down never call into a state
// that is being destroyed), the scheduler for debounces and the change
// signals. Focus requests go through the state's window manager.
struct DesktopEnvironment {
    AppState* state = nullptr;
    Scheduler* scheduler = nullptr;
    StateBridge* bridge = nullptr;
    // Whether a compositor runs; null where nobody watches (no X).
    CompositorWatch* compositor = nullptr;
    // Paint translucent corners and a shadow even without a compositor
    // (renderings); otherwise only with one, and without one the card is
    // opaque and shaped by a mask.
    bool composited = false;
    // The application is quitting: its windows close, their notes stay.
    bool quitting = false;
};

using DesktopEnvironmentPtr = std::shared_ptr<DesktopEnvironment>;

} // namespace brivet
