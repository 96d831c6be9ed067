#pragma once

#include <QString>
#include <QStringList>

class QObject;

namespace brivet::testing {

// What a walk of one window's accessible tree found: how many interactive
// nodes it met (buttons, check boxes, text fields, menu items, list rows,
// sliders, combo boxes, and any widget that shows the pointing hand, the
// app's mark of a clickable control) and, one line each, the ones a screen
// reader could not announce (no name), not operate (no action doing what a
// click does, or a generic role that offers none; a disabled control needs
// none) or the keyboard not reach
// (a widget Tab skips). An unnamed window counts as unnamed too.
struct AccessibilityAudit {
    int interactive = 0;
    int unnamed = 0;
    int unactionable = 0;
    int unfocusable = 0;
    QStringList findings;

    bool passed() const { return findings.isEmpty(); }
    // The findings one per line, for a failure message.
    QString report() const { return findings.join(QLatin1Char('\n')); }
    AccessibilityAudit& operator+=(const AccessibilityAudit& other);
};

// Walks the tree from `root`'s accessible interface through child(), the
// way an assistive tool does, skipping invisible nodes.
AccessibilityAudit auditAccessibleTree(QObject* root);

} // namespace brivet::testing
