// Canadian coder: block layout examples, width choice, round trips, truncation.
#include "canadian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Encoded {
    std::vector<std::uint8_t> block;
    int code = 0;
};

Encoded encode(std::vector<std::int32_t> x, std::int32_t next) {
    const long n = static_cast<long>(x.size());
    Encoded e;
    e.block.assign(canadian_max_block_size(n), 0xAA);
    long len = -1;
    e.code = canadian_compress(e.block.data(), x.data(), &len, n, next);
    if (e.code == CANADIAN_OK)
        e.block.resize(static_cast<std::size_t>(len));
    return e;
}

// Decodes from a buffer of exactly the block's size, so any overread is caught by ASan.
int decode(const std::vector<std::uint8_t>& block, long n, std::vector<std::int32_t>* out,
           std::int32_t* next, long limit = -1) {
    if (limit < 0)
        limit = static_cast<long>(block.size());
    std::vector<std::uint8_t> exact(block.begin(), block.begin() + limit);
    out->assign(static_cast<std::size_t>(n > 0 ? n : 0), 0);
    return canadian_decompress(exact.data(), out->data(), limit, n, next);
}

void expect_round_trip(const std::vector<std::int32_t>& x, std::int32_t next) {
    Encoded e = encode(x, next);
    ASSERT_EQ(e.code, CANADIAN_OK);
    std::vector<std::int32_t> back;
    std::int32_t back_next = 0;
    ASSERT_EQ(decode(e.block, static_cast<long>(x.size()), &back, &back_next), CANADIAN_OK);
    EXPECT_EQ(back, x);
    EXPECT_EQ(back_next, next);
}

unsigned code_word(const std::vector<std::uint8_t>& b, int g) {
    return (unsigned{b[2 * g]} << 8) | b[2 * g + 1];
}

} // namespace

TEST(CanadianTest, ConstantSignalGivesMinimalBlock) {
    Encoded e = encode(std::vector<std::int32_t>(20, -77), -77);
    ASSERT_EQ(e.code, CANADIAN_OK);
    ASSERT_EQ(e.block.size(), 16u); // 2 + 4 + 5 blocks of 4 bits
    EXPECT_EQ(code_word(e.block, 0), 0x0000u);
    const std::vector<std::uint8_t> x0{0xFF, 0xFF, 0xFF, 0xB3};
    EXPECT_EQ(std::vector<std::uint8_t>(e.block.begin() + 2, e.block.begin() + 6), x0);
    for (std::size_t i = 6; i < 16; ++i)
        EXPECT_EQ(e.block[i], 0) << i;
}

TEST(CanadianTest, RampGivesExactBytes) {
    std::vector<std::int32_t> x(20);
    for (int i = 0; i < 20; ++i)
        x[i] = i;
    Encoded e = encode(x, 20);
    ASSERT_EQ(e.code, CANADIAN_OK);
    const std::vector<std::uint8_t> want{0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(e.block, want);
    expect_round_trip(x, 20);
}

TEST(CanadianTest, WideBlockSwitchesOnlyItsGroupToFourBitSteps) {
    // Second differences pass the 18-bit table only in block 2 of group 2.
    std::vector<std::int32_t> x(40, 0);
    x[26] = 100000; // a spike: second differences +100000, -200000, +100000 in block 2
    Encoded e = encode(x, 0);
    ASSERT_EQ(e.code, CANADIAN_OK);
    EXPECT_EQ(code_word(e.block, 0) & 0x8000u, 0u);
    const unsigned cw1 = code_word(e.block, 1);
    EXPECT_NE(cw1 & 0x8000u, 0u);
    // That block is stored at 20 bits, the others at 4.
    EXPECT_EQ(cw1, 0x8000u | (4u << 9));                     // code (20 - 4) / 4 for block 2
    EXPECT_EQ(e.block.size(), 4u + 4u + 10u + 4u * 2 + 10u); // code words, x0, groups
    expect_round_trip(x, 0);
}

TEST(CanadianTest, WidthChoiceAtSignBoundaries) {
    // One block holding -8 fits 4 bits (complement 7), +8 needs 6 bits.
    auto width_code = [](std::int32_t e0) {
        // Samples whose first packed value is e0 and all others 0: x[k] = e0 * (k+1)... use a
        // ramp of slope e0 starting at 0: d[k] = e0, so e[0] = e0, e[k>0] = 0.
        std::vector<std::int32_t> x(20);
        for (int k = 0; k < 20; ++k)
            x[k] = e0 * k;
        Encoded e = encode(x, e0 * 20);
        return (code_word(e.block, 0) >> 12) & 7u;
    };
    EXPECT_EQ(width_code(-8), 0u);
    EXPECT_EQ(width_code(7), 0u);
    EXPECT_EQ(width_code(8), 1u);
    EXPECT_EQ(width_code(-9), 1u);
    EXPECT_EQ(width_code(-131072), 7u); // 18 bits, narrow table
    EXPECT_EQ(width_code(131071), 7u);
}

TEST(CanadianTest, FullRangeJumpsWrapAround) {
    const std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    const std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    std::vector<std::int32_t> x(40);
    for (std::size_t k = 0; k < x.size(); ++k)
        x[k] = (k % 3 == 0) ? lo : (k % 3 == 1 ? hi : 0);
    expect_round_trip(x, lo);
    Encoded e = encode(x, lo);
    EXPECT_EQ(code_word(e.block, 0), 0xFFFFu); // all five blocks at 32 bits
}

TEST(CanadianTest, RandomSignalsOfEveryWidthRoundTrip) {
    std::mt19937 rng(12345);
    for (int bits = 1; bits <= 32; ++bits) {
        for (long n : {20L, 40L, 200L, 1000L}) {
            std::vector<std::int32_t> x(static_cast<std::size_t>(n));
            std::uint32_t walk = rng();
            const std::uint32_t mask = bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
            for (auto& v : x) {
                // random walk whose steps span `bits` bits, wrapping in 32 bits
                walk += (rng() & mask) - (mask >> 1);
                v = static_cast<std::int32_t>(walk);
            }
            SCOPED_TRACE(testing::Message() << "bits " << bits << " n " << n);
            expect_round_trip(x, static_cast<std::int32_t>(rng()));
        }
    }
    // Long runs of each width class within one signal.
    std::vector<std::int32_t> x;
    for (int bits = 2; bits <= 32; bits += 2)
        for (int k = 0; k < 60; ++k)
            x.push_back(static_cast<std::int32_t>(rng() >> (32 - bits)));
    x.resize(x.size() / 20 * 20);
    expect_round_trip(x, 0);
}

TEST(CanadianTest, CountNotMultipleOfTwentyIsRefused) {
    std::vector<std::int32_t> x(30, 5);
    std::vector<std::uint8_t> block(canadian_max_block_size(30), 0xAA);
    long len = -1;
    EXPECT_EQ(canadian_compress(block.data(), x.data(), &len, 30, 5), CANADIAN_BAD_COUNT);
    EXPECT_EQ(len, -1);
    EXPECT_EQ(x, std::vector<std::int32_t>(30, 5)); // untouched
    std::int32_t next = 0;
    EXPECT_EQ(
        canadian_decompress(block.data(), x.data(), static_cast<long>(block.size()), 30, &next),
        CANADIAN_BAD_COUNT);
    EXPECT_EQ(
        canadian_decompress(block.data(), x.data(), static_cast<long>(block.size()), -20, &next),
        CANADIAN_BAD_COUNT);
}

TEST(CanadianTest, EveryTruncationIsAnOverrunNeverAnOverread) {
    std::mt19937 rng(7);
    std::vector<std::int32_t> x(100);
    for (auto& v : x)
        v = static_cast<std::int32_t>(rng()) >> (rng() % 31);
    Encoded e = encode(x, 3);
    ASSERT_EQ(e.code, CANADIAN_OK);
    std::vector<std::int32_t> out;
    std::int32_t next = 0;
    for (long limit = 0; limit < static_cast<long>(e.block.size()); ++limit)
        EXPECT_EQ(decode(e.block, 100, &out, &next, limit), CANADIAN_OVERRUN) << limit;
    EXPECT_EQ(decode(e.block, 100, &out, &next), CANADIAN_OK);
}

TEST(CanadianTest, EncoderReusesAndGrowsItsWidthBuffer) {
    // A small call after a large one and a larger one after both must all be right.
    for (long n : {2000L, 20L, 8000L, 40L}) {
        std::vector<std::int32_t> x(static_cast<std::size_t>(n));
        for (long k = 0; k < n; ++k)
            x[k] = static_cast<std::int32_t>(k * k % 100003);
        expect_round_trip(x, 9);
    }
}
