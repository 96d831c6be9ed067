#pragma once

namespace brivet::testing {

// The one main of the Qt test programs runs gtest inside a QApplication, on
// the offscreen platform unless QT_QPA_PLATFORM names another.

// The argument that makes a test program run only its tests that need a
// real X server and window manager (on the display in DISPLAY) instead of
// its offscreen tests.
inline constexpr const char* underXFlag = "--under-x";
// The suite those tests are registered in when the program runs that way.
inline constexpr const char* underXSuite = "UnderX";

// Registers the program's tests under underXSuite, once the application
// exists; called only when the program got underXFlag. A program without
// such tests links NoTestsUnderX.cpp.
void registerTestsUnderX();

} // namespace brivet::testing
