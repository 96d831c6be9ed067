#include "ui/QtScreenList.h"

#include "ui/QtConversions.h"

#include <QGuiApplication>
#include <QScreen>

namespace brivet {

std::vector<Rect> QtScreenList::visibleFrames() const
{
    std::vector<Rect> frames;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        frames.push_back(toModelRect(primary->availableGeometry()));
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            frames.push_back(toModelRect(screen->availableGeometry()));
    return frames;
}

} // namespace brivet
