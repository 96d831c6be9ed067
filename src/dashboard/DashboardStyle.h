#pragma once

#include "ui/QtConversions.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QString>

class QLabel;
class QWidget;

namespace brivet {

// The dashboard's glyphs, named after what they show.
enum class DashboardSymbol {
    sun,
    sync,
    stack,
    stackFill,
    gear,
    tray,
    clockBadge,
    windowOnRectangle,
    plusSquareFill,
    sparklesStack,
    calendarTimeline,
    playCircleFill,
    eyeSlash,
    sliders,
    arrowUpRight,
    arrowClockwise,
    calendarAlert,
    people,
    chartDoc,
    notePlus,
    plus,
    trash,
    search,
    chevronDown,
    calendar,
};

// The bundled drawing of a symbol in `color`.
QIcon dashboardIcon(DashboardSymbol symbol, const QColor& color);

// The colours of the dashboard pages, from the system palette.
struct DashboardColors {
    bool dark = false;
    QColor accent;
    QColor green;
    QColor orange;
    QColor purple;
    QColor red;
    QColor text;
    QColor secondaryText;
    QColor page;
    QColor card;
    QColor separator;

    static DashboardColors from(const QPalette& palette);
};

// The note editor's fixed colours: near-black titles, black at 0.8 for
// secondary texts, light surfaces.
namespace EditorColors {
inline QColor title() { return QColor(0x1D, 0x1D, 0x1F); }
inline QColor secondary() { return QColor(0, 0, 0, int(0.8 * 255)); }
inline QColor surface() { return QColor(0xF3, 0xF5, 0xF8); }
} // namespace EditorColors

QFont dashboardFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// A label in that font and colour; wrapped labels break at any width.
QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color, QWidget* parent,
    bool wrap = false);
void setTextColor(QWidget* widget, const QColor& color);

} // namespace brivet
