#pragma once

namespace brivet::testing {

// The argument that makes the desktop test program run only the pointer
// clicks under X (on the display in DISPLAY) instead of its own tests.
inline constexpr const char* clicksUnderXFlag = "--clicks-under-x";
// Adds those clicks as the program's one test.
void registerClicksUnderX();

} // namespace brivet::testing
