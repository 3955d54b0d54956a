#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/wall_clock.h"

namespace platform {

WallClock wall_clock_now() {
    const std::string fixed = environment("SOURCE_DATE_EPOCH");
    if (!fixed.empty()) {
        char* end = nullptr;
        const long long seconds = std::strtoll(fixed.c_str(), &end, 10);
        if (end && *end == '\0' && seconds >= 0) {
            WallClock c;
            c.utc_seconds = seconds;
            return c;
        }
    }
    return system_wall_clock();
}

} // namespace platform
