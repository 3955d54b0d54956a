// The recorder time text "yyyyddd hh:mm:ss.ttt", read in one place.
#include "recorder_layout.h"

#include <suds/suds.h>

namespace {

// A run of decimal characters, a character that is not a digit counted as 0.
int number(const char* p, int count, bool* digits) {
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const bool digit = p[i] >= '0' && p[i] <= '9';
        *digits = *digits && digit;
        v = v * 10 + (digit ? p[i] - '0' : 0);
    }
    return v;
}

} // namespace

RecorderTime recorder_time_parse(const char* text) {
    RecorderTime t;
    t.digits = true;
    t.year = number(text, 4, &t.digits);
    t.day_of_year = number(text + 4, 3, &t.digits);
    t.hour = number(text + 8, 2, &t.digits);
    t.minute = number(text + 11, 2, &t.digits);
    t.second = number(text + 14, 2, &t.digits);
    t.ms = number(text + 17, 3, &t.digits);
    return t;
}

double recorder_time_to_suds(const char* text) {
    const RecorderTime t = recorder_time_parse(text);
    if (!t.digits)
        return 0.0;
    int month = 0, day = 0;
    month_and_day(t.day_of_year, is_leap_year(static_cast<int16_t>(t.year), SUDS_JULIAN), &month,
                  &day);
    if (t.day_of_year < 1 || month < 1 || month > 12)
        return 0.0;
    return suds_make_time(static_cast<int16_t>(t.year), static_cast<int16_t>(month),
                          static_cast<int16_t>(day), static_cast<int16_t>(t.hour),
                          static_cast<int16_t>(t.minute), t.second + t.ms / 1000.0);
}
