#include "dashboard/DashboardDates.h"

#include "model/UserCalendar.h"

#include <QTimeZone>

namespace brivet::DashboardDates {

QDate date(Instant instant, const UserCalendar& calendar)
{
    UserCalendar::Components parts = calendar.components(instant);
    return QDate(parts.year, parts.month, parts.day);
}

Instant startOfDay(QDate date, const UserCalendar& calendar)
{
    UserCalendar::Components parts { date.year(), date.month(), date.day(), 0, 0, 0 };
    Instant wall = calendar.instant(parts).value_or(Instant {});
    return calendar.startOfDay(wall);
}

QDateTime wallTime(Instant instant, const UserCalendar& calendar)
{
    UserCalendar::Components parts = calendar.components(instant);
    return QDateTime(QDate(parts.year, parts.month, parts.day), QTime(parts.hour, parts.minute, parts.second), Qt::UTC);
}

Instant fromWallTime(const QDateTime& wallTime, const UserCalendar& calendar)
{
    QDate day = wallTime.date();
    QTime time = wallTime.time();
    UserCalendar::Components parts { day.year(), day.month(), day.day(), time.hour(), time.minute(), time.second() };
    return calendar.instant(parts).value_or(Instant {});
}

QLocale locale(const UserCalendar& calendar)
{
    return QLocale(QString::fromStdString(calendar.localeId()));
}

} // namespace brivet::DashboardDates
