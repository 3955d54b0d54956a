// The time of day on POSIX: gettimeofday and the local zone's offset.
#include <sys/time.h>

#include <ctime>

#include "platform/wall_clock.h"

namespace platform {

WallClock system_wall_clock() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    WallClock c;
    c.utc_seconds = tv.tv_sec;
    c.milliseconds = static_cast<int>(tv.tv_usec / 1000);
    const time_t now = tv.tv_sec;
    struct tm local;
    if (localtime_r(&now, &local))
        c.utc_offset_seconds = local.tm_gmtoff;
    return c;
}

} // namespace platform
