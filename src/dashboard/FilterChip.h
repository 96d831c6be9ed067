#pragma once

#include "dashboard/DashboardStyle.h"

#include <QAbstractButton>
#include <optional>

namespace brivet {

// A capsule that selects a filter: optional symbol, title and the number
// of notes the filter lists. Its accessible name carries the count too.
class FilterChip final : public QAbstractButton {
    Q_OBJECT
public:
    FilterChip(const QString& title, std::optional<Symbol> symbol, QWidget* parent = nullptr);

    void setCount(int count);
    int count() const { return m_count; }
    // The count as the chip writes it.
    QString countText() const { return QString::number(m_count); }
    // The title with the count, as a screen reader reads it ("今日，3 项").
    QString accessibleTitle() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::optional<Symbol> m_symbol;
    int m_count = 0;
    bool m_hovered = false;
};

} // namespace brivet
