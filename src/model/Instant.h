#pragma once

#include <chrono>
#include <cstdint>

namespace brivet {

// Absolute instants with millisecond resolution. Stored files keep whole
// seconds; timers and debounces are measured to the millisecond.
using Duration = std::chrono::milliseconds;
using Instant = std::chrono::time_point<std::chrono::system_clock, Duration>;

constexpr Instant distantPast() { return Instant(Duration(-62135596800000LL)); }   // 0001-01-01
constexpr Instant distantFuture() { return Instant(Duration(253402300799000LL)); } // 9999-12-31

// The instants the stored files can spell: years 0000 to 9999 in UTC, to
// the second.
constexpr Instant earliestStorableInstant = Instant(std::chrono::seconds(-62'167'219'200LL)); // 0000-01-01T00:00:00Z
constexpr Instant latestStorableInstant = Instant(std::chrono::seconds(253'402'300'799LL));   // 9999-12-31T23:59:59Z

// The instant itself, or the nearest end of the storable years.
constexpr Instant clampedToStorable(Instant instant)
{
    return instant < earliestStorableInstant ? earliestStorableInstant
        : instant > latestStorableInstant   ? latestStorableInstant
                                            : instant;
}

constexpr Instant instantFromSeconds(std::int64_t secondsSinceEpoch)
{
    return Instant(std::chrono::seconds(secondsSinceEpoch));
}

constexpr std::int64_t secondsSinceEpoch(Instant instant)
{
    return std::chrono::floor<std::chrono::seconds>(instant).time_since_epoch().count();
}

constexpr Duration seconds(double value) { return Duration(static_cast<std::int64_t>(value * 1000.0 + (value >= 0 ? 0.5 : -0.5))); }

} // namespace brivet
