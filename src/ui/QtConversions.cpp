#include "ui/QtConversions.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace brivet {

double modelDesktopBottom()
{
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    QRect geometry = primary->geometry();
    return geometry.y() + geometry.height();
}

Rect toModelRect(const QRect& qtRect)
{
    double bottom = modelDesktopBottom();
    return Rect { double(qtRect.x()), bottom - (qtRect.y() + qtRect.height()), double(qtRect.width()), double(qtRect.height()) };
}

QRect toQtRect(const Rect& modelRect)
{
    double bottom = modelDesktopBottom();
    int width = int(std::lround(modelRect.width));
    int height = int(std::lround(modelRect.height));
    int x = int(std::lround(modelRect.x));
    int y = int(std::lround(bottom - modelRect.y - modelRect.height));
    return QRect(x, y, width, height);
}

} // namespace brivet
