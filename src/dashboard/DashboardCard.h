#pragma once

#include <QColor>
#include <QFrame>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace brivet {

// A rounded surface; by default in the page's card colour, or filled with
// a tint at a given opacity.
class DashboardCard : public QFrame {
    Q_OBJECT
public:
    explicit DashboardCard(QWidget* parent = nullptr, int radius = 14);

    void setFill(const QColor& color);
    void setTint(const QColor& tint, double opacity);
    void setBorderless(bool borderless) { m_borderless = borderless; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_radius;
    std::optional<QColor> m_fill;
    bool m_borderless = false;
};

// A titled group of rows on one card, as settings forms show them.
class FormSection final : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& title, QWidget* parent = nullptr);

    // A row with `label` on the left and `control` on the right; returns
    // the row.
    QWidget* addRow(const QString& label, QWidget* control);
    // A row holding `widget` across the card.
    void addWidget(QWidget* widget);
    void addDivider();
    QLabel* titleLabel() const { return m_title; }
    DashboardCard* card() const { return m_card; }

private:
    QLabel* m_title = nullptr;
    DashboardCard* m_card = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace brivet
