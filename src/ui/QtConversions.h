#pragma once

#include "state/ScreenList.h"

#include <QRect>
#include <QString>

#include <string>
#include <string_view>

namespace brivet {

// The one place where the core's values become Qt's and back: the core
// speaks UTF-8 strings and model rectangles, the views Qt strings and
// top-left window rectangles.

inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
inline std::string ss(const QString& text)
{
    return text.toStdString();
}

// The model's origin lies at the bottom left of the primary screen's full
// geometry, y upwards; this is that bottom edge in Qt coordinates.
double modelDesktopBottom();
Rect toModelRect(const QRect& qtRect);
QRect toQtRect(const Rect& modelRect);

} // namespace brivet
