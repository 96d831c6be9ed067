#pragma once

#include <QWidget>

class QToolButton;

namespace brivet {

// A pair of "−" and "+" buttons over an integer in a closed range; each
// press moves the value by one and a button is disabled at its bound.
class DashboardStepper final : public QWidget {
    Q_OBJECT
public:
    DashboardStepper(int minimum, int maximum, QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Shows the value (clamped) without emitting.
    void setValue(int value);
    QToolButton* decrementButton() const { return m_minus; }
    QToolButton* incrementButton() const { return m_plus; }

signals:
    // The user asked for this value.
    void stepped(int value);

private:
    void step(int by);
    void updateButtons();

    int m_minimum;
    int m_maximum;
    int m_value;
    QToolButton* m_minus = nullptr;
    QToolButton* m_plus = nullptr;
};

} // namespace brivet
