// Calendar arithmetic, time conversions and time texts, checked against the
// standard library's proleptic Gregorian calendar where it applies.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>

#include "suds/suds.h"

namespace {

// Our years have no year 0 (-1 is 1 BC); the standard library's do.
std::chrono::year chrono_year(int y) {
    return std::chrono::year(y < 0 ? y + 1 : y);
}

int32_t reference_day_number(int y, int m, int d) {
    using namespace std::chrono;
    const sys_days days = year_month_day(chrono_year(y), month(m), day(d));
    return static_cast<int32_t>(days.time_since_epoch().count()) + SUDS_EPOCH_DAY_NUMBER;
}

struct Parts {
    int16_t year, month, day, hour, minute;
    double seconds;
};

Parts split(double t) {
    Parts p{};
    suds_split_time(t, &p.year, &p.month, &p.day, &p.hour, &p.minute, &p.seconds);
    return p;
}

} // namespace

TEST(SudsCalendar, LeapYearsUnderBothRulesIncludingYearsBeforeChrist) {
    for (int rule : {SUDS_GREGORIAN, SUDS_JULIAN}) {
        EXPECT_EQ(is_leap_year(2000, rule), 1);
        EXPECT_EQ(is_leap_year(1600, rule), 1);
        EXPECT_EQ(is_leap_year(2004, rule), 1);
        EXPECT_EQ(is_leap_year(2003, rule), 0);
        EXPECT_EQ(is_leap_year(-1, rule), 1); // 1 BC
        EXPECT_EQ(is_leap_year(-5, rule), 1); // 5 BC
        EXPECT_EQ(is_leap_year(-4, rule), 0);
    }
    EXPECT_EQ(is_leap_year(1900, SUDS_GREGORIAN), 0);
    EXPECT_EQ(is_leap_year(2100, SUDS_GREGORIAN), 0);
    EXPECT_EQ(is_leap_year(1900, SUDS_JULIAN), 1);
    EXPECT_EQ(is_leap_year(2100, 7), 1);              // any flag but 1 is the Julian rule
    EXPECT_EQ(is_leap_year(-101, SUDS_GREGORIAN), 0); // astronomical -100
    EXPECT_EQ(is_leap_year(-401, SUDS_GREGORIAN), 1); // astronomical -400
}

TEST(SudsCalendar, DayOfYearAndBackAcrossEveryDayOfBothYearKinds) {
    EXPECT_EQ(day_of_year(3, 1, 0), 60);
    EXPECT_EQ(day_of_year(3, 1, 1), 61);
    EXPECT_EQ(day_of_year(12, 31, 1), 366);
    for (int leap : {0, 1}) {
        const int days = leap ? 366 : 365;
        for (int n = 1; n <= days; ++n) {
            int m = 0, d = 0;
            month_and_day(n, leap, &m, &d);
            ASSERT_GE(m, 1);
            ASSERT_LE(m, 12);
            ASSERT_GE(d, 1);
            ASSERT_EQ(day_of_year(m, d, leap), n);
        }
    }
    int m, d;
    month_and_day(366, 0, &m, &d); // past a common year: January of the next
    EXPECT_EQ(m, 13);
    EXPECT_EQ(d, 1);
    month_and_day(100000, 1, &m, &d);
    EXPECT_EQ(m, 14);
}

TEST(SudsCalendar, DayNumbersMatchKnownDatesAndTheStandardCalendar) {
    EXPECT_EQ(julian_day_number(1970, 1, 1, SUDS_GREGORIAN), 2440588);
    EXPECT_EQ(julian_day_number(2000, 1, 1, SUDS_GREGORIAN), 2451545);
    EXPECT_EQ(julian_day_number(1582, 10, 15, SUDS_GREGORIAN), 2299161);
    EXPECT_EQ(julian_day_number(1582, 10, 4, SUDS_JULIAN), 2299160);
    EXPECT_EQ(julian_day_number(-4713, 1, 1, SUDS_JULIAN), 0); // start of the day count
    EXPECT_EQ(julian_day_number(-4714, 11, 24, SUDS_GREGORIAN), 0);

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> year(-9999, 9999), month(1, 12), day(1, 28);
    for (int i = 0; i < 20000; ++i) {
        int y = year(rng);
        if (y == 0)
            y = 1;
        const int m = month(rng), d = day(rng);
        ASSERT_EQ(julian_day_number(y, m, d, SUDS_GREGORIAN), reference_day_number(y, m, d))
            << y << "-" << m << "-" << d;
    }
}

TEST(SudsCalendar, CalendarDateInvertsTheDayNumberUnderBothRules) {
    for (int rule : {SUDS_GREGORIAN, SUDS_JULIAN}) {
        for (int32_t n = -20000; n < 4000000; n += 37) {
            int y, m, d;
            calendar_date(n, rule, &y, &m, &d);
            ASSERT_NE(y, 0) << n;
            ASSERT_GE(m, 1);
            ASSERT_LE(m, 12);
            ASSERT_GE(d, 1);
            ASSERT_EQ(julian_day_number(y, m, d, rule), n) << "rule " << rule << " day " << n;
        }
    }
    int y, m, d;
    calendar_date(2299160, SUDS_JULIAN, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 15821004);
    calendar_date(1721423, SUDS_JULIAN, &y, &m, &d); // the day before 1 January 1 AD
    EXPECT_EQ(y, -1);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(d, 31);
}

TEST(SudsTime, MakeTimeValuesAndErrors) {
    suds_set_error_text("");
    EXPECT_EQ(suds_make_time(1970, 1, 1, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "");
    EXPECT_DOUBLE_EQ(suds_make_time(2004, 0, 60, 0, 0, 0.0),
                     suds_make_time(2004, 2, 29, 0, 0, 0.0));
    EXPECT_DOUBLE_EQ(suds_make_time(2006, 9, 22, 16, 45, 10.123), 1158943510.123);
    // Hour and minute carry over.
    EXPECT_DOUBLE_EQ(suds_make_time(2006, 9, 21, 24, 90, 0.0),
                     suds_make_time(2006, 9, 22, 1, 30, 0.0));
    EXPECT_DOUBLE_EQ(suds_make_time(1969, 12, 31, 23, 59, 59.5), -0.5);

    EXPECT_EQ(suds_make_time(2003, 2, 29, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad day value: 29");
    EXPECT_EQ(suds_make_time(2003, 13, 1, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad month value: 13");
    EXPECT_EQ(suds_make_time(0, 1, 1, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad year value: 0");
    // Every check runs; the last failing one leaves its text.
    EXPECT_EQ(suds_make_time(0, 2, 30, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad day value: 30");
    EXPECT_EQ(suds_make_time(2003, 0, 366, 0, 0, 0.0), 0.0); // day 366 of a common year
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad month value: 13");
    EXPECT_EQ(suds_make_time(2003, 300, 0, 0, 0, 0.0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad day value: 0");
    // Success does not clear the text.
    suds_make_time(2003, 1, 1, 0, 0, 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad day value: 0");
}

TEST(SudsTime, SplitInvertsMakeOverManyDatesAndNegativeTimes) {
    using namespace std::chrono;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> t_dist(-6.0e10, 6.0e10); // about 100 BC .. 3870 AD
    for (int i = 0; i < 50000; ++i) {
        double t = std::floor(t_dist(rng) * 1000.0) / 1000.0;
        const Parts p = split(t);
        // Calendar date against the standard library.
        const auto days =
            floor<std::chrono::days>(sys_seconds(seconds(static_cast<int64_t>(std::floor(t)))));
        const year_month_day ymd(days);
        const int y = static_cast<int>(ymd.year());
        ASSERT_EQ(p.year, y <= 0 ? y - 1 : y) << t;
        ASSERT_EQ(p.month, static_cast<int>(static_cast<unsigned>(ymd.month()))) << t;
        ASSERT_EQ(p.day, static_cast<int>(static_cast<unsigned>(ymd.day()))) << t;
        ASSERT_GE(p.hour, 0);
        ASSERT_LT(p.hour, 24);
        ASSERT_GE(p.minute, 0);
        ASSERT_LT(p.minute, 60);
        ASSERT_GE(p.seconds, 0.0);
        ASSERT_LT(p.seconds, 60.0);
        const double back = suds_make_time(p.year, p.month, p.day, p.hour, p.minute, p.seconds);
        ASSERT_NEAR(back, t, 1e-4) << t;
    }
    const Parts p = split(-0.5);
    EXPECT_EQ(p.year, 1969);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_DOUBLE_EQ(p.seconds, 59.5);
    // Just below midnight the day rounds over rather than showing hour 24.
    EXPECT_STREQ(suds_time_text(-1e-12, 4), "01/01/70 00:00:00.000");
    EXPECT_STREQ(suds_time_text(86400.0 * 20000 - 1e-9, 5), "10/04/24 00:00:00");
}

TEST(SudsTime, SplitNeverFailsOnTimesBeyondTheCalendar) {
    const double extremes[] = {NAN, INFINITY, -INFINITY, 1e300, -1e300, 9e18, -9e18};
    for (double t : extremes) {
        const Parts p = split(t);
        EXPECT_NE(p.year, 0);
        EXPECT_GE(p.month, 1);
        EXPECT_LE(p.month, 12);
        EXPECT_GE(p.day, 1);
        EXPECT_LE(p.day, 31);
        for (int code = 0; code < SUDS_TIME_TEXT_CODES; ++code)
            EXPECT_NE(suds_time_text(t, code), nullptr);
    }
    EXPECT_EQ(split(1e300).year, 32767);
    EXPECT_EQ(split(-1e300).year, -32767);
    EXPECT_EQ(split(NAN).year, 1970);
}

TEST(SudsTime, TimeTextsOfAllThirteenCodes) {
    const double t = suds_make_time(2006, 9, 22, 16, 45, 10.123);
    EXPECT_STREQ(suds_time_text(t, 0), "060922164510.123");
    EXPECT_STREQ(suds_time_text(t, 1), "060922164510");
    EXPECT_STREQ(suds_time_text(t, 2), "06 09 22 16 45 10.123");
    EXPECT_STREQ(suds_time_text(t, 3), "06 09 22 16 45 10");
    EXPECT_STREQ(suds_time_text(t, 4), "09/22/06 16:45:10.123");
    EXPECT_STREQ(suds_time_text(t, 5), "09/22/06 16:45:10");
    EXPECT_STREQ(suds_time_text(t, 6), "Sep 22, 2006 16:45 10.123 GMT");
    EXPECT_STREQ(suds_time_text(t, 7), "Sep 22, 2006 16:45 10 GMT");
    EXPECT_STREQ(suds_time_text(t, 8), "06 265 16:45:10.123");
    EXPECT_STREQ(suds_time_text(t, 9), "45141316");
    EXPECT_STREQ(suds_time_text(t, 10), "06*265+16:45:10.123");
    EXPECT_STREQ(suds_time_text(t, 11), "09/22/06 16:45:10.123000");
    EXPECT_STREQ(suds_time_text(t, 12), "06*265+16:45:10.123000");
    // Codes out of range act as code 0.
    EXPECT_STREQ(suds_time_text(t, 13), "060922164510.123");
    EXPECT_STREQ(suds_time_text(t, -1), "060922164510.123");

    // The hour of codes 2 and 3 has a blank, not a zero, in front.
    const double early = suds_make_time(2006, 9, 22, 5, 7, 3.0);
    EXPECT_STREQ(suds_time_text(early, 2), "06 09 22 5 07 03.000");
    EXPECT_STREQ(suds_time_text(early, 3), "06 09 22 5 07 03");
}

TEST(SudsTime, TimeTextRoundingEarlyYearsAndCodeNine) {
    const double late = suds_make_time(1999, 12, 31, 23, 59, 59.9996);
    EXPECT_STREQ(suds_time_text(late, 4), "12/31/99 23:59:60.000");
    EXPECT_STREQ(suds_time_text(late, 0), "991231235960.000");
    EXPECT_STREQ(suds_time_text(late, 5), "12/31/99 23:59:59");
    EXPECT_STREQ(suds_time_text(late, 7), "Dec 31, 1999 23:59 59 GMT");
    EXPECT_STREQ(suds_time_text(late, 11), "12/31/99 23:59:59.999600");

    const double old = suds_make_time(1899, 3, 1, 0, 0, 0.0);
    EXPECT_STREQ(suds_time_text(old, 5), "03/01/-1 00:00:00");
    EXPECT_STREQ(suds_time_text(old, 8), "-1 060 00:00:00.000");
    EXPECT_STREQ(suds_time_text(suds_make_time(2000, 12, 31, 0, 0, 0.0), 8), "00 366 00:00:00.000");

    EXPECT_STREQ(suds_time_text(-1.9, 9), "FFFFFFFF");
    EXPECT_STREQ(suds_time_text(0.0, 9), "00000000");
    EXPECT_STREQ(suds_time_text(4294967296.0 + 16, 9), "00000010"); // kept to 32 bits

    // One shared buffer: the next call overwrites the text.
    const char* first = suds_time_text(0.0, 5);
    suds_time_text(86400.0, 5);
    EXPECT_STREQ(first, "01/02/70 00:00:00");
}

TEST(SudsTime, ParseTimeInBothForms) {
    const double leap_day = suds_make_time(2004, 2, 29, 12, 30, 15.5);
    EXPECT_DOUBLE_EQ(suds_parse_time("2004 060 12 30 15.5", 0), leap_day);
    EXPECT_DOUBLE_EQ(suds_parse_time("02/29/04 12:30:15.5", 1), leap_day);
    EXPECT_DOUBLE_EQ(suds_parse_time("2004 060", 0), suds_make_time(2004, 2, 29, 0, 0, 0.0));
    EXPECT_DOUBLE_EQ(suds_parse_time("04-060-12", 0), suds_make_time(2004, 2, 29, 12, 0, 0.0));
    EXPECT_DOUBLE_EQ(suds_parse_time("85.032", 0), suds_make_time(1985, 2, 1, 0, 0, 0.0));
    EXPECT_DOUBLE_EQ(suds_parse_time("12/25/1850", 1), suds_make_time(1850, 12, 25, 0, 0, 0.0));

    // Missing fields take today's date.
    int16_t y, mo, d, h, mi;
    double s;
    suds_split_time(suds_now(), &y, &mo, &d, &h, &mi, &s);
    EXPECT_DOUBLE_EQ(suds_parse_time("12/25", 1), suds_make_time(y, 12, 25, 0, 0, 0.0));
    EXPECT_DOUBLE_EQ(suds_parse_time("", 1), suds_make_time(y, mo, d, 0, 0, 0.0));
    // A text beginning with a non-digit reads its first number twice:
    // month 12, day 12 again, then year 25.
    EXPECT_DOUBLE_EQ(suds_parse_time(" 12 25", 1), suds_make_time(2025, 12, 12, 0, 0, 0.0));

    suds_set_error_text("");
    EXPECT_EQ(suds_parse_time("02/30/2003", 1), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad day value: 30");
    EXPECT_EQ(suds_parse_time("2003 380", 0), 0.0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad month value: 13");
}

TEST(SudsTime, NowIsLocalWallClockTime) {
    const time_t before = time(nullptr);
    const double now = suds_now();
    const struct tm* local = std::localtime(&before);
    ASSERT_NE(local, nullptr);
    const double expected = suds_make_time(
        static_cast<int16_t>(local->tm_year + 1900), static_cast<int16_t>(local->tm_mon + 1),
        static_cast<int16_t>(local->tm_mday), static_cast<int16_t>(local->tm_hour),
        static_cast<int16_t>(local->tm_min), local->tm_sec);
    EXPECT_NEAR(now, expected, 3.0);
}
