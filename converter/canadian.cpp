// Canadian coder: both directions of the compressed block.
#include "canadian.h"

#include "byte_order.h"

#include <bit>
#include <cstring>

namespace {

// Unpacks 4 big-endian W-bit two's-complement values from W/2 bytes.
template <int W> void unpack4(const std::uint8_t* p, std::int32_t* out) {
    static_assert(W % 2 == 0 && W >= 4 && W <= 32);
    constexpr int bytes = W / 2;
    if constexpr (W <= 16) {
        // 4W <= 64 bits: the whole block fits one accumulator.
        std::uint64_t acc = 0;
        for (int i = 0; i < bytes; ++i)
            acc = (acc << 8) | p[i];
        for (int i = 0; i < 4; ++i) {
            const auto raw = static_cast<std::uint32_t>(acc >> (W * (3 - i)));
            out[i] = static_cast<std::int32_t>(raw << (32 - W)) >> (32 - W);
        }
    } else {
        // Up to 128 bits: one wide accumulator.
        unsigned __int128 all = 0;
        for (int i = 0; i < bytes; ++i)
            all = (all << 8) | p[i];
        for (int i = 0; i < 4; ++i) {
            const auto raw = static_cast<std::uint32_t>(all >> (W * (3 - i)));
            if constexpr (W == 32)
                out[i] = static_cast<std::int32_t>(raw);
            else
                out[i] = static_cast<std::int32_t>(raw << (32 - W)) >> (32 - W);
        }
    }
}

// Packs the W low bits of 4 values, most significant bit first, into W/2 bytes.
template <int W> void pack4(std::uint8_t* p, const std::int32_t* v) {
    constexpr int bytes = W / 2;
    constexpr std::uint64_t mask = W == 32 ? 0xffffffffu : ((std::uint64_t{1} << W) - 1);
    unsigned __int128 all = 0;
    for (int i = 0; i < 4; ++i)
        all = (all << W) | (static_cast<std::uint32_t>(v[i]) & mask);
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(all);
        all >>= 8;
    }
}

// Unpacks 4 values of any table width W from a block followed by at least
// 20 readable bytes: value i starts W*i bits into the block, so one 64-bit
// big-endian load at its byte holds it whole; no branch on W.
inline void unpack4_any(const std::uint8_t* p, int width, std::int32_t* out) {
    const int drop = 64 - width;
    for (int i = 0; i < 4; ++i) {
        const int bit = width * i;
        const std::uint64_t word = get_be_u64(p + (bit >> 3)) << (bit & 7);
        out[i] = static_cast<std::int32_t>(static_cast<std::int64_t>(word) >> drop);
    }
}

// Returns false for a width outside the table.
bool unpack_block(int width, const std::uint8_t* p, std::int32_t* out) {
    switch (width) {
    case 4:
        unpack4<4>(p, out);
        return true;
    case 6:
        unpack4<6>(p, out);
        return true;
    case 8:
        unpack4<8>(p, out);
        return true;
    case 10:
        unpack4<10>(p, out);
        return true;
    case 12:
        unpack4<12>(p, out);
        return true;
    case 14:
        unpack4<14>(p, out);
        return true;
    case 16:
        unpack4<16>(p, out);
        return true;
    case 18:
        unpack4<18>(p, out);
        return true;
    case 20:
        unpack4<20>(p, out);
        return true;
    case 24:
        unpack4<24>(p, out);
        return true;
    case 28:
        unpack4<28>(p, out);
        return true;
    case 32:
        unpack4<32>(p, out);
        return true;
    default:
        return false;
    }
}

bool pack_block(int width, std::uint8_t* p, const std::int32_t* v) {
    switch (width) {
    case 4:
        pack4<4>(p, v);
        return true;
    case 6:
        pack4<6>(p, v);
        return true;
    case 8:
        pack4<8>(p, v);
        return true;
    case 10:
        pack4<10>(p, v);
        return true;
    case 12:
        pack4<12>(p, v);
        return true;
    case 14:
        pack4<14>(p, v);
        return true;
    case 16:
        pack4<16>(p, v);
        return true;
    case 18:
        pack4<18>(p, v);
        return true;
    case 20:
        pack4<20>(p, v);
        return true;
    case 24:
        pack4<24>(p, v);
        return true;
    case 28:
        pack4<28>(p, v);
        return true;
    case 32:
        pack4<32>(p, v);
        return true;
    default:
        return false;
    }
}

// Smallest table width W with m < 2^(W-1), indexed by the bit length of m (0..31).
constexpr std::uint8_t kWidthForBits[33] = {
    4,  4,  4,  4,                          // bit length 0..3
    6,  6,                                  // 4, 5
    8,  8,                                  // 6, 7
    10, 10, 12, 12, 14, 14, 16, 16, 18, 18, // 8..17
    20, 20,                                 // 18, 19
    24, 24, 24, 24,                         // 20..23
    28, 28, 28, 28,                         // 24..27
    32, 32, 32, 32, 32,                     // 28..32
};

} // namespace

int canadian_decompress(const std::uint8_t* block, std::int32_t* samples, long byte_limit, long n,
                        std::int32_t* next_sample) {
    if (n < 0 || n % 20 != 0)
        return CANADIAN_BAD_COUNT;
    const long header = n / 10 + 4;
    if (byte_limit < header)
        return CANADIAN_OVERRUN;
    bool width_error = false;
    const std::int32_t x0 = get_be_i32(block + n / 10);
    long p = header;
    const long groups = n / 20;
    for (long g = 0; g < groups; ++g) {
        const unsigned code = (unsigned{block[2 * g]} << 8) | block[2 * g + 1];
        const bool wide = (code & 0x8000u) != 0;
        // Every code gives a width of the table (4..18 by 2, or 4..32 by 4).
        // A block whose loads stay within the limit (20 bytes from its
        // start) is unpacked without a branch on its width.
        const unsigned scale = wide ? 4u : 2u;
        for (int b = 0; b < 5; ++b) {
            const unsigned c = (code >> (12 - 3 * b)) & 7u;
            const int width = static_cast<int>(scale * c + 4);
            std::int32_t* out = samples + 20 * g + 4 * b;
            if (p + 20 <= byte_limit) {
                unpack4_any(block + p, width, out);
                p += width / 2;
                continue;
            }
            // A block that would pass the limit is never read: the group passes it.
            if (p + width / 2 > byte_limit)
                return CANADIAN_OVERRUN;
            if (unpack_block(width, block + p, out))
                p += width / 2;
            else {
                width_error = true;
                std::memset(out, 0, 4 * sizeof *out);
            }
        }
    }
    // Running sum gives the first differences, integration the samples;
    // both wrap in 32 bits as the format defines.
    std::uint32_t d = 0;
    std::uint32_t t = static_cast<std::uint32_t>(x0);
    for (long k = 0; k < n; ++k) {
        d += static_cast<std::uint32_t>(samples[k]);
        samples[k] = static_cast<std::int32_t>(t);
        t += d;
    }
    *next_sample = static_cast<std::int32_t>(t);
    return width_error ? CANADIAN_BAD_WIDTH : CANADIAN_OK;
}

int canadian_compress(std::uint8_t* block, std::int32_t* samples, long* block_length, long n,
                      std::int32_t next_sample) {
    if (n < 0 || n % 20 != 0)
        return CANADIAN_BAD_COUNT;
    bool width_error = false;
    const std::int32_t x0 = n > 0 ? samples[0] : next_sample;

    // First differences forward, then second differences backward, in 32-bit wrap.
    for (long k = 0; k < n; ++k) {
        const auto a = static_cast<std::uint32_t>(samples[k]);
        const auto b = static_cast<std::uint32_t>(k + 1 < n ? samples[k + 1] : next_sample);
        samples[k] = static_cast<std::int32_t>(b - a);
    }
    for (long k = n - 1; k >= 1; --k)
        samples[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[k]) -
                                               static_cast<std::uint32_t>(samples[k - 1]));

    put_be_u32(block + n / 10, static_cast<std::uint32_t>(x0));
    long p = n / 10 + 4;
    const long groups = n / 20;
    for (long g = 0; g < groups; ++g) {
        // Width of each block of 4: the smallest that holds all its values.
        std::uint8_t w[5];
        for (int b = 0; b < 5; ++b) {
            std::uint32_t m = 0;
            for (int i = 0; i < 4; ++i) {
                const std::int32_t v = samples[20 * g + 4 * b + i];
                m |=
                    static_cast<std::uint32_t>(v ^ (v >> 31)); // v, or its complement when negative
            }
            w[b] = kWidthForBits[std::bit_width(m)];
        }
        bool narrow = true;
        for (int b = 0; b < 5; ++b)
            narrow = narrow && w[b] <= 18;
        unsigned code = narrow ? 0u : 0x8000u;
        for (int b = 0; b < 5; ++b) {
            int width = w[b];
            if (!narrow && width % 4 != 0)
                width += 2;
            const unsigned c = narrow ? (width - 4) / 2 : (width - 4) / 4;
            code |= c << (12 - 3 * b);
            if (pack_block(width, block + p, samples + 20 * g + 4 * b))
                p += width / 2;
            else
                width_error = true;
        }
        block[2 * g] = static_cast<std::uint8_t>(code >> 8);
        block[2 * g + 1] = static_cast<std::uint8_t>(code);
    }
    *block_length = p;
    return width_error ? CANADIAN_BAD_WIDTH : CANADIAN_OK;
}
