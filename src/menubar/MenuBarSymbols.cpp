#include "menubar/MenuBarSymbols.h"

#include "ui/TintedSvgIcon.h"

// Resources live in a static library; they are registered on first use.
static void registerMenuBarResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(menubar);
        return true;
    }();
    (void)done;
}

namespace brivet {

namespace {

const char* fileName(MenuBarSymbol symbol)
{
    switch (symbol) {
    case MenuBarSymbol::sparklesRectangleStack: return "sparkles-rectangle-stack-fill";
    case MenuBarSymbol::arrowClockwise: return "arrow-clockwise";
    case MenuBarSymbol::rectangleGrid: return "rectangle-grid-2x2";
    case MenuBarSymbol::sliderHorizontal: return "slider-horizontal-3";
    case MenuBarSymbol::power: return "power";
    case MenuBarSymbol::chevronRight: return "chevron-right";
    case MenuBarSymbol::stackBadgePlus: return "square-stack-3d-up-badge-plus";
    }
    return "power";
}

} // namespace

QIcon menuBarIcon(MenuBarSymbol symbol, const QColor& color)
{
    registerMenuBarResources();
    return tintedSvgIcon(QStringLiteral(":/menubar/%1.svg").arg(QLatin1String(fileName(symbol))), color);
}

} // namespace brivet
