// The time of day on Windows: the system clock and the time zone's bias.
#include <windows.h>

#include "platform/wall_clock.h"

namespace platform {

WallClock system_wall_clock() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    // 100-nanosecond ticks since 1601-01-01.
    const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    constexpr uint64_t kTicksTo1970 = 116444736000000000ULL;
    const uint64_t since1970 = ticks - kTicksTo1970;
    WallClock c;
    c.utc_seconds = static_cast<int64_t>(since1970 / 10000000ULL);
    c.milliseconds = static_cast<int>((since1970 / 10000ULL) % 1000ULL);
    TIME_ZONE_INFORMATION tz;
    const DWORD which = GetTimeZoneInformation(&tz);
    long bias = tz.Bias; // minutes: UTC = local time + bias
    if (which == TIME_ZONE_ID_DAYLIGHT)
        bias += tz.DaylightBias;
    else if (which == TIME_ZONE_ID_STANDARD)
        bias += tz.StandardBias;
    if (which != TIME_ZONE_ID_INVALID)
        c.utc_offset_seconds = -bias * 60L;
    return c;
}

} // namespace platform
