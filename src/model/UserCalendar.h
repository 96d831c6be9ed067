#pragma once

#include "model/Instant.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brivet {

// The user's calendar, time zone and locale. Day boundaries, calendar
// arithmetic and every date shown to the user go through it. Wall times that
// do not exist take the next valid time; times that exist twice take the
// first occurrence.
class UserCalendar {
public:
    // The process's time zone and locale (TZ, LANG / LC_ALL).
    UserCalendar();
    // The process's time zone and locale, as the calendar above takes them.
    // ICU reads the locale from the C library's, which the main thread sets
    // as the application starts: a calendar built on a thread of its own
    // takes the locale read on the main thread before that thread starts.
    static std::string processTimeZoneId();
    static std::string processLocaleId();
    // A fixed zone ("Europe/Berlin") and locale ("zh_CN"), as tests pin them.
    UserCalendar(std::string_view timeZoneId, std::string_view localeId);
    ~UserCalendar();
    UserCalendar(const UserCalendar&);
    UserCalendar& operator=(const UserCalendar&) = delete;

    struct Components {
        int year = 0;
        int month = 0; // 1 to 12
        int day = 0;
        int hour = 0;
        int minute = 0;
        int second = 0;
        friend bool operator==(const Components&, const Components&) = default;
    };

    Instant startOfDay(Instant) const;
    bool isSameDay(Instant, Instant) const;
    // The same wall-clock time n days later; nothing when it cannot be formed.
    std::optional<Instant> addingDays(Instant, int days) const;
    // n calendar hours later.
    std::optional<Instant> addingHours(Instant, int hours) const;
    // One addition of days and seconds together ("+1 day −1 second").
    std::optional<Instant> adding(Instant, int days, int seconds) const;
    // The time of day set on the day of the given instant.
    std::optional<Instant> settingTime(Instant dayOf, int hour, int minute, int second) const;
    Components components(Instant) const;
    std::optional<Instant> instant(const Components&) const;

    // Formatted with the locale's best pattern for an ICU skeleton such as
    // "MMMdhm" (abbreviated month, day, hour with AM/PM marker, minute).
    std::string formatSkeleton(Instant, std::string_view skeleton) const;
    // Formatted with a fixed pattern such as "HH:mm:ss".
    std::string formatPattern(Instant, std::string_view pattern) const;
    // Builds the formatters for these skeletons and patterns ahead of their
    // first use: the first one loads the locale's data, which takes a few
    // milliseconds. Like every other call, not to be made from two threads
    // at once; a calendar prepared on one thread may be used on another
    // once handed over.
    void prepare(std::initializer_list<std::string_view> skeletons, std::initializer_list<std::string_view> patterns) const;

    const std::string& timeZoneId() const { return m_timeZoneId; }
    const std::string& localeId() const { return m_localeId; }

private:
    struct Impl;
    std::string m_timeZoneId;
    std::string m_localeId;
    std::unique_ptr<Impl> m_impl;
};

} // namespace brivet
