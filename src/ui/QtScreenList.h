#pragma once

#include "state/ScreenList.h"

namespace brivet {

// The screens Qt reports, converted to model coordinates (origin at the
// bottom left of the primary screen's full geometry, y upwards).
class QtScreenList final : public ScreenList {
public:
    std::vector<Rect> visibleFrames() const override;
};

} // namespace brivet
