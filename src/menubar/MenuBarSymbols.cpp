#include "menubar/MenuBarSymbols.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Resources live in a static library; they are registered on first use.
static void registerMenuBarResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(menubar);
        return true;
    }();
    (void)done;
}

namespace brivet {

namespace {

const char* fileName(MenuBarSymbol symbol)
{
    switch (symbol) {
    case MenuBarSymbol::sparklesRectangleStack: return "sparkles-rectangle-stack-fill";
    case MenuBarSymbol::arrowClockwise: return "arrow-clockwise";
    case MenuBarSymbol::rectangleGrid: return "rectangle-grid-2x2";
    case MenuBarSymbol::sliderHorizontal: return "slider-horizontal-3";
    case MenuBarSymbol::power: return "power";
    case MenuBarSymbol::chevronRight: return "chevron-right";
    case MenuBarSymbol::stackBadgePlus: return "square-stack-3d-up-badge-plus";
    }
    return "power";
}

} // namespace

QIcon menuBarIcon(MenuBarSymbol symbol, const QColor& color)
{
    registerMenuBarResources();
    static QHash<QString, QIcon> cache;
    QString key = QLatin1String(fileName(symbol)) + color.name(QColor::HexArgb);
    if (auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    QIcon icon;
    QFile file(QStringLiteral(":/menubar/%1.svg").arg(QLatin1String(fileName(symbol))));
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray svg = file.readAll();
        svg.replace("#000000", color.name(QColor::HexRgb).toLatin1());
        if (color.alphaF() < 1.0)
            svg.replace("<svg ", QStringLiteral("<svg opacity=\"%1\" ").arg(color.alphaF()).toLatin1());
        QSvgRenderer renderer(svg);
        for (int size : { 16, 24, 32, 48 }) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    cache.insert(key, icon);
    return icon;
}

} // namespace brivet
