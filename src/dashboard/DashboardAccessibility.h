#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace brivet {

// Makes the dashboard's painted controls readable by screen readers: a
// note list reads as a list whose rows are list items named by their
// title, tags and subtitle, each row's buttons ("编辑", "删除", "收起" or
// "上桌面", "加入") as child push buttons that carry their disabled state
// and whose Press does what a click does. A plain combo box reads by its
// accessible name or label, its value by the current choice (Qt's own reads
// it by the value alone). Installed once per process;
// later calls do nothing.
void installDashboardAccessibility();

// Has a read-only `edit` read as read-only and not editable, its text and
// caret as before, also when its interface was made while it was editable;
// nothing for an editable one. A field read-only from the first is read so
// anyway.
void readAsReadOnly(QLineEdit* edit);

// Gives `widget` a new accessible name and tells assistive tools, so a
// changing count is heard as it changes; the same name again says nothing.
void announceName(QWidget* widget, const QString& name);

} // namespace brivet
