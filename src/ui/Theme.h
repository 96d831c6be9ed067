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

// Text contrast as WCAG measures it: body text needs 4.5:1 against what
// lies behind it, large text (24 px, or 19 px bold) 3:1.
inline constexpr double readableContrast = 4.5;
inline constexpr double largeTextContrast = 3.0;

// `top` drawn over the opaque `bottom` at its alpha: the colour one sees.
QColor composed(const QColor& top, const QColor& bottom);
// The contrast of `foreground` (drawn at its alpha) on the opaque
// `background`, from 1 (none) to 21 (black on white).
double contrastRatio(const QColor& foreground, const QColor& background);
// `foreground`, opaque, and darkened on a light background or lightened on
// a dark one just as far as it takes to reach `minimum` against
// `background`; unchanged where it already does.
QColor readableOn(const QColor& foreground, const QColor& background, double minimum = readableContrast);
// `foreground` made readable (as readableOn does) on a capsule of `tint`
// at `tintAlpha` over the opaque `surface`.
QColor textOnTint(const QColor& foreground, const QColor& tint, double tintAlpha, const QColor& surface,
    double minimum = readableContrast);
// A tag's capsule: `tint` at a light strength over the surface.
QColor tagBackground(const QColor& tint, bool dark);
// A tag's text: the tint, deepened in the light scheme, and as far again
// as it takes to be read on its capsule over `surface`.
QColor tagText(const QColor& tint, const QColor& surface, bool dark);
// The fill of a button with white text: `fill`, darkened as far as white
// on it needs to be read.
QColor prominentFill(const QColor& fill);

// Corner radii: controls (buttons, list rows), tags, the panel's cards.
inline constexpr int controlRadius = 8;
inline constexpr int tagRadius = 9;
inline constexpr int cardRadius = 14;

// How much larger the desktop's font is than the one the surfaces were
// drawn for (10 points, the application font Qt takes from the desktop's
// settings): 1.5 for 15 points. A smaller desktop font keeps the drawn
// sizes, which are as small as they read well.
double fontScale();
// A drawn pixel size at the desktop's font size.
int fontPixels(int designPixels);
// The application font at a drawn pixel size (scaled as fontPixels does)
// and weight.
QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// Gives `widget` uiFont(pixelSize, weight), and again at the new size
// whenever the application font changes.
void setUiFont(QWidget* widget, int pixelSize, QFont::Weight weight = QFont::Normal);

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
