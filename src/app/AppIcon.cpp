#include "app/AppIcon.h"

#include <QFileInfo>
#include <QImageReader>

// Resources live in a static library; they are registered on first use.
static void registerAppResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    (void)done;
}

namespace brivet {

QIcon applicationIcon(const QString& hicolorFolder)
{
    registerAppResources();
    QString folder = hicolorFolder.isEmpty() ? QStringLiteral(":/app/hicolor") : hicolorFolder;
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        QString file = QStringLiteral("%1/%2x%2/apps/brivet.png").arg(folder).arg(size);
        // Only readable images: a broken file must not become an empty icon.
        if (QFileInfo::exists(file) && QImageReader(file).canRead())
            icon.addFile(file, QSize(size, size));
    }
    QString scalable = folder + QStringLiteral("/scalable/apps/brivet.svg");
    if (icon.isNull() && QFileInfo::exists(scalable) && QImageReader(scalable).canRead())
        icon.addFile(scalable);
    return icon;
}

} // namespace brivet
