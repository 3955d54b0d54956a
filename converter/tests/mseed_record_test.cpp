// Mini-SEED fixed header: BTIME, rate factors, sequence numbers, codes,
// checked byte by byte and through libmseed.
#include "mseed_record.h"
#include "steim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <suds/suds.h>

#include "mseed_record_check.h"

namespace {

struct Btime {
    int year, doy, hour, minute, second, zero, fraction;
};

Btime btime(std::int64_t us) {
    std::uint8_t b[10];
    mseed_put_btime(us, b);
    return {(b[0] << 8) | b[1], (b[2] << 8) | b[3], b[4], b[5], b[6], b[7], (b[8] << 8) | b[9]};
}

void expect_btime(double t, Btime want) {
    const Btime got = btime(mseed_time_us(t));
    EXPECT_EQ(got.year, want.year);
    EXPECT_EQ(got.doy, want.doy);
    EXPECT_EQ(got.hour, want.hour);
    EXPECT_EQ(got.minute, want.minute);
    EXPECT_EQ(got.second, want.second);
    EXPECT_EQ(got.zero, 0);
    EXPECT_EQ(got.fraction, want.fraction);
}

std::pair<int, int> factors(double rate) {
    std::int16_t f = 0, m = 0;
    mseed_rate_factors(rate, &f, &m);
    return {f, m};
}

} // namespace

TEST(MseedRecordTest, BtimeOfCalendarTimes) {
    const double noon = suds_make_time(2004, 12, 31, 12, 0, 0.0);
    expect_btime(noon + 0.12345, {2004, 366, 12, 0, 0, 0, 1234});
    // No unit lost to binary fractions: .72 stays 7200, not 7199.
    const double t = suds_make_time(2010, 3, 1, 8, 9, 37.72);
    expect_btime(t, {2010, 60, 8, 9, 37, 0, 7200});
    expect_btime(suds_make_time(2001, 1, 1, 0, 0, 0.0) + 0.0001, {2001, 1, 0, 0, 0, 0, 1});
    // A value just short of the next day rounds to the microsecond and carries
    // through second, minute, hour, day and year.
    expect_btime(suds_make_time(2004, 12, 31, 23, 59, 59.9999996), {2005, 1, 0, 0, 0, 0, 0});
    // Truncated, not rounded, to 0.0001 s.
    expect_btime(noon + 0.99999, {2004, 366, 12, 0, 0, 0, 9999});
    // Before 1970 the fraction stays positive.
    expect_btime(-0.5, {1969, 365, 23, 59, 59, 0, 5000});
}

TEST(MseedRecordTest, RateFactors) {
    EXPECT_EQ(factors(100.0), std::make_pair(1000, -10));
    EXPECT_EQ(factors(0.5), std::make_pair(5, -10));
    EXPECT_EQ(factors(3276.5), std::make_pair(32765, -10));
    EXPECT_EQ(factors(static_cast<float>(40.1)), std::make_pair(401, -10));
    EXPECT_EQ(factors(5000.0), std::make_pair(5000, 1));
    EXPECT_EQ(factors(3276.8), std::make_pair(3277, 1));
    EXPECT_EQ(factors(100000.0), std::make_pair(10000, 10));
    EXPECT_EQ(factors(0.01), std::make_pair(-100, 1));
    EXPECT_EQ(factors(0.0), std::make_pair(0, 0));
    EXPECT_EQ(factors(-5.0), std::make_pair(0, 0));
}

TEST(MseedRecordTest, SequenceNumberKeepsSixCharacters) {
    char s[7];
    mseed_sequence_text(1, s);
    EXPECT_STREQ(s, "000001");
    mseed_sequence_text(999999, s);
    EXPECT_STREQ(s, "999999");
    mseed_sequence_text(1000000, s);
    EXPECT_STREQ(s, "000001");
    mseed_sequence_text(1000001, s);
    EXPECT_STREQ(s, "000002");
}

TEST(MseedRecordTest, HeaderBytes) {
    std::vector<std::uint8_t> rec(MSEED_RECORD_SIZE, 0xEE);
    const std::int32_t samples[3] = {7, 8, 9};
    ASSERT_EQ(steim_compress_record(samples, 3, rec.data()), 3);
    MseedHeader h;
    h.sequence_number = 42;
    h.station = "ABCDEFG"; // cut to 5
    h.location = "";
    h.channel = "BH"; // padded
    h.network = "NE";
    h.start_us = mseed_time_us(suds_make_time(2004, 12, 31, 12, 0, 0.12345));
    h.rate = 100.0;
    h.time_correction = -0.12345;
    mseed_put_header(h, rec.data());
    const std::uint8_t want[64] = {'0',  '0',  '0',  '0', '4', '2', 'D',  ' ',  'A',  'B',  'C',
                                   'D',  'E',  ' ',  ' ', 'B', 'H', ' ',  'N',  'E',  0x07, 0xD4,
                                   0x01, 0x6E, 12,   0,   0,   0,   0x04, 0xD2, 0,    3,    0x03,
                                   0xE8, 0xFF, 0xF6, 0,   0,   0,   0,    0xFF, 0xFF, 0xFB, 0x2E,
                                   0,    64,   0,    0,   0,   0,   0,    0,    0,    0,    0,
                                   0,    0,    0,    0,   0,   0,   0,    0,    0};
    EXPECT_EQ(std::memcmp(rec.data(), want, 64), 0);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(rec[i], want[i]) << "byte " << i;

#ifdef HAVE_LIBMSEED
    const LibmseedResult r = libmseed_read(rec.data(), rec.size());
    ASSERT_TRUE(r.ok) << r.messages;
    ASSERT_EQ(r.records.size(), 1u);
    const LibmseedRecord& m = r.records[0];
    EXPECT_EQ(m.sequence_number, 42);
    EXPECT_EQ(m.station, "ABCDE");
    EXPECT_EQ(m.channel, "BH");
    EXPECT_EQ(m.network, "NE");
    EXPECT_EQ(m.location, "");
    EXPECT_EQ(m.quality, 'D');
    EXPECT_EQ(m.start_us, h.start_us / 100 * 100);
    EXPECT_DOUBLE_EQ(m.rate, 100.0);
    EXPECT_EQ(m.samples, (std::vector<std::int32_t>{7, 8, 9}));
#endif
}

#ifdef HAVE_LIBMSEED
TEST(MseedRecordTest, LibmseedReadsEveryRateForm) {
    for (double rate : {100.0, 0.5, 3276.7, 5000.0, 100000.0, 0.01, 0.0}) {
        std::vector<std::uint8_t> rec(MSEED_RECORD_SIZE, 0);
        const std::int32_t s[1] = {1};
        steim_compress_record(s, 1, rec.data());
        MseedHeader h;
        h.station = "S";
        h.channel = "C";
        h.network = "N";
        h.rate = rate;
        mseed_put_header(h, rec.data());
        const LibmseedResult r = libmseed_read(rec.data(), rec.size());
        ASSERT_TRUE(r.ok) << rate << r.messages;
        EXPECT_NEAR(r.records[0].rate, rate, rate * 1e-4) << rate;
    }
}
#endif
