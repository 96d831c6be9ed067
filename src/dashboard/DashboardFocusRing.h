#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

namespace brivet {

// The keyboard's place on the dashboard's controls: a solid 2px ring in
// the accent colour, a little outside whichever push or tool button, check
// or radio box, picker, slider or tile inside `scope` has the focus. Style
// sheets hide the style's own focus frame, so every control gets this one
// instead, the same in light and dark and on any fill. It lies above the
// scope's content, takes no input, follows its control as it moves,
// scrolls or hides, and is cut at the edge of the scroll area the control
// sits in.
class DashboardFocusRing final : public QWidget {
    Q_OBJECT
public:
    explicit DashboardFocusRing(QWidget* scope);

    // The control ringed now, or nothing.
    QWidget* target() const { return m_target; }

    // `control` draws its own ring; this one leaves it alone.
    static void drawsOwnRing(QWidget* control);
    // The corner radius of `control`'s shape, which the ring follows
    // (controls are taken to have the common control radius).
    static void setCornerRadius(QWidget* control, int radius);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* focused);
    void place();
    static bool isRinged(const QWidget* widget);

    QWidget* m_scope;
    QPointer<QWidget> m_target;
    // The target and its ancestors up to the scope, whose moves move it.
    std::vector<QPointer<QWidget>> m_watched;
    // Where the ring may show, in its own coordinates.
    QRect m_clip;
};

} // namespace brivet
