#pragma once

#include "ui/QtConversions.h"
#include "ui/Symbol.h"
#include "ui/Theme.h"
#include "ui/Widgets.h"

#include <QColor>

namespace brivet {

// The note editor's fixed colours: near-black titles, black at 0.8 for
// secondary texts, light surfaces. Placeholders and the read-only texts of
// a calendar note are black at 0.6: lighter than the rest, still read at
// 4.5:1 on the editor's surfaces.
namespace EditorColors {
inline QColor title() { return QColor(0x1D, 0x1D, 0x1F); }
inline QColor secondary() { return QColor(0, 0, 0, int(0.8 * 255)); }
inline QColor placeholder() { return QColor(0, 0, 0, int(0.6 * 255)); }
inline QColor surface() { return QColor(0xF3, 0xF5, 0xF8); }
} // namespace EditorColors

} // namespace brivet
