#pragma once

#include "ui/CardColors.h"

#include <QColor>
#include <QProxyStyle>
#include <QWidget>

class QAbstractScrollArea;

namespace brivet {

// The kinds of button a card shows.
enum class CardControl {
    // A capsule with text (and an icon) on the theme's tint.
    button,
    // A round grey square with an icon.
    iconButton,
    // An icon alone; grey behind it under the pointer.
    flatIcon,
    // A capsule in the theme colour with white text.
    prominent,
};

// How the controls of a card look: capsule buttons, icon buttons and thin
// scroll bars without arrows, in the colours of the card they are on.
// Drawn here rather than by a style sheet on the card, which sends every
// widget below the card through the style sheet machinery and made up a
// fifth of building a card. Only widgets given it by the functions below
// use it; everything else passes through to the application's style.
class CardStyle final : public QProxyStyle {
public:
    // The one instance, owned by the application.
    static CardStyle* instance();

    void polish(QWidget* widget) override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr, const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
        const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option, const QPoint& position,
        const QWidget* widget = nullptr) const override;

private:
    CardStyle();
};

// Gives `control` the look of `kind`: its font, its hover and the card style.
void styleCardControl(QWidget* control, CardControl kind);
// A button that keeps `tint` (text and capsule) whatever its state, as the
// completion button of a completed note does.
void setCardControlTint(QWidget* control, const QColor& tint);
// The scroll bars of a card's scroll area (or text box): thin, rounded,
// without arrows, nothing drawn behind the handle.
void styleCardScrollBars(QAbstractScrollArea* area);

// The colours of the card `widget` sits on; a plain card's colours in the
// widget's palette when it sits on none.
CardColors cardColorsAround(const QWidget* widget);

// A widget filled with a rounded rectangle of one colour, behind its
// children: the task panel of a card.
class RoundedPanel : public QWidget {
public:
    RoundedPanel(const QColor& fill, double radius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    double m_radius;
};

} // namespace brivet
