// SUDS times and dates: calendar arithmetic, time <-> calendar parts, the
// system clock and the thirteen time text forms.
//
// A SUDS time is a double of seconds since 1970-01-01 00:00:00 on a uniform
// scale without leap seconds; a SUDS long time is the same in whole seconds
// (int32). Years have no year 0: the year before 1 is -1 (1 BC).
#pragma once

#include <cstdint>

using SudsTime = double;
using SudsLongTime = int32_t;

// The value of a time field that holds no time (kinds 10 and 11).
inline constexpr int32_t SUDS_NULL_TIME = -2147472000;
// The value of a numeric field that holds nothing.
inline constexpr int32_t SUDS_NULL_NUMBER = -32767;

// Calendar rule flags of the calendar helpers (any value but 1 is Julian).
inline constexpr int SUDS_JULIAN = 0;
inline constexpr int SUDS_GREGORIAN = 1;

// Day number of 1970-01-01 (the epoch of SUDS times).
inline constexpr int32_t SUDS_EPOCH_DAY_NUMBER = 2440588;

// Time text codes (styles) of suds_time_text; codes outside 0..12 act as 0.
inline constexpr int SUDS_TIME_TEXT_CODES = 13;

// Days in the year before the first of month m (m = 1..15; 13..15 are
// January..March of the following year). Row 0 common years, row 1 leap.
// Index with suds_month_start(leap, m).
int suds_month_start(int leap, int month);

// 1 when year is a leap year under the rule (1 Gregorian, else Julian), else 0.
int is_leap_year(int16_t year, int rule);

// Day of the year (from 1) of month/day; leap is 0 or 1.
int day_of_year(int month, int day, int leap);

// Month and day of the day-of-year n; leap is 0 or 1. Never fails: an n
// past the year gives a month of 13 or more, an n below 1 a day below 1.
void month_and_day(int n, int leap, int* month, int* day);

// Day number of a calendar date (1970-01-01 gives 2440588).
int32_t julian_day_number(int year, int month, int day, int rule);

// Calendar date of a day number (inverse of julian_day_number).
void calendar_date(int32_t day_number, int rule, int* year, int* month, int* day);

// SUDS time of a calendar date and time of day; month 0 means day is a day
// of the year. 0.0 with the error text set after a bad year, month or day
// (0.0 is also the valid time 1970-01-01 00:00:00). Hour and minute are
// not checked and carry over.
SudsTime suds_make_time(int16_t year, int16_t month, int16_t day, int16_t hour, int16_t minute,
                        double seconds);

// Calendar parts of a SUDS time; always succeeds (a time that is not finite
// is taken as 0, one outside the years -32767..32767 is clamped to them).
void suds_split_time(SudsTime t, int16_t* year, int16_t* month, int16_t* day, int16_t* hour,
                     int16_t* minute, double* seconds);

// The present local wall-clock time as a SUDS time.
SudsTime suds_now();

// Time read from text: form 0 "year day-of-year hour minute seconds", any
// other form "month day year hour minute seconds"; missing fields default to
// today's date and 00:00:00. The result of suds_make_time (0.0 after an error).
SudsTime suds_parse_time(const char* text, int form);

// Text of a time in style code 0..12 (others as 0). The pointer is to one
// buffer shared by all calls: the next call overwrites it.
const char* suds_time_text(SudsTime t, int code);
