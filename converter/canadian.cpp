// Canadian coder: both directions of the compressed block, and the read-samples step.
#include "canadian.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include <suds/suds.h>

namespace {

std::int32_t get_be32(const std::uint8_t* p)
{
    const std::uint32_t u = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                            (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
    return static_cast<std::int32_t>(u);
}

void put_be32(std::uint8_t* p, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<std::uint8_t>(u >> 24);
    p[1] = static_cast<std::uint8_t>(u >> 16);
    p[2] = static_cast<std::uint8_t>(u >> 8);
    p[3] = static_cast<std::uint8_t>(u);
}

// Unpacks 4 big-endian W-bit two's-complement values from W/2 bytes.
template <int W>
void unpack4(const std::uint8_t* p, std::int32_t* out)
{
    static_assert(W % 2 == 0 && W >= 4 && W <= 32);
    constexpr int bytes = W / 2;
    if constexpr (W <= 16) {
        // 4W <= 64 bits: the whole block fits one accumulator.
        std::uint64_t acc = 0;
        for (int i = 0; i < bytes; ++i) acc = (acc << 8) | p[i];
        for (int i = 0; i < 4; ++i) {
            const auto raw = static_cast<std::uint32_t>(acc >> (W * (3 - i)));
            out[i] = static_cast<std::int32_t>(raw << (32 - W)) >> (32 - W);
        }
    } else {
        // Up to 128 bits: one wide accumulator.
        unsigned __int128 all = 0;
        for (int i = 0; i < bytes; ++i) all = (all << 8) | p[i];
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
template <int W>
void pack4(std::uint8_t* p, const std::int32_t* v)
{
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

// Returns false for a width outside the table.
bool unpack_block(int width, const std::uint8_t* p, std::int32_t* out)
{
    switch (width) {
    case 4: unpack4<4>(p, out); return true;
    case 6: unpack4<6>(p, out); return true;
    case 8: unpack4<8>(p, out); return true;
    case 10: unpack4<10>(p, out); return true;
    case 12: unpack4<12>(p, out); return true;
    case 14: unpack4<14>(p, out); return true;
    case 16: unpack4<16>(p, out); return true;
    case 18: unpack4<18>(p, out); return true;
    case 20: unpack4<20>(p, out); return true;
    case 24: unpack4<24>(p, out); return true;
    case 28: unpack4<28>(p, out); return true;
    case 32: unpack4<32>(p, out); return true;
    default: return false;
    }
}

bool pack_block(int width, std::uint8_t* p, const std::int32_t* v)
{
    switch (width) {
    case 4: pack4<4>(p, v); return true;
    case 6: pack4<6>(p, v); return true;
    case 8: pack4<8>(p, v); return true;
    case 10: pack4<10>(p, v); return true;
    case 12: pack4<12>(p, v); return true;
    case 14: pack4<14>(p, v); return true;
    case 16: pack4<16>(p, v); return true;
    case 18: pack4<18>(p, v); return true;
    case 20: pack4<20>(p, v); return true;
    case 24: pack4<24>(p, v); return true;
    case 28: pack4<28>(p, v); return true;
    case 32: pack4<32>(p, v); return true;
    default: return false;
    }
}

// Smallest table width W with m < 2^(W-1), indexed by the bit length of m (0..31).
constexpr std::uint8_t kWidthForBits[33] = {
    4, 4, 4, 4,           // bit length 0..3
    6, 6,                 // 4, 5
    8, 8,                 // 6, 7
    10, 10, 12, 12, 14, 14, 16, 16, 18, 18,  // 8..17
    20, 20,               // 18, 19
    24, 24, 24, 24,       // 20..23
    28, 28, 28, 28,       // 24..27
    32, 32, 32, 32, 32,   // 28..32
};

// The encoder's width work buffer, one entry per block of 4, kept for the run.
std::unique_ptr<std::uint8_t[]> g_widths;
long g_widths_size = 0;

} // namespace

int canadian_decompress(const std::uint8_t* block, std::int32_t* samples, long byte_limit, long n,
                        std::int32_t* next_sample)
{
    if (n < 0 || n % 20 != 0) return CANADIAN_BAD_COUNT;
    const long header = n / 10 + 4;
    if (byte_limit < header) return CANADIAN_OVERRUN;
    bool width_error = false;
    const std::int32_t x0 = get_be32(block + n / 10);
    long p = header;
    const long groups = n / 20;
    for (long g = 0; g < groups; ++g) {
        const unsigned code = (unsigned{block[2 * g]} << 8) | block[2 * g + 1];
        const bool wide = (code & 0x8000u) != 0;
        for (int b = 0; b < 5; ++b) {
            const unsigned c = (code >> (12 - 3 * b)) & 7u;
            const int width = wide ? static_cast<int>(4 * c + 4) : static_cast<int>(2 * c + 4);
            // A block that would pass the limit is never read: the group passes it.
            if (p + width / 2 > byte_limit) return CANADIAN_OVERRUN;
            std::int32_t* out = samples + 20 * g + 4 * b;
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
                      std::int32_t next_sample)
{
    if (n < 0 || n % 20 != 0) return CANADIAN_BAD_COUNT;
    const long nblocks = n / 4;
    if (nblocks > g_widths_size) {
        std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[nblocks]);
        if (!grown) return CANADIAN_NO_MEMORY;
        g_widths = std::move(grown);
        g_widths_size = nblocks;
    }
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

    std::uint8_t* widths = g_widths.get();
    for (long b = 0; b < nblocks; ++b) {
        std::uint32_t m = 0;
        for (int i = 0; i < 4; ++i) {
            const std::int32_t v = samples[4 * b + i];
            m |= static_cast<std::uint32_t>(v ^ (v >> 31)); // v, or its complement when negative
        }
        widths[b] = kWidthForBits[std::bit_width(m)];
    }

    put_be32(block + n / 10, x0);
    long p = n / 10 + 4;
    const long groups = n / 20;
    for (long g = 0; g < groups; ++g) {
        std::uint8_t* w = widths + 5 * g;
        bool narrow = true;
        for (int b = 0; b < 5; ++b) narrow = narrow && w[b] <= 18;
        unsigned code = narrow ? 0u : 0x8000u;
        for (int b = 0; b < 5; ++b) {
            int width = w[b];
            if (!narrow && width % 4 != 0) width += 2;
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

int canadian_read_samples(std::FILE* in, int transformation, long n, long data_size,
                          int descriptor)
{
    // Fixed buffers: one subframe of samples and one of block data.
    static std::int32_t samples[CANADIAN_MAX_SAMPLES];
    static std::uint8_t data[CANADIAN_MAX_BLOCK_BYTES + 4];

    if (transformation != 0 && transformation != 1) {
        std::fprintf(stderr, "ERROR: unsupported data transformation: %d\n", transformation);
        return 0;
    }
    if (n < 0 || n > CANADIAN_MAX_SAMPLES || data_size < 0 || data_size > CANADIAN_MAX_BLOCK_BYTES) {
        std::fprintf(stderr, "ERROR: subframe too large: %ld samples, %ld bytes\n", n, data_size);
        return 0;
    }
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    if (transformation == 0) {
        // Plain samples are little-endian int32 already, as the work file wants them.
        if (std::fread(data, 1, bytes, in) != bytes) {
            std::fprintf(stderr, "ERROR: read error\n");
            return 0;
        }
    } else {
        const std::size_t padded = (static_cast<std::size_t>(data_size) + 3) & ~std::size_t{3};
        if (std::fread(data, 1, padded, in) != padded) {
            std::fprintf(stderr, "ERROR: read error\n");
            return 0;
        }
        std::int32_t next = 0;
        // A subframe without samples has nothing to decode, whatever its block holds.
        if (n > 0 && canadian_decompress(data, samples, data_size, n, &next) != CANADIAN_OK) {
            std::fprintf(stderr, "ERROR: decompression error\n");
            return 0;
        }
        for (long k = 0; k < n; ++k) {
            const auto u = static_cast<std::uint32_t>(samples[k]);
            data[4 * k] = static_cast<std::uint8_t>(u);
            data[4 * k + 1] = static_cast<std::uint8_t>(u >> 8);
            data[4 * k + 2] = static_cast<std::uint8_t>(u >> 16);
            data[4 * k + 3] = static_cast<std::uint8_t>(u >> 24);
        }
    }
    // One write for the subframe: the same bytes as one write per sample.
    if (bytes > 0 && suds_write_data(descriptor, data, static_cast<std::int32_t>(bytes)) != 1) {
        std::fprintf(stderr, "\n%s\n", suds_error_text());
        return 0;
    }
    return 1;
}
