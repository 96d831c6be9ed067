#pragma once

#include <QColor>
#include <QIcon>

namespace brivet {

// Glyphs of the tray panel beyond those the cards share, named after what
// they show.
enum class MenuBarSymbol {
    sparklesRectangleStack,
    arrowClockwise,
    rectangleGrid,
    sliderHorizontal,
    power,
    chevronRight,
    stackBadgePlus,
};

// The bundled drawing in `color`.
QIcon menuBarIcon(MenuBarSymbol symbol, const QColor& color);

} // namespace brivet
