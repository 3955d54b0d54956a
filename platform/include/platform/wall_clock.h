// The present time of day, as the clock on the wall shows it.
#pragma once

#include <cstdint>

namespace platform {

struct WallClock {
    int64_t utc_seconds = 0;     // seconds since 1970-01-01 00:00:00 UTC
    int milliseconds = 0;        // 0..999
    long utc_offset_seconds = 0; // local time minus UTC, daylight saving included
};

// The present time. When SOURCE_DATE_EPOCH holds a number of seconds, the
// clock reads that moment instead, at offset 0 (reproducible outputs, such as
// the session time in a plot's heading, for builds and tests).
WallClock wall_clock_now();

// The system's clock itself.
WallClock system_wall_clock();

} // namespace platform
