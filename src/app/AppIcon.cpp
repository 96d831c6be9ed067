#include "app/AppIcon.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

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

namespace {

// The image in `file` read as `format` only: guessing the format would
// load and ask every image plugin first, which costs the launch several
// milliseconds. Null when the file is not a readable image of that format.
QImage readAs(const QString& file, const char* format)
{
    QImageReader reader(file, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

QIcon applicationIcon(const QString& hicolorFolder)
{
    registerAppResources();
    QString folder = hicolorFolder.isEmpty() ? QStringLiteral(":/app/hicolor") : hicolorFolder;
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        QString file = QStringLiteral("%1/%2x%2/apps/brivet.png").arg(folder).arg(size);
        // Only readable images: a broken file must not become an empty icon.
        if (!QFileInfo::exists(file))
            continue;
        if (QImage image = readAs(file, "png"); !image.isNull())
            icon.addPixmap(QPixmap::fromImage(std::move(image)));
    }
    QString scalable = folder + QStringLiteral("/scalable/apps/brivet.svg");
    if (icon.isNull() && QFileInfo::exists(scalable) && QImageReader(scalable, "svg").canRead())
        icon.addFile(scalable);
    return icon;
}

} // namespace brivet
