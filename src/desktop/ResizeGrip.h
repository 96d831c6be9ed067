#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

namespace brivet {

// The corner handle that resizes the window it sits in, within the
// window's size limits; the live resize ends when the button is let go.
// It belongs to the card, not to a face, so rebuilding a face in the middle
// of a resize does not take the handle from under the pointer.
class ResizeGrip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int extent = 16;

    explicit ResizeGrip(QWidget* parent);

    // A transparent placeholder of the grip's size that a face puts at the
    // end of its bottom row, so that the grip placed over it covers no
    // control.
    static QWidget* makeSlot(QWidget* parent);
    static constexpr const char* slotName = "resizeGripSlot";

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint m_pressGlobal;
    QSize m_pressSize;
    bool m_resizing = false;
};

} // namespace brivet
