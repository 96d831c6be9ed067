#include "dashboard/DashboardStepper.h"

#include <QHBoxLayout>
#include <QToolButton>

#include <algorithm>

namespace brivet {

DashboardStepper::DashboardStepper(int minimum, int maximum, QWidget* parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_value(minimum)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto makeButton = [this, row](const QString& text, const char* name, int by) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setFixedSize(30, 26);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QToolButton::clicked, this, [this, by] { step(by); });
        row->addWidget(button);
        return button;
    };
    m_minus = makeButton(QStringLiteral("−"), "stepDown", -1);
    m_minus->setAccessibleName(QStringLiteral("减少"));
    m_plus = makeButton(QStringLiteral("+"), "stepUp", 1);
    m_plus->setAccessibleName(QStringLiteral("增加"));
    updateButtons();
}

void DashboardStepper::setValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
    updateButtons();
}

void DashboardStepper::step(int by)
{
    int next = std::clamp(m_value + by, m_minimum, m_maximum);
    if (next == m_value)
        return;
    m_value = next;
    updateButtons();
    emit stepped(next);
}

void DashboardStepper::updateButtons()
{
    m_minus->setEnabled(m_value > m_minimum);
    m_plus->setEnabled(m_value < m_maximum);
}

} // namespace brivet
