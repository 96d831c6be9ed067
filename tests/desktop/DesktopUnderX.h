#pragma once

namespace brivet::testing {

// The argument that makes the desktop test program run only its tests that
// need a real X server and window manager (on the display in DISPLAY)
// instead of its own offscreen tests.
inline constexpr const char* underXFlag = "--under-x";
// The suite those tests are registered in when the program runs that way.
inline constexpr const char* underXSuite = "UnderX";

void registerClicksUnderX();
void registerCompositorUnderX();

} // namespace brivet::testing
