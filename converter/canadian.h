// Canadian compression: the block format of compressed recorder channel data
// (second differences packed four at a time in 4..32-bit widths), both
// directions, and the read-samples step of pass 1.
//
// Block layout for n samples (n a multiple of 20):
//   offset 0        n/10 bytes  one big-endian code word per group of 20
//   offset n/10     4 bytes     first sample x[0], big-endian int32
//   offset n/10+4   ...         packed blocks of 4 values, W/2 bytes each
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Result codes of both coders.
enum : int {
    CANADIAN_OK = 0,
    CANADIAN_BAD_COUNT = 1,      // n is not a positive multiple of 20 (nothing done)
    CANADIAN_BAD_WIDTH = 2,      // a block width outside the width table
    CANADIAN_OVERRUN = 3,        // packed data run past the byte limit (decoder only)
    CANADIAN_NO_MEMORY = -1,     // width work buffer could not be allocated (encoder only)
};

// Buffer limits of the read-samples step.
inline constexpr long CANADIAN_MAX_SAMPLES = 120000;
inline constexpr long CANADIAN_MAX_BLOCK_BYTES = 480000;

// Largest block canadian_compress can write for n samples (every block at 32 bits).
inline constexpr std::size_t canadian_max_block_size(long n)
{
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
// Returns CANADIAN_OK, CANADIAN_BAD_COUNT or CANADIAN_NO_MEMORY.
int canadian_compress(std::uint8_t* block, std::int32_t* samples, long* block_length, long n,
                      std::int32_t next_sample);

// Read-samples step of pass 1: reads one subframe's channel data from `in`
// (positioned at the data; transformation 0 = n plain little-endian int32,
// 1 = a Canadian block of data_size bytes padded to a multiple of 4) and appends the
// n samples as little-endian int32 to the SUDS file `descriptor` with suds_write_data.
// Returns 1 on success; 0 on failure after writing its message to standard error
// ("ERROR: read error\n", "ERROR: decompression error\n", "\n%s\n" with the SUDS error
// text, or an "ERROR: ..." line for an unsupported transformation or a subframe beyond
// the buffer limits: n outside 0..120000, data_size outside 0..480000).
int canadian_read_samples(std::FILE* in, int transformation, long n, long data_size,
                          int descriptor);
