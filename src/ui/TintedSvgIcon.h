#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace brivet {

// The single-colour drawing at `resourcePath` (drawn in #000000) as an icon
// in `color`, its alpha as the drawing's opacity. The drawing is parsed the
// first time a size is asked for and each size is rendered once, at the
// size and pixel ratio it is shown at: building a card costs no rendering
// of sizes nobody shows. Icons are shared per drawing and colour; a missing
// drawing gives a null icon.
QIcon tintedSvgIcon(const QString& resourcePath, const QColor& color);

} // namespace brivet
