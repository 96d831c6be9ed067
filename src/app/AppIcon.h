#pragma once

#include <QIcon>
#include <QString>

namespace brivet {

// The application icon from an icon folder laid out as the hicolor theme
// (<size>/apps/brivet.png, scalable/apps/brivet.svg); the folder built into
// the program by default. A null icon when nothing there can be read: the
// caller keeps Qt's default.
QIcon applicationIcon(const QString& hicolorFolder = QString());

} // namespace brivet
