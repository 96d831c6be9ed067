#include "dashboard/DashboardCard.h"

#include "dashboard/DashboardStyle.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace brivet {

DashboardCard::DashboardCard(QWidget* parent, int radius)
    : QFrame(parent)
    , m_radius(radius)
{
}

void DashboardCard::setFill(const QColor& color)
{
    m_fill = color;
    update();
}

void DashboardCard::setTint(const QColor& tint, double opacity)
{
    QColor fill = tint;
    fill.setAlphaF(opacity);
    setFill(fill);
}

void DashboardCard::paintEvent(QPaintEvent*)
{
    Theme colors = Theme::from(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(m_borderless ? QPen(Qt::NoPen) : QPen(colors.separator, 1));
    painter.setBrush(m_fill.value_or(colors.card));
    painter.drawRoundedRect(area, m_radius, m_radius);
}

FormSection::FormSection(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    Theme colors = Theme::from(palette());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!title.isEmpty()) {
        m_title = makeLabel(title, 13, QFont::DemiBold, colors.secondaryText, this);
        m_title->setContentsMargins(4, 0, 0, 0);
        column->addWidget(m_title);
    }
    m_card = new DashboardCard(this, 12);
    m_rows = new QVBoxLayout(m_card);
    m_rows->setContentsMargins(16, 6, 16, 6);
    m_rows->setSpacing(0);
    column->addWidget(m_card);
}

QWidget* FormSection::addRow(const QString& label, QWidget* control)
{
    auto* row = new QWidget(m_card);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 8, 0, 8);
    line->setSpacing(12);
    QLabel* text = makeLabel(label, 13, QFont::Normal, Theme::from(palette()).text, row, LabelWrap::anywhere);
    line->addWidget(text, 1);
    if (control) {
        // A control is read by its label (a picker not by its value).
        if (!label.isEmpty()) {
            text->setBuddy(control);
            // A button keeps its own text; the label only explains it.
            if (control->accessibleName().isEmpty() && !qobject_cast<QAbstractButton*>(control))
                control->setAccessibleName(label);
        }
        control->setParent(row);
        line->addWidget(control, 0, Qt::AlignVCenter | Qt::AlignRight);
    }
    m_rows->addWidget(row);
    return row;
}

void FormSection::addWidget(QWidget* widget)
{
    widget->setParent(m_card);
    m_rows->addWidget(widget);
}

void FormSection::addDivider()
{
    auto* line = new QFrame(m_card);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Theme::from(this->palette()).separator);
    line->setPalette(palette);
    m_rows->addWidget(line);
}

} // namespace brivet
