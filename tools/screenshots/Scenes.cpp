#include "Scenes.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace brivet {

// The light palette the desktop scenes are drawn in; the dashboard's pages
// start from it.
QPalette lightScenePalette();

const char* surfaceName(SceneSurface surface)
{
    switch (surface) {
    case SceneSurface::card: return "cards";
    case SceneSurface::trayPanel: return "tray panel";
    case SceneSurface::dashboard: return "dashboard";
    }
    return "?";
}

void prepareSceneApplication()
{
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setQuitOnLastWindowClosed(false);
}

int visitScenes(SceneVisitor& visitor)
{
    int made = visitDesktopScenes(visitor);
#ifdef BRIVET_HAVE_DASHBOARD_SHOTS
    QApplication::setPalette(lightScenePalette());
    made += visitDashboardScenes(visitor);
#endif
    return made;
}

} // namespace brivet
