#include "model/UserCalendar.h"

#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <map>

namespace brivet {

namespace {

UDate toUDate(Instant instant) { return static_cast<UDate>(instant.time_since_epoch().count()); }
Instant fromUDate(UDate date) { return Instant(Duration(static_cast<std::int64_t>(date))); }

} // namespace

struct UserCalendar::Impl {
    icu::Locale locale;
    std::unique_ptr<icu::Calendar> calendar;
    std::unique_ptr<icu::DateTimePatternGenerator> generator;
    std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>, std::less<>> formatters;

    Impl(const std::string& zoneId, const std::string& localeId)
        : locale(icu::Locale::createCanonical(localeId.c_str()))
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneId)));
        // Gregorian arithmetic whatever calendar the locale prefers; the
        // locale only decides how dates read.
        calendar = std::make_unique<icu::GregorianCalendar>(zone.release(), locale, status);
        if (U_FAILURE(status))
            calendar = std::make_unique<icu::GregorianCalendar>(status);
        calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
        calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
        calendar->setFirstDayOfWeek(UCAL_MONDAY);
    }

    icu::Calendar& at(Instant instant)
    {
        UErrorCode status = U_ZERO_ERROR;
        calendar->setTime(toUDate(instant), status);
        return *calendar;
    }

    icu::SimpleDateFormat* formatter(std::string_view key, bool isSkeleton)
    {
        std::string mapKey = std::string(isSkeleton ? "s:" : "p:") + std::string(key);
        auto found = formatters.find(mapKey);
        if (found != formatters.end())
            return found->second.get();
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString pattern = icu::UnicodeString::fromUTF8(icu::StringPiece(key.data(), static_cast<int32_t>(key.size())));
        if (isSkeleton) {
            if (!generator)
                generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
            if (U_FAILURE(status) || !generator)
                return nullptr;
            pattern = generator->getBestPattern(pattern, status);
            if (U_FAILURE(status))
                return nullptr;
        }
        auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
        if (U_FAILURE(status))
            return nullptr;
        format->setTimeZone(calendar->getTimeZone());
        auto* raw = format.get();
        formatters.emplace(std::move(mapKey), std::move(format));
        return raw;
    }
};

UserCalendar::UserCalendar()
    : UserCalendar(processTimeZoneId(), processLocaleId())
{
}

std::string UserCalendar::processTimeZoneId()
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    zone->getID(id);
    std::string out;
    id.toUTF8String(out);
    return out;
}

std::string UserCalendar::processLocaleId()
{
    return icu::Locale::getDefault().getName();
}

UserCalendar::UserCalendar(std::string_view timeZoneId, std::string_view localeId)
    : m_timeZoneId(timeZoneId)
    , m_localeId(localeId)
    , m_impl(std::make_unique<Impl>(m_timeZoneId, m_localeId))
{
}

UserCalendar::UserCalendar(const UserCalendar& other)
    : UserCalendar(other.m_timeZoneId, other.m_localeId)
{
}

UserCalendar::~UserCalendar() = default;

Instant UserCalendar::startOfDay(Instant instant) const
{
    auto& cal = m_impl->at(instant);
    UErrorCode status = U_ZERO_ERROR;
    cal.set(UCAL_HOUR_OF_DAY, 0);
    cal.set(UCAL_MINUTE, 0);
    cal.set(UCAL_SECOND, 0);
    cal.set(UCAL_MILLISECOND, 0);
    UDate result = cal.getTime(status);
    if (U_FAILURE(status))
        return instant;
    return fromUDate(result);
}

bool UserCalendar::isSameDay(Instant a, Instant b) const
{
    return startOfDay(a) == startOfDay(b);
}

std::optional<Instant> UserCalendar::addingDays(Instant instant, int days) const
{
    return adding(instant, days, 0);
}

std::optional<Instant> UserCalendar::addingHours(Instant instant, int hours) const
{
    auto& cal = m_impl->at(instant);
    UErrorCode status = U_ZERO_ERROR;
    cal.add(UCAL_HOUR_OF_DAY, hours, status);
    UDate result = cal.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return fromUDate(result);
}

std::optional<Instant> UserCalendar::adding(Instant instant, int days, int seconds) const
{
    auto& cal = m_impl->at(instant);
    UErrorCode status = U_ZERO_ERROR;
    if (days)
        cal.add(UCAL_DATE, days, status);
    if (seconds)
        cal.add(UCAL_SECOND, seconds, status);
    UDate result = cal.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return fromUDate(result);
}

std::optional<Instant> UserCalendar::settingTime(Instant dayOf, int hour, int minute, int second) const
{
    auto& cal = m_impl->at(dayOf);
    UErrorCode status = U_ZERO_ERROR;
    int year = cal.get(UCAL_YEAR, status);
    int month = cal.get(UCAL_MONTH, status);
    int day = cal.get(UCAL_DATE, status);
    if (U_FAILURE(status))
        return std::nullopt;
    cal.clear();
    cal.set(year, month, day, hour, minute, second);
    UDate result = cal.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return fromUDate(result);
}

UserCalendar::Components UserCalendar::components(Instant instant) const
{
    auto& cal = m_impl->at(instant);
    UErrorCode status = U_ZERO_ERROR;
    Components c;
    c.year = cal.get(UCAL_EXTENDED_YEAR, status);
    c.month = cal.get(UCAL_MONTH, status) + 1;
    c.day = cal.get(UCAL_DATE, status);
    c.hour = cal.get(UCAL_HOUR_OF_DAY, status);
    c.minute = cal.get(UCAL_MINUTE, status);
    c.second = cal.get(UCAL_SECOND, status);
    return c;
}

std::optional<Instant> UserCalendar::instant(const Components& c) const
{
    auto& cal = *m_impl->calendar;
    UErrorCode status = U_ZERO_ERROR;
    cal.clear();
    cal.set(UCAL_EXTENDED_YEAR, c.year);
    cal.set(UCAL_MONTH, c.month - 1);
    cal.set(UCAL_DATE, c.day);
    cal.set(UCAL_HOUR_OF_DAY, c.hour);
    cal.set(UCAL_MINUTE, c.minute);
    cal.set(UCAL_SECOND, c.second);
    UDate result = cal.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return fromUDate(result);
}

std::string UserCalendar::formatSkeleton(Instant instant, std::string_view skeleton) const
{
    std::string out;
    if (auto* format = m_impl->formatter(skeleton, true)) {
        icu::UnicodeString text;
        format->format(toUDate(instant), text);
        text.toUTF8String(out);
    }
    return out;
}

void UserCalendar::prepare(std::initializer_list<std::string_view> skeletons, std::initializer_list<std::string_view> patterns) const
{
    for (std::string_view skeleton : skeletons)
        (void)m_impl->formatter(skeleton, true);
    for (std::string_view pattern : patterns)
        (void)m_impl->formatter(pattern, false);
}

std::string UserCalendar::formatPattern(Instant instant, std::string_view pattern) const
{
    std::string out;
    if (auto* format = m_impl->formatter(pattern, false)) {
        icu::UnicodeString text;
        format->format(toUDate(instant), text);
        text.toUTF8String(out);
    }
    return out;
}

} // namespace brivet
