#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace brivet {

// Draws a ring around whichever control inside `host` has the keyboard
// focus, over everything else in the host, so controls drawn without a
// focus frame of their own (borderless fields, flat icon buttons) still
// show where the keys go. It follows the control as it moves or scrolls,
// is clipped to the scroll areas the control sits in, and passes every
// click through.
class FocusRing final : public QWidget {
    Q_OBJECT
public:
    // `color` gives the ring's colour when it is drawn (a card's theme can
    // change under it).
    FocusRing(QWidget* host, std::function<QColor()> color);

    // The control the ring is around (nothing: no focus inside the host).
    QWidget* target() const { return m_target; }
    // The ring's rectangle in the host's coordinates (empty when none).
    QRect ringRect() const;

    static constexpr int width = 2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void focusMoved(QWidget* now);
    void follow(QWidget* target);
    QRect visibleArea() const;

    QWidget* m_host;
    std::function<QColor()> m_color;
    QPointer<QWidget> m_target;
    QList<QPointer<QWidget>> m_watched;
};

} // namespace brivet
