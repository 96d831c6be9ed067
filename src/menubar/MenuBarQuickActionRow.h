#pragma once

#include "menubar/QuickAction.h"

#include <QWidget>

namespace brivet {

// One quick action: its glyph in a fixed slot, its title and, for rows
// with a size submenu, a trailing chevron. The panel highlights the row
// under the pointer. Reached by Tab; Enter or Space (and Right, on a row
// with a submenu) does what a click does, and so does the screen reader's
// "Press" action.
class MenuBarQuickActionRow final : public QWidget {
    Q_OBJECT
public:
    MenuBarQuickActionRow(QuickAction action, QWidget* parent = nullptr);

    QuickAction action() const { return m_action; }
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }
    // What a click does.
    void activate();

    QSize sizeHint() const override;

signals:
    void entered(brivet::QuickAction action);
    void left(brivet::QuickAction action);
    void clicked(brivet::QuickAction action);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QuickAction m_action;
    bool m_highlighted = false;
};

} // namespace brivet
