// Steim-1 compression of one 4096-byte Mini-SEED data record.
//
// The data part is 63 frames of 64 bytes from offset 64; each frame is 16
// big-endian 32-bit words, word 0 the control word holding a 2-bit code per
// word (word k at bits 31-2k and 30-2k): 0 none, 1 four 8-bit differences,
// 2 two 16-bit differences, 3 one 32-bit difference. Frame 0 words 1 and 2 hold
// X0 (first sample) and Xn (last sample); its differences start at word 3.
#pragma once

#include <cstdint>

inline constexpr int MSEED_RECORD_SIZE = 4096;
inline constexpr int STEIM_DATA_OFFSET = 64;
inline constexpr int STEIM_FRAMES = 63;
inline constexpr int STEIM_MAX_SAMPLES = 3772; // every difference 8-bit
inline constexpr int STEIM_MAX_INPUT = 4096;

// Encodes as many of samples[0..n-1] (n at most 4096) as fit into the data part of
// `record` (4096 bytes; frames not used are zero) and sets header bytes 6 ('D'),
// 7 (blank), 30-31 (number of samples), 39 (0) and 44-47 (data at 64, no
// blockette). Returns the number of samples encoded: 1..n when n >= 1, else 0.
int steim_compress_record(const std::int32_t* samples, int n, std::uint8_t* record);

// Decodes a record into out, which must hold the record's number of samples
// (bytes 30-31, at most 65535). Returns that number. A record whose frames hold
// fewer differences, or whose last sample differs from Xn, gives a WARNING report
// message; decoding goes on.
int steim_decompress_record(const std::uint8_t* record, std::int32_t* out);
