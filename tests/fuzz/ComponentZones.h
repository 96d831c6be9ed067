#pragma once

#include "sync/eds/GObjectRef.h"

#include <libecal/libecal.h>

#include <string_view>
#include <vector>

namespace brivet::testing {

// The zones a component's times are read in: built-in zones first, then
// the calendar's own (its VTIMEZONEs), as the store resolves them.
struct ComponentZones {
    std::vector<eds::GObjectRef<ICalTimezone>> own;

    ICalTimezone* find(const char* tzid) const
    {
        if (!tzid)
            return nullptr;
        if (ICalTimezone* zone = i_cal_timezone_get_builtin_timezone_from_tzid(tzid))
            return zone;
        if (ICalTimezone* zone = i_cal_timezone_get_builtin_timezone(tzid))
            return zone;
        for (const auto& zone : own) {
            const char* id = i_cal_timezone_get_tzid(zone.get());
            if (id && std::string_view(id) == tzid)
                return zone.get();
        }
        return nullptr;
    }
};

} // namespace brivet::testing
