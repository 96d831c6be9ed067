#pragma once

#include "model/Enums.h"

#include <QWidget>

#include <optional>

namespace brivet {

// The size popover beside a quick-action row: small, medium and large
// under their menu labels, the entry under the pointer highlighted. A
// window of its own that never takes the focus, so the panel keeps it and
// drives the current entry from the keyboard through moveCurrent and
// chooseCurrent.
class SizeSubmenuView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 140;

    // `composited`: round the corners with translucent pixels (a compositor
    // runs) instead of a window mask.
    explicit SizeSubmenuView(bool composited = false, QWidget* parent = nullptr);

    std::optional<NoteSizePreset> hoveredPreset() const { return m_hoveredPreset; }
    // The highlighted entry moves by `step` (none yet: the first or, going
    // up, the last), stopping at the ends.
    void moveCurrent(int step);
    // Chooses the highlighted entry; false when none is.
    bool chooseCurrent();
    // Chooses `preset`, as a click on its entry does.
    void choose(NoteSizePreset preset);
    // The title read by screen readers: which row it belongs to.
    void setOwnerTitle(const QString& title);
    // Shows it beside `row` (global rectangle), on the side of `panel`
    // (global rectangle) that has room on the screen.
    void presentBeside(const QRect& row, const QRect& panel);
    // Where an entry lies, in the view's own coordinates.
    QRect entryGeometry(NoteSizePreset preset) const;

signals:
    void presetChosen(brivet::NoteSizePreset preset);
    void pointerEntered();
    void pointerLeft();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect entryRect(int index) const;
    std::optional<NoteSizePreset> presetAt(const QPoint& position) const;
    void setHoveredPreset(std::optional<NoteSizePreset> preset);

    std::optional<NoteSizePreset> m_hoveredPreset;
};

} // namespace brivet
