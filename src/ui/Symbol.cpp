#include "ui/Symbol.h"

#include "ui/TintedSvgIcon.h"

// The drawings live in a static library; they are registered on first use.
static void registerIconResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace brivet {

namespace {

struct SymbolInfo {
    const char* file;
    // The freedesktop name of the same meaning, or nothing where the
    // bundled drawing is the only one that fits.
    const char* themeName = nullptr;
};

SymbolInfo info(Symbol symbol)
{
    switch (symbol) {
    case Symbol::arrowClockwise: return { "arrow-clockwise" };
    case Symbol::arrowUpForwardApp: return { "arrow-up-forward-app", "window-new-symbolic" };
    case Symbol::arrowUpRight: return { "arrow-up-right" };
    case Symbol::calendar: return { "calendar", "x-office-calendar-symbolic" };
    case Symbol::calendarAlert: return { "calendar-alert" };
    case Symbol::calendarTimeline: return { "calendar-timeline" };
    case Symbol::chartDoc: return { "chart" };
    case Symbol::checklist: return { "checklist", "view-list-symbolic" };
    case Symbol::checkmarkCircleFill: return { "checkmark-circle-fill", "emblem-ok-symbolic" };
    case Symbol::chevronDown: return { "chevron-down" };
    case Symbol::chevronRight: return { "chevron-right" };
    case Symbol::circle: return { "circle", "radio-symbolic" };
    case Symbol::clockBadge: return { "clock-badge", "alarm-symbolic" };
    case Symbol::eyeSlash: return { "eye-slash", "view-conceal-symbolic" };
    case Symbol::gear: return { "gear" };
    case Symbol::notePlus: return { "note-plus" };
    case Symbol::people: return { "people" };
    case Symbol::playCircleFill: return { "play" };
    case Symbol::plus: return { "plus", "list-add-symbolic" };
    case Symbol::plusCircleFill: return { "plus-circle-fill", "list-add-symbolic" };
    case Symbol::plusSquareFill: return { "plus-square" };
    case Symbol::power: return { "power" };
    case Symbol::rectangleGrid: return { "rectangle-grid-2x2" };
    case Symbol::search: return { "search" };
    case Symbol::sliderHorizontal: return { "slider-horizontal-3" };
    case Symbol::sliders: return { "sliders" };
    case Symbol::sparklesRectangleStack: return { "sparkles-rectangle-stack-fill" };
    case Symbol::sparklesStack: return { "sparkles" };
    case Symbol::squareAndPencil: return { "square-and-pencil", "document-edit-symbolic" };
    case Symbol::stack: return { "stack" };
    case Symbol::stackBadgePlus: return { "square-stack-3d-up-badge-plus" };
    case Symbol::stackFill: return { "stack-fill" };
    case Symbol::sun: return { "sun" };
    case Symbol::sync: return { "sync" };
    case Symbol::trash: return { "trash", "user-trash-symbolic" };
    case Symbol::tray: return { "tray" };
    case Symbol::windowOnRectangle: return { "window" };
    }
    return { "circle", "radio-symbolic" };
}

} // namespace

QIcon bundledIcon(Symbol symbol, const QColor& color)
{
    registerIconResources();
    return tintedSvgIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info(symbol).file)), color);
}

QIcon symbolIcon(Symbol symbol, const QColor& color)
{
    // Symbolic theme icons are drawn dark; on a dark card, and wherever a
    // tint carries meaning, the bundled drawing in the asked colour reads better.
    const char* themeName = info(symbol).themeName;
    if (themeName && color.lightness() < 110) {
        QString iconTheme = QIcon::themeName();
        if (!iconTheme.isEmpty() && iconTheme != QLatin1String("hicolor")) {
            QString name = QLatin1String(themeName);
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name, bundledIcon(symbol, color));
        }
    }
    return bundledIcon(symbol, color);
}

} // namespace brivet
