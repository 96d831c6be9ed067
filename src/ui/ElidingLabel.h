#pragma once

#include <QLabel>

namespace brivet {

// A one-line label that ends in "…" when its text does not fit; the full
// text stays in text() and the tooltip.
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(const QString& text = {}, QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace brivet
