#include "dashboard/DashboardStyle.h"

#include "ui/TintedSvgIcon.h"

#include <QLabel>

// The icons live in a static library; they are registered on first use.
static void registerDashboardResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(dashboard);
        return true;
    }();
    (void)done;
}

namespace brivet {

namespace {

const char* fileName(DashboardSymbol symbol)
{
    switch (symbol) {
    case DashboardSymbol::sun: return "sun";
    case DashboardSymbol::sync: return "sync";
    case DashboardSymbol::stack: return "stack";
    case DashboardSymbol::stackFill: return "stack-fill";
    case DashboardSymbol::gear: return "gear";
    case DashboardSymbol::tray: return "tray";
    case DashboardSymbol::clockBadge: return "clock";
    case DashboardSymbol::windowOnRectangle: return "window";
    case DashboardSymbol::plusSquareFill: return "plus-square";
    case DashboardSymbol::sparklesStack: return "sparkles";
    case DashboardSymbol::calendarTimeline: return "calendar-timeline";
    case DashboardSymbol::playCircleFill: return "play";
    case DashboardSymbol::eyeSlash: return "eye-slash";
    case DashboardSymbol::sliders: return "sliders";
    case DashboardSymbol::arrowUpRight: return "arrow-up-right";
    case DashboardSymbol::arrowClockwise: return "arrow-clockwise";
    case DashboardSymbol::calendarAlert: return "calendar-alert";
    case DashboardSymbol::people: return "people";
    case DashboardSymbol::chartDoc: return "chart";
    case DashboardSymbol::notePlus: return "note-plus";
    case DashboardSymbol::plus: return "plus";
    case DashboardSymbol::trash: return "trash";
    case DashboardSymbol::search: return "search";
    case DashboardSymbol::chevronDown: return "chevron-down";
    case DashboardSymbol::calendar: return "calendar";
    }
    return "plus";
}

} // namespace

QIcon dashboardIcon(DashboardSymbol symbol, const QColor& color)
{
    registerDashboardResources();
    return tintedSvgIcon(QStringLiteral(":/dashboard/icons/%1.svg").arg(QLatin1String(fileName(symbol))), color);
}

DashboardColors DashboardColors::from(const QPalette& palette)
{
    DashboardColors colors;
    colors.dark = palette.color(QPalette::Window).lightness() < 128;
    colors.accent = palette.color(QPalette::Highlight);
    colors.green = colors.dark ? QColor(48, 209, 88) : QColor(40, 167, 69);
    colors.orange = colors.dark ? QColor(255, 159, 10) : QColor(240, 140, 0);
    colors.purple = colors.dark ? QColor(191, 90, 242) : QColor(160, 82, 222);
    colors.red = colors.dark ? QColor(255, 69, 58) : QColor(230, 50, 40);
    colors.text = palette.color(QPalette::WindowText);
    colors.secondaryText = colors.text;
    colors.secondaryText.setAlphaF(colors.dark ? 0.62 : 0.58);
    colors.page = palette.color(QPalette::Window);
    colors.card = colors.dark ? colors.page.lighter(125) : palette.color(QPalette::Base);
    colors.separator = colors.text;
    colors.separator.setAlphaF(0.1);
    return colors;
}

QFont dashboardFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color, QWidget* parent, bool wrap)
{
    auto* label = new QLabel(text, parent);
    label->setFont(dashboardFont(pixelSize, weight));
    setTextColor(label, color);
    if (wrap) {
        label->setWordWrap(true);
        // Chinese text has no spaces; without this a long line would widen
        // its column instead of wrapping.
        label->setMinimumWidth(1);
    }
    return label;
}

} // namespace brivet
