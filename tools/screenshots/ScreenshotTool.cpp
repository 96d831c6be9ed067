// Renders every scene (see Scenes.h) into a PNG file named after it.
// Usage: brivet-screenshots <output folder>

#include "Scenes.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

using namespace brivet;

namespace {

class PngWriter final : public SceneVisitor {
public:
    explicit PngWriter(const QDir& out)
        : m_out(out) { }

    bool visit(const SceneShot& scene) override
    {
        QString path = m_out.filePath(scene.name + QStringLiteral(".png"));
        if (scene.image().save(path))
            return true;
        std::fprintf(stderr, "brivet-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }

private:
    QDir m_out;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    prepareSceneApplication();
    QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    if (!out.mkpath(".")) {
        std::fprintf(stderr, "brivet-screenshots: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    PngWriter writer(out);
    int written = visitScenes(writer);
    std::printf("brivet-screenshots: wrote %d images to %s\n", written, qPrintable(out.absolutePath()));
    return written > 0 ? 0 : 1;
}
