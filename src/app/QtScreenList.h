#pragma once

#include "state/ScreenList.h"

#include <QRect>

namespace brivet {

// The screens Qt reports, converted to model coordinates (origin at the
// bottom left of the primary screen's full geometry, y upwards).
class QtScreenList final : public ScreenList {
public:
    std::vector<Rect> visibleFrames() const override;
};

// Conversions between Qt's top-left window rectangles and model rectangles.
// The desktop height is the bottom edge of the primary screen in Qt
// coordinates; the model's y = 0 lies there.
double modelDesktopBottom();
Rect toModelRect(const QRect& qtRect);
QRect toQtRect(const Rect& modelRect);

} // namespace brivet
