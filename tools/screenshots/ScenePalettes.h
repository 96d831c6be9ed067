#pragma once

#include <QColor>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

namespace brivet {

// The looks the screenshots are taken in, and the contrast test checks: a
// dark desktop palette, and Fusion's light one with the system's calm grey
// window and blue accent.
inline QPalette sceneDarkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(38, 38, 41));
    p.setColor(QPalette::WindowText, QColor(236, 236, 240));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::Text, QColor(236, 236, 240));
    p.setColor(QPalette::Button, QColor(48, 48, 52));
    p.setColor(QPalette::ButtonText, QColor(236, 236, 240));
    p.setColor(QPalette::Highlight, QColor(10, 132, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 156));
    return p;
}

// Fusion's own light palette, unchanged.
inline QPalette fusionLightPalette()
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

inline QPalette sceneLightPalette()
{
    QPalette p = fusionLightPalette();
    p.setColor(QPalette::Window, QColor(242, 242, 245));
    p.setColor(QPalette::Highlight, QColor(0, 122, 255));
    return p;
}

} // namespace brivet
