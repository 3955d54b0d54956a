// Steim-1 record encoder and decoder: packing table cases, capacity,
// round trips (our decoder and libmseed), decoder warnings.
#include "mseed_record.h"
#include "steim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "mseed_record_check.h"
#include "writers_capture.h"

namespace {

using Samples = std::vector<std::int32_t>;

std::uint32_t word_at(const std::vector<std::uint8_t>& rec, int frame, int word) {
    const std::uint8_t* p = rec.data() + 64 + frame * 64 + word * 4;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

int nsamples(const std::vector<std::uint8_t>& rec) {
    return (rec[30] << 8) | rec[31];
}

struct Packed {
    std::vector<std::uint8_t> record = std::vector<std::uint8_t>(MSEED_RECORD_SIZE, 0xEE);
    int encoded = 0;
};

Packed pack(const Samples& s) {
    Packed p;
    p.encoded = steim_compress_record(s.data(), static_cast<int>(s.size()), p.record.data());
    return p;
}

// Adds the writer's header so that libmseed can read the record.
void add_header(std::vector<std::uint8_t>& rec) {
    MseedHeader h;
    h.station = "TST";
    h.channel = "BHZ";
    h.network = "XX";
    h.rate = 100.0;
    h.start_us = 1104494400000000LL;
    mseed_put_header(h, rec.data());
}

// Encodes all of `s` record by record as the Mini-SEED writer does and checks
// each record with our decoder (no warning) and libmseed (exact samples).
void expect_records_round_trip(const Samples& s) {
    std::size_t done = 0;
    std::vector<std::uint8_t> all;
    while (done < s.size()) {
        const int n = static_cast<int>(std::min<std::size_t>(4096, s.size() - done));
        Packed p;
        p.encoded = steim_compress_record(s.data() + done, n, p.record.data());
        ASSERT_GE(p.encoded, 1);
        ASSERT_LE(p.encoded, n);
        Samples back(static_cast<std::size_t>(p.encoded));
        ReportCapture cap;
        ASSERT_EQ(steim_decompress_record(p.record.data(), back.data()), p.encoded);
        EXPECT_EQ(cap.text(), "");
        ASSERT_TRUE(std::equal(back.begin(), back.end(), s.begin() + static_cast<long>(done)));
        add_header(p.record);
        all.insert(all.end(), p.record.begin(), p.record.end());
        done += static_cast<std::size_t>(p.encoded);
    }
#ifdef HAVE_LIBMSEED
    const LibmseedResult r = libmseed_read(all.data(), all.size());
    EXPECT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(libmseed_samples(r), s);
#endif
}

// The packing machine step by step, sample by sample, with its step-backs:
// the encoder must produce the very same data words.
std::vector<std::uint8_t> reference_record(const Samples& s) {
    struct Step {
        int next, back, slot;
    };
    static const Step table[5][3] = {
        {{1, 0, 0}, {2, 0, 0}, {5, 0, 0}},   {{3, 0, 1}, {6, 0, 1}, {5, 1, -1}},
        {{6, 0, 1}, {6, 0, 1}, {5, 1, -1}},  {{4, 0, 2}, {6, 1, -1}, {6, 1, -1}},
        {{7, 0, 3}, {6, 2, -1}, {6, 2, -1}},
    };
    std::vector<std::uint8_t> rec(MSEED_RECORD_SIZE, 0);
    std::uint32_t control = 0;
    int frame = 0, word = 3, encoded = 0;
    bool complete = false;
    auto put = [&](int f, int w, std::uint32_t v) {
        for (int b = 0; b < 4; ++b)
            rec[64 + f * 64 + w * 4 + b] = static_cast<std::uint8_t>(v >> (24 - 8 * b));
    };
    auto emit = [&](std::uint32_t v, std::uint32_t code, int count) {
        put(frame, word, v);
        control |= code << (30 - 2 * word);
        encoded += count;
        if (++word == 16) {
            put(frame, 0, control);
            control = 0;
            word = 1;
            if (++frame == 63)
                complete = true;
        }
    };
    std::uint32_t held[4] = {};
    std::uint32_t previous = 0;
    int state = 0;
    const int n = static_cast<int>(std::min<std::size_t>(s.size(), 4096));
    for (int i = 0; i < n && !complete; ++i) {
        const std::uint32_t d = static_cast<std::uint32_t>(s[i]) - previous;
        previous = static_cast<std::uint32_t>(s[i]);
        const auto sd = static_cast<std::int32_t>(d);
        const int cls = (sd >= -128 && sd <= 127) ? 0 : (sd >= -32768 && sd <= 32767) ? 1 : 2;
        const Step st = table[state][cls];
        if (st.back > 0) {
            i -= st.back;
            previous = static_cast<std::uint32_t>(s[i]);
        }
        if (st.slot >= 0)
            held[st.slot] = d;
        state = st.next;
        if (state == 5)
            emit(held[0], 3, 1);
        if (state == 6)
            emit((held[0] << 16) | (held[1] & 0xFFFF), 2, 2);
        if (state == 7)
            emit((held[0] << 24) | ((held[1] & 0xFF) << 16) | ((held[2] & 0xFF) << 8) |
                     (held[3] & 0xFF),
                 1, 4);
        if (state >= 5)
            state = 0;
    }
    if (!complete) {
        if (state == 1 || state == 2)
            emit(held[0], 3, 1);
        if (state == 3 || state == 4)
            emit((held[0] << 16) | (held[1] & 0xFFFF), 2, 2);
        if (state == 4 && !complete)
            emit(held[2], 3, 1);
    }
    if (frame < 63)
        put(frame, 0, control);
    put(0, 1, static_cast<std::uint32_t>(s[0]));
    put(0, 2, static_cast<std::uint32_t>(s[static_cast<std::size_t>(encoded - 1)]));
    rec[30] = static_cast<std::uint8_t>(encoded >> 8);
    rec[31] = static_cast<std::uint8_t>(encoded);
    return rec;
}

} // namespace

TEST(SteimTest, EncoderMatchesThePackingMachineWordForWord) {
    std::mt19937 rng(31337);
    for (int trial = 0; trial < 3000; ++trial) {
        // Short runs of random classes, all lengths from 1 sample to past a full record.
        const std::size_t n = 1 + rng() % (trial < 1000 ? 12 : 4200);
        Samples s(n);
        std::uint32_t x = rng();
        for (auto& v : s) {
            const unsigned c = rng() % 3;
            x += c == 0 ? rng() % 256 - 128 : c == 1 ? rng() % 65536 - 32768 : rng();
            v = static_cast<std::int32_t>(x);
        }
        Packed p = pack(s);
        const std::vector<std::uint8_t> want = reference_record(s);
        ASSERT_TRUE(std::equal(want.begin() + 30, want.begin() + 32, p.record.begin() + 30))
            << trial;
        ASSERT_TRUE(std::equal(want.begin() + 64, want.end(), p.record.begin() + 64))
            << "trial " << trial;
    }
}

TEST(SteimTest, SingleSampleIsOneFullWord) {
    Packed p = pack({-123456789});
    ASSERT_EQ(p.encoded, 1);
    EXPECT_EQ(nsamples(p.record), 1);
    EXPECT_EQ(word_at(p.record, 0, 0), 3u << 24); // code 3 for word 3
    EXPECT_EQ(word_at(p.record, 0, 1), static_cast<std::uint32_t>(-123456789));
    EXPECT_EQ(word_at(p.record, 0, 2), static_cast<std::uint32_t>(-123456789));
    EXPECT_EQ(word_at(p.record, 0, 3), static_cast<std::uint32_t>(-123456789));
    for (int b = 64 + 16; b < MSEED_RECORD_SIZE; ++b)
        ASSERT_EQ(p.record[b], 0) << b;
    EXPECT_EQ(p.record[6], 'D');
    EXPECT_EQ(p.record[7], ' ');
    EXPECT_EQ(p.record[39], 0);
    EXPECT_EQ((p.record[44] << 8) | p.record[45], 64);
    EXPECT_EQ((p.record[46] << 8) | p.record[47], 0);
}

TEST(SteimTest, ConstantSignalFillsRecordsOf3772) {
    const Samples s(10000, 5);
    std::vector<int> sizes;
    for (std::size_t done = 0; done < s.size();) {
        const int n = static_cast<int>(std::min<std::size_t>(4096, s.size() - done));
        Packed p;
        p.encoded = steim_compress_record(s.data() + done, n, p.record.data());
        sizes.push_back(p.encoded);
        done += static_cast<std::size_t>(p.encoded);
    }
    EXPECT_EQ(sizes, (std::vector<int>{3772, 3772, 2456}));
    expect_records_round_trip(s);
}

TEST(SteimTest, FirstDifferenceIsFromZero) {
    // A flat signal at 1000: the first difference 1000 is 16-bit, so the first
    // word is a 16-bit pair (1000, 0).
    Packed p = pack(Samples(8, 1000));
    EXPECT_EQ(word_at(p.record, 0, 3), (1000u << 16) | 0u);
    EXPECT_EQ(word_at(p.record, 0, 0) >> 24, 2u);
    expect_records_round_trip(Samples(8, 1000));
}

TEST(SteimTest, StepBackBeforeLargeDifference) {
    // Differences 1, 1, 1, 100000: a 16-bit pair, then 1 alone as a 32-bit word,
    // then the large one.
    const Samples s{1, 2, 3, 100003};
    Packed p = pack(s);
    ASSERT_EQ(p.encoded, 4);
    EXPECT_EQ(word_at(p.record, 0, 3), 0x00010001u);
    EXPECT_EQ(word_at(p.record, 0, 4), 1u);
    EXPECT_EQ(word_at(p.record, 0, 5), 100000u);
    EXPECT_EQ(word_at(p.record, 0, 6), 0u);
    EXPECT_EQ(word_at(p.record, 0, 0), (2u << 24) | (3u << 22) | (3u << 20));
    EXPECT_EQ(word_at(p.record, 0, 2), 100003u);
    expect_records_round_trip(s);
}

TEST(SteimTest, CapacityLimits) {
    // All differences 32-bit: 943 samples.
    Samples big(4096);
    for (std::size_t k = 0; k < big.size(); ++k)
        big[k] = (k % 2) ? 2000000000 : -2000000000;
    Packed p = pack(big);
    EXPECT_EQ(p.encoded, 943);
    // The record is full: the last frame's control word is all code 3 after word 0.
    EXPECT_EQ(word_at(p.record, 62, 0), 0x3FFFFFFFu);
    expect_records_round_trip(big);

    Samples small(4096, 0);
    EXPECT_EQ(pack(small).encoded, 3772);
    // A count of 0 encodes nothing.
    EXPECT_EQ(steim_compress_record(small.data(), 0, p.record.data()), 0);
}

TEST(SteimTest, FullRangeDifferencesWrap) {
    const std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    const std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    expect_records_round_trip({lo, hi, lo, 0, hi, hi, lo, -1, 1, lo});
}

TEST(SteimTest, RandomSignalsRoundTrip) {
    std::mt19937 rng(2024);
    auto walk = [&](int step_bits, std::size_t n) {
        Samples s(n);
        std::uint32_t x = rng();
        const std::uint32_t mask = step_bits >= 32 ? ~0u : ((1u << step_bits) - 1);
        for (auto& v : s) {
            x += (rng() & mask) - (mask >> 1);
            v = static_cast<std::int32_t>(x);
        }
        return s;
    };
    for (int bits : {1, 7, 8, 9, 15, 16, 17, 24, 32})
        expect_records_round_trip(walk(bits, 9000));
    // Classes mixed in short runs exercise every step-back.
    Samples mixed;
    std::int32_t x = 0;
    for (int k = 0; k < 20000; ++k) {
        const int cls = static_cast<int>(rng() % 3);
        const int run = 1 + static_cast<int>(rng() % 5);
        for (int r = 0; r < run; ++r) {
            const std::uint32_t d = cls == 0   ? rng() % 256 - 128
                                    : cls == 1 ? rng() % 65536 - 32768
                                               : rng();
            x = static_cast<std::int32_t>(static_cast<std::uint32_t>(x) + d);
            mixed.push_back(x);
        }
    }
    expect_records_round_trip(mixed);
    // Sine.
    Samples sine(12000);
    for (std::size_t k = 0; k < sine.size(); ++k)
        sine[k] = static_cast<std::int32_t>(800000.0 * std::sin(static_cast<double>(k) * 0.05));
    expect_records_round_trip(sine);
}

TEST(SteimTest, DecoderWarnsOfShortDataAndBadReverseConstant) {
    Packed p = pack({10, 11, 12, 13, 14});
    ASSERT_EQ(p.encoded, 5);
    {
        std::vector<std::uint8_t> bad = p.record;
        bad[64 + 8 + 3] ^= 1; // Xn 14 -> 15
        Samples out(5);
        ReportCapture cap;
        EXPECT_EQ(steim_decompress_record(bad.data(), out.data()), 5);
        EXPECT_EQ(cap.text(), "WARNING: unreconciled reverse integrating constant: 15, sum: 14\n");
        EXPECT_EQ(out, (Samples{10, 11, 12, 13, 14}));
    }
    {
        std::vector<std::uint8_t> bad = p.record;
        bad[31] = 8; // claims 8 samples; the frames hold 5
        Samples out(8);
        ReportCapture cap;
        EXPECT_EQ(steim_decompress_record(bad.data(), out.data()), 8);
        EXPECT_EQ(cap.text(), "WARNING: partial decompression of sample data, n_samp = 3\n");
    }
    {
        // Data said to begin past the record: no frame, nothing decoded beyond X0.
        std::vector<std::uint8_t> bad = p.record;
        bad[44] = 0x10;
        bad[45] = 0x00;
        Samples out(5);
        ReportCapture cap;
        EXPECT_EQ(steim_decompress_record(bad.data(), out.data()), 5);
        EXPECT_NE(cap.text().find("partial decompression"), std::string::npos);
    }
}
