#pragma once

#include <QDir>

namespace brivet {

// Renders the dashboard's pages into `out`; returns how many images it wrote.
int shootDashboard(const QDir& out);

} // namespace brivet
