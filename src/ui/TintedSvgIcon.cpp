#include "ui/TintedSvgIcon.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace brivet {

namespace {

class TintedSvgIconEngine final : public QIconEngine {
public:
    TintedSvgIconEngine(QByteArray svg, qreal opacity)
        : m_svg(std::move(svg))
        , m_opacity(opacity)
    {
    }

    QIconEngine* clone() const override { return new TintedSvgIconEngine(m_svg, m_opacity); }

    QString key() const override { return QStringLiteral("brivet-tinted-svg"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QSize pixels(int(std::ceil(rect.width() * scale)), int(std::ceil(rect.height() * scale)));
        painter->drawPixmap(rect, rendered(pixels, mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override { return rendered(size, mode); }

    // QIcon asks in device pixels already (size × scale) and sets the
    // pixel ratio on what it gets back.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal) override
    {
        return rendered(size, mode);
    }

private:
    // The drawing at `pixels`, in `mode`, rendered once per size and mode.
    QPixmap rendered(QSize pixels, QIcon::Mode mode)
    {
        if (pixels.isEmpty())
            return {};
        quint64 key = (quint64(quint32(pixels.width())) << 32) | (quint64(quint16(pixels.height())) << 8) | quint64(mode & 0xff);
        if (auto found = m_rendered.constFind(key); found != m_rendered.constEnd())
            return *found;

        QPixmap pixmap;
        if (mode == QIcon::Normal || mode == QIcon::Active) {
            if (!m_renderer)
                m_renderer = std::make_unique<QSvgRenderer>(m_svg);
            pixmap = QPixmap(pixels);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setOpacity(m_opacity);
            m_renderer->render(&painter);
        } else if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            // Disabled and selected looks come from the style, as for any
            // icon made of pixmaps.
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = app->style()->generatedIconPixmap(mode, rendered(pixels, QIcon::Normal), &option);
        } else {
            pixmap = rendered(pixels, QIcon::Normal);
        }
        m_rendered.insert(key, pixmap);
        return pixmap;
    }

    QByteArray m_svg;
    qreal m_opacity;
    std::unique_ptr<QSvgRenderer> m_renderer;
    QHash<quint64, QPixmap> m_rendered;
};

} // namespace

QIcon tintedSvgIcon(const QString& resourcePath, const QColor& color)
{
    static QHash<QString, QIcon> cache;
    QString key = resourcePath + QLatin1Char('|') + color.name(QColor::HexArgb);
    if (auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    QIcon icon;
    QFile file(resourcePath);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray svg = file.readAll();
        svg.replace("#000000", color.name(QColor::HexRgb).toLatin1());
        icon = QIcon(new TintedSvgIconEngine(std::move(svg), color.alphaF()));
    }
    cache.insert(key, icon);
    return icon;
}

} // namespace brivet
