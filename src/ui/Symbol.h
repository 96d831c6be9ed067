#pragma once

#include <QColor>
#include <QIcon>

namespace brivet {

// Every glyph the app draws, named after what it shows; one drawing each.
enum class Symbol {
    arrowClockwise,
    arrowUpForwardApp,
    arrowUpRight,
    calendar,
    calendarAlert,
    calendarTimeline,
    chartDoc,
    checklist,
    checkmarkCircleFill,
    chevronDown,
    chevronRight,
    circle,
    clockBadge,
    eyeSlash,
    gear,
    notePlus,
    people,
    playCircleFill,
    plus,
    plusCircleFill,
    plusSquareFill,
    power,
    rectangleGrid,
    search,
    sliderHorizontal,
    sliders,
    sparklesRectangleStack,
    sparklesStack,
    squareAndPencil,
    stack,
    stackBadgePlus,
    stackFill,
    sun,
    sync,
    trash,
    tray,
    windowOnRectangle,
};

// The bundled drawing in `color`. Drawings are read and rendered only when
// an icon is first painted.
QIcon bundledIcon(Symbol symbol, const QColor& color);
// The icon theme's icon of that meaning when there is one and `color` is
// dark enough for a symbolic theme icon, else the bundled drawing.
QIcon symbolIcon(Symbol symbol, const QColor& color);

} // namespace brivet
