#include "QtTestMain.h"

namespace brivet::testing {

// This program's tests all run offscreen.
void registerTestsUnderX() { }

} // namespace brivet::testing
