#pragma once

#include "model/Instant.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

namespace brivet {

class UserCalendar;

// Date pickers show wall-clock dates and times of the user's calendar.
// They hold them as UTC values with those wall-clock components, so Qt
// never shifts them by the process's own zone.
namespace DashboardDates {

QDate date(Instant instant, const UserCalendar& calendar);
// The start of that day in the calendar.
Instant startOfDay(QDate date, const UserCalendar& calendar);
QDateTime wallTime(Instant instant, const UserCalendar& calendar);
Instant fromWallTime(const QDateTime& wallTime, const UserCalendar& calendar);
// The user's locale as Qt names it.
QLocale locale(const UserCalendar& calendar);

} // namespace DashboardDates

} // namespace brivet
