// Mini-SEED fixed header and BTIME.
#include "mseed_record.h"

#include "byte_order.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <suds/suds.h>

namespace {

// Copies a code into a blank-padded field of `width`.
void put_code(std::uint8_t* p, const char* code, int width) {
    int i = 0;
    for (; i < width && code && code[i]; ++i)
        p[i] = static_cast<std::uint8_t>(code[i]);
    for (; i < width; ++i)
        p[i] = ' ';
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

std::int64_t mseed_time_us(double t) {
    const double us = std::round(t * 1e6);
    // About +-292,000 years; beyond that the time is meaningless for a record.
    if (!std::isfinite(us) || std::fabs(us) > 9.0e18)
        return 0;
    return static_cast<std::int64_t>(us);
}

void mseed_put_btime(std::int64_t us, std::uint8_t* out) {
    const std::int64_t whole = floor_div(us, 1000000);
    const std::int64_t frac_us = us - whole * 1000000;
    std::int16_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double seconds = 0.0;
    suds_split_time(static_cast<double>(whole), &year, &month, &day, &hour, &minute, &seconds);
    const int doy = day_of_year(month, day, is_leap_year(year, SUDS_GREGORIAN));
    put_be_u16(out, static_cast<std::uint16_t>(year));
    put_be_u16(out + 2, static_cast<std::uint16_t>(doy));
    out[4] = static_cast<std::uint8_t>(hour);
    out[5] = static_cast<std::uint8_t>(minute);
    out[6] = static_cast<std::uint8_t>(static_cast<int>(seconds)); // whole by construction
    out[7] = 0;
    put_be_u16(out + 8, static_cast<std::uint16_t>(frac_us / 100));
}

void mseed_rate_factors(double rate, std::int16_t* factor, std::int16_t* multiplier) {
    if (!(rate > 0.0) || !std::isfinite(rate)) {
        *factor = 0;
        *multiplier = 0;
        return;
    }
    // Truncated to tenths, after taking off the representation error of a
    // 32-bit float rate (40.1f is 40.0999985 and must still give 401).
    const double tenths = std::trunc(std::round(rate * 10.0 * 1000.0) / 1000.0);
    if (tenths >= 1.0 && tenths <= 32767.0) {
        *factor = static_cast<std::int16_t>(tenths);
        *multiplier = -10;
        return;
    }
    if (tenths < 1.0) {
        // Below 0.1 samples/s: the sample period in seconds, as a negative factor.
        const double period = std::round(1.0 / rate);
        *factor = static_cast<std::int16_t>(-(period > 32767.0 ? 32767.0 : period));
        *multiplier = 1;
        return;
    }
    // 3276.8 and more: rate = factor x multiplier.
    int mult = 1;
    double whole = std::round(rate);
    while (whole > 32767.0 && mult < 32767) {
        mult *= 10;
        whole = std::round(rate / mult);
    }
    *factor = static_cast<std::int16_t>(whole > 32767.0 ? 32767.0 : whole);
    *multiplier = static_cast<std::int16_t>(mult > 32767 ? 32767 : mult);
}

void mseed_sequence_text(long sequence, char out[7]) {
    long s = sequence;
    if (s < 1)
        s = 1;
    s = (s - 1) % 999999 + 1;
    std::snprintf(out, 7, "%06ld", s);
}

void mseed_put_header(const MseedHeader& h, std::uint8_t* record) {
    char seq[7];
    mseed_sequence_text(h.sequence_number, seq);
    std::memcpy(record, seq, 6);
    put_code(record + 8, h.station, 5);
    put_code(record + 13, h.location, 2);
    put_code(record + 15, h.channel, 3);
    put_code(record + 18, h.network, 2);
    mseed_put_btime(h.start_us, record + 20);
    std::int16_t factor = 0, multiplier = 0;
    mseed_rate_factors(h.rate, &factor, &multiplier);
    put_be_u16(record + 32, static_cast<std::uint16_t>(factor));
    put_be_u16(record + 34, static_cast<std::uint16_t>(multiplier));
    record[36] = record[37] = record[38] = 0;
    double corr = std::trunc(h.time_correction * 10000.0);
    if (!std::isfinite(corr))
        corr = 0.0;
    if (corr > 2147483647.0)
        corr = 2147483647.0;
    if (corr < -2147483648.0)
        corr = -2147483648.0;
    put_be_u32(record + 40, static_cast<std::uint32_t>(static_cast<std::int32_t>(corr)));
    std::memset(record + 48, 0, 16);
}
