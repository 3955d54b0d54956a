#include "platform/wall_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

void set_epoch(const char* value) {
#ifdef _WIN32
    _putenv_s("SOURCE_DATE_EPOCH", value ? value : "");
#else
    if (value)
        setenv("SOURCE_DATE_EPOCH", value, 1);
    else
        unsetenv("SOURCE_DATE_EPOCH");
#endif
}

} // namespace

TEST(WallClock, ReadsTheSystemClockOrAFixedMoment) {
    set_epoch(nullptr);
    const auto now = platform::wall_clock_now();
    EXPECT_NEAR(static_cast<double>(now.utc_seconds), static_cast<double>(std::time(nullptr)), 2.0);
    EXPECT_LT(now.milliseconds, 1000);
    set_epoch("1158920430");
    const auto fixed = platform::wall_clock_now();
    EXPECT_EQ(fixed.utc_seconds, 1158920430);
    EXPECT_EQ(fixed.milliseconds, 0);
    EXPECT_EQ(fixed.utc_offset_seconds, 0);
    set_epoch("soon"); // not a number: the system's clock
    EXPECT_NEAR(static_cast<double>(platform::wall_clock_now().utc_seconds),
                static_cast<double>(std::time(nullptr)), 2.0);
    set_epoch(nullptr);
}
