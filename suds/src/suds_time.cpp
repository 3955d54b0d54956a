// SUDS times and dates.
#include "suds/suds_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/wall_clock.h"
#include "suds/suds_error.h"

namespace {

// Days in the year before the first of month m, m = 1..15 (index m - 1).
constexpr int kMonthStart[2][15] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365, 396, 424},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366, 397, 425},
};

constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int64_t floor_div(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

int month_start(int leap, int64_t month) {
    if (month < 1)
        month = 1;
    if (month > 15)
        month = 15;
    return kMonthStart[leap ? 1 : 0][month - 1];
}

// The leap-year test on a year of any size (no year 0: -1 is 1 BC).
int leap_year(int64_t year, int rule) {
    int64_t y = year < 0 ? year + 1 : year;
    if (y % 4 != 0)
        return 0;
    if (rule == SUDS_GREGORIAN && y % 100 == 0 && y % 400 != 0)
        return 0;
    return 1;
}

int64_t day_number(int64_t year, int64_t month, int64_t day, int rule) {
    int64_t y = year < 0 ? year + 1 : year;
    int64_t m = month;
    if (m <= 2) {
        y -= 1;
        m += 12;
    }
    int64_t a = floor_div((y + 4712) * 1461, 4);
    int64_t g = rule == SUDS_GREGORIAN ? floor_div(y, 400) - floor_div(y, 100) + 2 : 0;
    return a + month_start(0, m) + day + g;
}

void date_of_day_number(int64_t n, int rule, int64_t* year, int* month, int* day) {
    int64_t r, y;
    if (rule == SUDS_GREGORIAN) {
        int64_t k = floor_div(n + 31738, 146097);
        r = n + 31739 - 146097 * k;
        int64_t e = floor_div(r - 1, 36524);
        if (e > 3)
            e = 3;
        y = 400 * k + 100 * e - 4799;
        r -= 36524 * e;
    } else {
        r = n + 31777;
        y = -4799;
    }
    int64_t f = floor_div(r - 1, 1461);
    y += 4 * f;
    r -= 1461 * f;
    int64_t g = floor_div(r - 1, 365);
    if (g > 3)
        g = 3;
    y += g;
    r -= 365 * g;
    if (y <= 0)
        y -= 1;
    month_and_day(static_cast<int>(r), leap_year(y, rule), month, day);
    *year = y;
}

// Times outside the years -32767..32767 cannot be split into int16 parts.
double time_limit(bool upper) {
    static const double lower_limit =
        static_cast<double>(day_number(-32767, 1, 1, SUDS_GREGORIAN) - SUDS_EPOCH_DAY_NUMBER) *
        86400.0;
    static const double upper_limit =
        static_cast<double>(day_number(32767, 12, 31, SUDS_GREGORIAN) - SUDS_EPOCH_DAY_NUMBER) *
            86400.0 +
        86399.0;
    return upper ? upper_limit : lower_limit;
}

int16_t clamp16(long v) {
    if (v < -32768)
        return -32768;
    if (v > 32767)
        return 32767;
    return static_cast<int16_t>(v);
}

} // namespace

int suds_month_start(int leap, int month) {
    return month_start(leap, month);
}

int is_leap_year(int16_t year, int rule) {
    return leap_year(year, rule);
}

int day_of_year(int month, int day, int leap) {
    return month_start(leap, month) + day;
}

void month_and_day(int n, int leap, int* month, int* day) {
    int m = 1;
    while (m < 14 && month_start(leap, m + 1) < n)
        ++m;
    *month = m;
    *day = n - month_start(leap, m);
}

int32_t julian_day_number(int year, int month, int day, int rule) {
    return static_cast<int32_t>(day_number(year, month, day, rule));
}

void calendar_date(int32_t day_number, int rule, int* year, int* month, int* day) {
    int64_t y;
    date_of_day_number(day_number, rule, &y, month, day);
    *year = static_cast<int>(y);
}

SudsTime suds_make_time(int16_t year, int16_t month, int16_t day, int16_t hour, int16_t minute,
                        double seconds) {
    char text[64];
    bool failed = false;
    int m = month, d = day;
    const int leap = leap_year(year, SUDS_GREGORIAN);
    if (year == 0) {
        std::snprintf(text, sizeof text, "ERROR: Bad year value: %d", year);
        suds_set_error_text(text);
        failed = true;
    }
    if (m == 0)
        month_and_day(d, leap, &m, &d);
    if (m < 1 || m > 12) {
        std::snprintf(text, sizeof text, "ERROR: Bad month value: %d", m);
        suds_set_error_text(text);
        failed = true;
    }
    // A month outside the table leaves only the lower bound of the day to check.
    int length = (m >= 1 && m <= 14) ? month_start(leap, m + 1) - month_start(leap, m) : 31;
    if (d < 1 || d > length) {
        std::snprintf(text, sizeof text, "ERROR: Bad day value: %d", d);
        suds_set_error_text(text);
        failed = true;
    }
    if (failed)
        return 0.0;
    int64_t days = day_number(year, m, d, SUDS_GREGORIAN) - SUDS_EPOCH_DAY_NUMBER;
    return static_cast<double>(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + seconds;
}

void suds_split_time(SudsTime t, int16_t* year, int16_t* month, int16_t* day, int16_t* hour,
                     int16_t* minute, double* seconds) {
    if (!std::isfinite(t))
        t = 0.0;
    if (t < time_limit(false))
        t = time_limit(false);
    if (t > time_limit(true))
        t = time_limit(true);
    double d = std::floor(t / 86400.0);
    double s = t - 86400.0 * d;
    // A time a hair below midnight can round to a full day: that is midnight.
    if (s >= 86400.0) {
        d += 1.0;
        s -= 86400.0;
    }
    if (s < 0.0)
        s = 0.0;
    int64_t y;
    int m, dd;
    date_of_day_number(static_cast<int64_t>(d) + SUDS_EPOCH_DAY_NUMBER, SUDS_GREGORIAN, &y, &m,
                       &dd);
    const int h = static_cast<int>(std::trunc(s)) / 3600;
    s -= 3600.0 * h;
    const int mi = static_cast<int>(std::trunc(s)) / 60;
    s -= 60.0 * mi;
    *year = static_cast<int16_t>(y);
    *month = static_cast<int16_t>(m);
    *day = static_cast<int16_t>(dd);
    *hour = static_cast<int16_t>(h);
    *minute = static_cast<int16_t>(mi);
    *seconds = s;
}

SudsTime suds_now() {
    // Local time: the clock's offset east of UTC, daylight saving included.
    const platform::WallClock c = platform::wall_clock_now();
    return static_cast<double>(c.utc_seconds) + c.milliseconds / 1000.0 +
           static_cast<double>(c.utc_offset_seconds);
}

SudsTime suds_parse_time(const char* text, int form) {
    int16_t year, month, day, hour, minute;
    double seconds;
    suds_split_time(suds_now(), &year, &month, &day, &hour, &minute, &seconds);
    long fields[5] = {0, 0, 0, 0, 0}; // integer fields in reading order
    double secs = 0.0;
    if (form == 0) {
        fields[0] = year;
        fields[1] = day_of_year(month, day, leap_year(year, SUDS_GREGORIAN));
    } else {
        fields[0] = month;
        fields[1] = day;
        fields[2] = year;
    }
    const int int_fields = form == 0 ? 4 : 5;
    const int year_field = form == 0 ? 0 : 2;
    bool year_read = false;
    const char* p = text ? text : "";
    for (int f = 0; f <= int_fields; ++f) {
        if (f > 0) {
            // The next field starts at the next run of digits after this one's digits.
            while (*p >= '0' && *p <= '9')
                ++p;
            while (*p && !(*p >= '0' && *p <= '9'))
                ++p;
        }
        if (!*p)
            break;
        if (f == int_fields) {
            secs = std::strtod(p, nullptr);
        } else {
            fields[f] = std::strtol(p, nullptr, 10);
            if (f == year_field)
                year_read = true;
        }
    }
    long y = fields[year_field];
    if (year_read && y < 100)
        y += y < 70 ? 2000 : 1900;
    int m, d;
    if (form == 0) {
        month_and_day(static_cast<int>(clamp16(fields[1])), leap_year(clamp16(y), SUDS_GREGORIAN),
                      &m, &d);
        return suds_make_time(clamp16(y), clamp16(m), clamp16(d), clamp16(fields[2]),
                              clamp16(fields[3]), secs);
    }
    m = static_cast<int>(clamp16(fields[0]));
    d = static_cast<int>(clamp16(fields[1]));
    return suds_make_time(clamp16(y), clamp16(m), clamp16(d), clamp16(fields[3]),
                          clamp16(fields[4]), secs);
}

const char* suds_time_text(SudsTime t, int code) {
    static char buffer[160];
    if (code < 0 || code > 12)
        code = 0;
    if (code == 9) {
        // Truncated toward zero to 32 bits; values beyond 64 bits count as 0.
        int64_t whole = 0;
        if (std::isfinite(t) && std::fabs(t) < 9.2e18)
            whole = static_cast<int64_t>(t);
        std::snprintf(buffer, sizeof buffer, "%08lX",
                      static_cast<unsigned long>(static_cast<uint32_t>(whole)));
        return buffer;
    }
    int16_t year, month, day, hour, minute;
    double seconds;
    suds_split_time(t, &year, &month, &day, &hour, &minute, &seconds);
    const int yy = year >= 2000 ? year - 2000 : year - 1900;
    const int whole = static_cast<int>(std::trunc(seconds));
    const int doy = day_of_year(month, day, leap_year(year, SUDS_GREGORIAN));
    const char* name = kMonthNames[(month >= 1 && month <= 12) ? month - 1 : 0];
    switch (code) {
    case 0:
        std::snprintf(buffer, sizeof buffer, "%02d%02d%02d%02d%02d%06.3f", yy, month, day, hour,
                      minute, seconds);
        break;
    case 1:
        std::snprintf(buffer, sizeof buffer, "%02d%02d%02d%02d%02d%02d", yy, month, day, hour,
                      minute, whole);
        break;
    case 2:
        std::snprintf(buffer, sizeof buffer, "%02d %02d %02d% 02d %02d %06.3f", yy, month, day,
                      hour, minute, seconds);
        break;
    case 3:
        std::snprintf(buffer, sizeof buffer, "%02d %02d %02d% 02d %02d %02d", yy, month, day, hour,
                      minute, whole);
        break;
    case 4:
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d %02d:%02d:%06.3f", month, day, yy,
                      hour, minute, seconds);
        break;
    case 5:
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d %02d:%02d:%02d", month, day, yy, hour,
                      minute, whole);
        break;
    case 6:
        std::snprintf(buffer, sizeof buffer, "%s %d, %d %02d:%02d %06.3f GMT", name, day, year,
                      hour, minute, seconds);
        break;
    case 7:
        std::snprintf(buffer, sizeof buffer, "%s %d, %d %02d:%02d %02d GMT", name, day, year, hour,
                      minute, whole);
        break;
    case 8:
        std::snprintf(buffer, sizeof buffer, "%02d %03d %02d:%02d:%06.03f", yy, doy, hour, minute,
                      seconds);
        break;
    case 10:
        std::snprintf(buffer, sizeof buffer, "%02d*%03d+%02d:%02d:%06.03f", yy, doy, hour, minute,
                      seconds);
        break;
    case 11:
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d %02d:%02d:%09.6f", month, day, yy,
                      hour, minute, seconds);
        break;
    case 12:
        std::snprintf(buffer, sizeof buffer, "%02d*%03d+%02d:%02d:%09.06f", yy, doy, hour, minute,
                      seconds);
        break;
    }
    return buffer;
}
