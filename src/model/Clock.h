#pragma once

#include "model/Instant.h"

namespace brivet {

// Where the core reads the current time.
class Clock {
public:
    virtual ~Clock() = default;
    // The current instant.
    virtual Instant now() const = 0;
};

class SystemClock final : public Clock {
public:
    Instant now() const override
    {
        return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
    }
};

} // namespace brivet
