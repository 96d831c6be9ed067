#pragma once

#include "model/Enums.h"
#include "model/StickyNote.h"
#include "ui/QtConversions.h"
#include "ui/Symbol.h"
#include "ui/Theme.h"
#include "ui/Widgets.h"

#include <QColor>
#include <QPalette>
#include <QString>

class QLabel;
class QWidget;

namespace brivet {

// A card shows an open note's due date as urgent from this long before it.
inline constexpr Duration dueSoonWindow { 86'400'000 };

// The colours of one card, derived from the system palette and the note.
struct CardColors {
    bool dark = false;
    QColor theme;
    QColor text;
    QColor secondaryText;
    QColor windowBackground;
    // What a card shows behind its text where the theme tints it most: the
    // window colour (a touch lighter in the light scheme) under the
    // theme's wash. Texts are chosen to be read on it.
    QColor surface;
    QColor green;
    QColor red;
    QColor orange;
};

CardColors cardColors(const NoteStyle& style, const QPalette& palette);

// A small capsule label tinted with `tint`.
QLabel* makeTag(const QString& text, const QColor& tint, const CardColors& colors, QWidget* parent);

} // namespace brivet
