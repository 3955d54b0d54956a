// The fixed header of a 4096-byte Mini-SEED data record (no blockettes) and its
// BTIME start time. All values big-endian.
//
//   0  6  sequence number, six digits ("%06ld")     30 2 number of samples (uint16)
//   6  1  quality indicator 'D'                     32 2 sample rate factor (int16)
//   7  1  reserved, blank                           34 2 sample rate multiplier (int16)
//   8  5  station code, blank padded                36 3 activity, I/O, quality flags: 0
//  13  2  location code, blank padded               39 1 number of blockettes: 0
//  15  3  channel code, blank padded                40 4 time correction, 0.0001 s (int32)
//  18  2  network code, blank padded                44 2 beginning of data: 64
//  20 10  record start time (BTIME)                 46 2 first blockette: 0
//                                                   48 16 zero; 64.. Steim-1 frames
// BTIME: 0 year (uint16), 2 day of year (uint16), 4 hour, 5 minute, 6 second,
//        7 zero, 8 fraction in 0.0001 s (uint16).
#pragma once

#include <cstdint>

// Header fields the writer supplies (steim_compress_record sets the others).
struct MseedHeader {
    long sequence_number = 1; // 1..999999; larger values wrap (see mseed_sequence_text)
    const char* station = ""; // codes, cut to their widths, blank padded
    const char* location = "";
    const char* channel = "";
    const char* network = "";
    std::int64_t start_us = 0;    // record start, microseconds since 1970-01-01 00:00:00
    double rate = 0.0;            // samples per second
    double time_correction = 0.0; // seconds
};

// The SUDS time t to the nearest microsecond (non-finite or out-of-range values give 0).
std::int64_t mseed_time_us(double t);

// Writes the 10-byte BTIME of a time in microseconds: whole second split into
// calendar parts (Gregorian day of year), fraction truncated to 0.0001 s.
void mseed_put_btime(std::int64_t us, std::uint8_t* out);

// Rate factor and multiplier that represent `rate`: factor = 10 x rate truncated,
// multiplier -10, where that fits (the float error of a 32-bit rate is taken off
// first, so 40.1f gives 401); rates of 3276.8 and more as a whole factor with a
// positive multiplier (rounded to whole samples per second: 5000 gives 5000 x 1,
// 100000 gives 10000 x 10); rates below 0.1 as a period in whole seconds (negative
// factor, multiplier 1); 0 and 0 for a rate that is not a positive finite number.
void mseed_rate_factors(double rate, std::int16_t* factor, std::int16_t* multiplier);

// The sequence number as its 6 characters: numbers past 999999 wrap round to
// 000001 (sequence 1000000 is written 000001), so the field never overflows.
void mseed_sequence_text(long sequence, char out[7]);

// Sets every header field except those of steim_compress_record (bytes 6, 7, 30-31,
// 39, 44-47); bytes 48-63 become zero.
void mseed_put_header(const MseedHeader& h, std::uint8_t* record);
