#pragma once

#include "support/qt/QtTestMain.h"

namespace brivet::testing {

// The desktop tests that need a real X server (see underXFlag).
void registerClicksUnderX();
void registerCompositorUnderX();

} // namespace brivet::testing
