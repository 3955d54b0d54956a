// Canadian compression: the block format of compressed recorder channel data
// (second differences packed four at a time in 4..32-bit widths), both
// directions. A pure coder: bytes in, samples out, and back.
//
// Block layout for n samples (n a multiple of 20):
//   offset 0        n/10 bytes  one big-endian code word per group of 20
//   offset n/10     4 bytes     first sample x[0], big-endian int32
//   offset n/10+4   ...         packed blocks of 4 values, W/2 bytes each
#pragma once

#include <cstddef>
#include <cstdint>

// Result codes of both coders.
enum : int {
    CANADIAN_OK = 0,
    CANADIAN_BAD_COUNT = 1,  // n is not a positive multiple of 20 (nothing done)
    CANADIAN_BAD_WIDTH = 2,  // a block width outside the width table
    CANADIAN_OVERRUN = 3,    // packed data run past the byte limit (decoder only)
    CANADIAN_NO_MEMORY = -1, // kept for callers; the encoder needs no memory of its own
};

// Largest block canadian_compress can write for n samples (every block at 32 bits).
inline constexpr std::size_t canadian_max_block_size(long n) {
    return n <= 0 ? 4 : static_cast<std::size_t>(n) / 10 + 4 + static_cast<std::size_t>(n) * 4;
}

// Decodes the block (at most byte_limit bytes are read) into samples[0..n-1] and
// stores the sample following the block in *next_sample.
// Returns CANADIAN_OK, CANADIAN_BAD_COUNT or CANADIAN_OVERRUN (CANADIAN_BAD_WIDTH cannot
// arise from code words). Never reads block[byte_limit] or beyond.
int canadian_decompress(const std::uint8_t* block, std::int32_t* samples, long byte_limit, long n,
                        std::int32_t* next_sample);

// Encodes samples[0..n-1] followed by next_sample into block (which must hold
// canadian_max_block_size(n) bytes) and stores the bytes written in *block_length.
// The samples are overwritten with the packed second differences.
// Returns CANADIAN_OK or CANADIAN_BAD_COUNT.
int canadian_compress(std::uint8_t* block, std::int32_t* samples, long* block_length, long n,
                      std::int32_t next_sample);
