#pragma once

#include <QAbstractButton>

namespace brivet {

// An on/off switch. Its text names the setting for tests and assistive
// technology; the row beside it shows the text to the user.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(const QString& text, QWidget* parent = nullptr);

    // Shows `on` without emitting toggled.
    void setOn(bool on);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace brivet
