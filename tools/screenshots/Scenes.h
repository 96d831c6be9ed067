#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace brivet {

// Which window of the app a scene shows.
enum class SceneSurface { card,
    trayPanel,
    dashboard };

const char* surfaceName(SceneSurface surface);

// One scene, alive while the visitor looks at it: its file name (without
// ".png"), the windows it shows (a tray panel with its open size submenu
// shows two) and its picture, made only when asked for.
struct SceneShot {
    QString name;
    SceneSurface surface;
    bool dark = false;
    QList<QWidget*> windows;
    std::function<QImage()> image;
};

// Looks at every scene in turn.
class SceneVisitor {
public:
    virtual ~SceneVisitor() = default;
    // Returns whether it made something of the scene (a picture written).
    virtual bool visit(const SceneShot& scene) = 0;
    // The scenes that need a private Evolution Data Server take seconds
    // more; a visitor can leave them out.
    virtual bool wantsStoreScenes() const { return true; }
};

// The application set up as every scene expects: the Fusion style, and
// no quitting when a scene's last window closes.
void prepareSceneApplication();

// Builds every scene (the cards of every size and theme, the scene board,
// the detail editor, long cards, the tray panel in its states, the
// dashboard's pages) in the light and dark palettes and hands each to
// `visitor`; returns how many it made something of.
int visitScenes(SceneVisitor& visitor);

// The desktop and tray scenes, and the dashboard's.
int visitDesktopScenes(SceneVisitor& visitor);
int visitDashboardScenes(SceneVisitor& visitor);

} // namespace brivet
