#include "DesktopUnderX.h"

namespace brivet::testing {

void registerTestsUnderX()
{
    registerClicksUnderX();
    registerCompositorUnderX();
}

} // namespace brivet::testing
