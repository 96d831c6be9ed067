#pragma once

#include "dashboard/DashboardStyle.h"

#include <QAbstractButton>

namespace brivet {

// The common look of the overview's quick-action tiles: symbol, title,
// subtitle and a trailing symbol, optionally with a trailing text ("新建并
// 选择尺寸"). The whole card is the button.
class DashboardActionCard final : public QAbstractButton {
    Q_OBJECT
public:
    DashboardActionCard(const QString& title, const QString& subtitle, Symbol symbol,
        Symbol trailingSymbol, const QString& trailingText = {}, QWidget* parent = nullptr);

    const QString& subtitle() const { return m_subtitle; }
    const QString& trailingText() const { return m_trailingText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_subtitle;
    Symbol m_symbol;
    Symbol m_trailingSymbol;
    QString m_trailingText;
    bool m_hovered = false;
};

} // namespace brivet
