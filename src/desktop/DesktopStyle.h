#pragma once

#include "model/Enums.h"
#include "model/StickyNote.h"
#include "ui/QtConversions.h"

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QString>

#include <functional>
#include <optional>
#include <string_view>

class QAbstractButton;
class QLabel;
class QMenu;
class QPainter;
class QRectF;
class QWidget;

namespace brivet {

// A card shows an open note's due date as urgent from this long before it.
inline constexpr Duration dueSoonWindow { 86'400'000 };

// Glyphs the cards use, named after what they show.
enum class Symbol {
    circle,
    checkmarkCircleFill,
    checklist,
    clockBadge,
    squareAndPencil,
    eyeSlash,
    trash,
    calendar,
    arrowUpForwardApp,
    plus,
    plusCircleFill,
};

// The colours of one card, derived from the system palette and the note.
struct CardColors {
    bool dark = false;
    QColor theme;
    QColor text;
    QColor secondaryText;
    QColor windowBackground;
    QColor green;
    QColor red;
    QColor orange;
};

// "#FFB340", "FFB340" or "##ffb340" as an opaque colour; nothing for text
// that is not a hexadecimal number.
std::optional<QColor> parseHexColor(std::string_view text);
// The theme colour of a note's style: work the accent (highlight) colour,
// life green, urgent red, custom its hex colour or "#FFB340".
QColor themeColor(const NoteStyle& style, const QPalette& palette);
// Dark when the palette's window colour is dark.
bool isDarkScheme(const QPalette& palette);
CardColors cardColors(const NoteStyle& style, const QPalette& palette);

// The theme icon of that meaning when the icon theme has one and no tint
// is asked for, else the bundled drawing in `color`.
QIcon symbolIcon(Symbol symbol, const QColor& color, bool allowThemeIcon = true);

// The pointing hand over a clickable control; the arrow comes back when
// the pointer leaves it.
void makeClickable(QWidget* control, bool enabled = true);

// Fills `rect` with `color`, its corners rounded by `radius` (at most half
// the shorter side); nothing for a transparent colour.
void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color);

// A small capsule label tinted with `tint`.
QLabel* makeTag(const QString& text, const QColor& tint, const CardColors& colors, QWidget* parent);

// The three defer presets, in their order, calling `choose` with the one picked.
QMenu* makeDeferMenu(const QString& title, QWidget* parent, std::function<void(NoteDeferPreset)> choose);

// "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color, double alpha = -1);

} // namespace brivet
