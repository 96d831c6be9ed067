#pragma once

#include "ui/Theme.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace brivet {

// What a surface's focus ring goes round and how it stands off.
struct FocusRingOptions {
    // Which focused controls get the ring; unset: every control. A control
    // marked with FocusRing::drawsOwnRing never does.
    std::function<bool(const QWidget*)> rings;
    // Between the control's edge and the ring: room that keeps the ring
    // apart from a control with a fill of the ring's colour.
    int gap = 0;
    // How far the ring may show past the edge of a scroll area's view it
    // sits in (the view's frame or padding).
    int overhang = 0;
    // The corner radius of controls that set none with setCornerRadius.
    int cornerRadius = controlRadius;
};

// Draws a ring round whichever control inside `host` has the keyboard
// focus, over everything else in the host, so controls whose focus frame a
// style sheet hid, or that never had one (borderless fields, flat icon
// buttons), still show where the keys go. It follows the control as it
// moves, scrolls or hides, is cut at the edges of the scroll areas the
// control sits in, and passes every click through.
class FocusRing final : public QWidget {
    Q_OBJECT
public:
    // `color` gives the ring's colour for a control when it is drawn (a
    // card's theme can change under it).
    FocusRing(QWidget* host, std::function<QColor(const QWidget* control)> color, FocusRingOptions options = {});

    // The control the ring is round (nothing: no ringed control inside the
    // host has the focus).
    QWidget* target() const { return m_target; }
    // The part of the ring that shows, in the host's coordinates (empty
    // when none does).
    QRect ringRect() const;

    // `control` draws its own ring; no FocusRing goes round it.
    static void drawsOwnRing(QWidget* control);
    // The corner radius of `control`'s shape, which the ring follows.
    static void setCornerRadius(QWidget* control, int radius);

    static constexpr int width = 2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* focused);
    void place();
    bool rings(const QWidget* control) const;
    QRect visibleArea() const;

    QWidget* m_host;
    std::function<QColor(const QWidget*)> m_color;
    FocusRingOptions m_options;
    QPointer<QWidget> m_target;
    // The target and its ancestors up to the host, whose moves move it.
    std::vector<QPointer<QWidget>> m_watched;
    // Where the ring may show, in its own coordinates.
    QRect m_clip;
};

} // namespace brivet
