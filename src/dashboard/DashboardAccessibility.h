#pragma once

namespace brivet {

// Makes the dashboard's painted controls readable by screen readers: a
// note list reads as a list whose rows are list items named by their
// title, tags and subtitle, each row's buttons ("编辑", "删除", "收起" or
// "上桌面", "加入") as child push buttons that carry their disabled state
// and whose Press does what a click does. Installed once per process;
// later calls do nothing.
void installDashboardAccessibility();

} // namespace brivet
