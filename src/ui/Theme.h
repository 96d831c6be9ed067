#pragma once

#include "model/StickyNote.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <optional>
#include <string_view>

class QPainter;
class QRectF;
class QWidget;

namespace brivet {

// The colours every surface (cards, tray panel, dashboard) shares, derived
// from the system palette so that a light or dark desktop carries through.
struct Theme {
    bool dark = false;
    QColor accent;
    QColor green;
    QColor orange;
    QColor purple;
    QColor red;
    QColor text;
    QColor secondaryText;
    QColor window;
    // Raised surfaces and hairlines on the window colour.
    QColor card;
    QColor separator;

    static Theme from(const QPalette& palette);
};

// One strength for secondary text everywhere: the strongest the surfaces
// used, so small grey text keeps its contrast on a tinted card.
double secondaryTextAlpha(bool dark);

// Corner radii: controls (buttons, list rows), tags, the panel's cards.
inline constexpr int controlRadius = 8;
inline constexpr int tagRadius = 9;
inline constexpr int cardRadius = 14;

// The application font at a pixel size and weight.
QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// "#FFB340", "FFB340" or "##ffb340" as an opaque colour; nothing for text
// that is not a hexadecimal number.
std::optional<QColor> parseHexColor(std::string_view text);
// The theme colour of a note's style: work the accent (highlight) colour,
// life green, urgent red, custom its hex colour or "#FFB340".
QColor themeColor(const NoteStyle& style, const QPalette& palette);
// Dark when the palette's window colour is dark.
bool isDarkScheme(const QPalette& palette);

// "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color, double alpha = -1);
// Window, plain and button text of `widget` in `color`.
void setTextColor(QWidget* widget, const QColor& color);
// Fills `rect` with `color`, its corners rounded by `radius` (at most half
// the shorter side); nothing for a transparent colour.
void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color);

} // namespace brivet
