// Byte layout of a recorder CD1.1 file. Every binary field is little-endian
// (two's-complement int32, IEEE single floats); text fields are fixed-width
// ASCII without a terminator.
//
// File header (offset: size field)
//   0: 4 frame type (5 = data frame)     4: 4 trailer offset (trigger channel)
//   8: 8 frame creator (site)            16: 8 frame destination (recording type)
//  24: 4 sequence number, first half     28: 4 sequence, second half (trigger ms)
//  32: 4 series (trigger seconds since 1970)
//  36: 4 number of channels N            40: 4 frame time length
//  44: 20 nominal time "yyyyddd hh:mm:ss.ttt"
//  64: 4 channel string count L          68: 10 N channel string, L mod 4 padding
//
// Channel subframe, fixed part (64 bytes)
//   0: 4 channel length (bytes of the rest of the subframe)
//   4: 4 authentication offset   8: 1 authentication   9: 1 transformation
//  10: 1 sensor type            11: 1 option flag
//  12: 5 site  17: 3 channel name  20: 2 location  22: 2 data format
//  24: 4 calibration factor (float)  28: 4 calibration period (float)
//  32: 20 time stamp  52: 4 subframe time length ms  56: 4 samples n
//  60: 4 channel status size S
// then S bytes of channel status, 4 bytes data size D, D bytes of data padded
// to a multiple of 4, and the trailer: subframe count, authentication key
// identifier, authentication size A, A bytes padded to a multiple of 4.
//
// Channel status: 3: miscellaneous status (2 = GPS off, 4 = GPS unlocked),
// 28: clock differential (int32, microseconds), 32: latitude, 36: longitude,
// 40: elevation, 44: bit weight (floats).
#pragma once

#include "byte_order.h"

#include <cstdint>
#include <cstring>

inline constexpr int kFrameHeaderSize = 36;
inline constexpr int kDataFrameHeaderSize = 32;
inline constexpr int kChannelEntrySize = 10;
inline constexpr int kSubframeFixedSize = 64;
inline constexpr int kStatusFixedSize = 32;
inline constexpr int kTrailerSize = 12;
inline constexpr int kTimeStampSize = 20;

inline constexpr int kMaxRecorderChannels = 20;
// Limits of one subframe: samples, and bytes of channel data.
inline constexpr long kMaxSubframeSamples = 120000;
inline constexpr long kMaxSubframeDataBytes = 480000;
inline constexpr int kMaxSubframesPerChannel = 86400;

inline constexpr std::uint8_t kGpsOffBit = 2;
inline constexpr std::uint8_t kGpsUnlockedBit = 4;

// Bytes of n rounded up to a multiple of 4.
inline constexpr long long pad4(long long n) {
    return (n + 3) / 4 * 4;
}

// The fixed part of a channel subframe and the channel status, as read.
struct RecorderSubframe {
    std::int32_t channel_length = 0;
    std::uint8_t authentication = 0;
    std::uint8_t transformation = 0;
    std::uint8_t sensor_type = 0;
    std::uint8_t option_flag = 0;
    char site[5] = {};
    char channel[3] = {};
    char location[2] = {};
    float calib_factor = 0.0f;
    float calib_period = 0.0f;
    char time_stamp[kTimeStampSize] = {};
    std::int32_t time_length_ms = 0;
    std::int32_t samples = 0;
    std::int32_t status_size = 0;
    // channel status
    std::uint8_t misc_status = 0;
    std::int32_t clock_diff = 0;
    float latitude = 0.0f, longitude = 0.0f, elevation = 0.0f, bit_weight = 0.0f;
    std::int32_t data_size = 0;
};

// Decodes the 64-byte fixed part (status and data size are read separately).
inline void recorder_parse_fixed(const std::uint8_t* p, RecorderSubframe* sf) {
    sf->channel_length = get_le_i32(p + 0);
    sf->authentication = p[8];
    sf->transformation = p[9];
    sf->sensor_type = p[10];
    sf->option_flag = p[11];
    std::memcpy(sf->site, p + 12, 5);
    std::memcpy(sf->channel, p + 17, 3);
    std::memcpy(sf->location, p + 20, 2);
    sf->calib_factor = get_le_f32(p + 24);
    sf->calib_period = get_le_f32(p + 28);
    std::memcpy(sf->time_stamp, p + 32, kTimeStampSize);
    sf->time_length_ms = get_le_i32(p + 52);
    sf->samples = get_le_i32(p + 56);
    sf->status_size = get_le_i32(p + 60);
}

// Bytes of channel data the samples step takes from a subframe: n plain
// samples (whatever the data size says), or the Canadian block padded to a
// multiple of 4.
inline long long subframe_data_bytes(const RecorderSubframe& sf) {
    return sf.transformation == 0 ? 4LL * sf.samples : pad4(sf.data_size);
}

// The parts of a recorder time text "yyyyddd hh:mm:ss.ttt". Every value is
// read with a character that is not a digit counted as 0; `digits` tells
// whether every one was a digit.
struct RecorderTime {
    int year = 0, day_of_year = 0, hour = 0, minute = 0, second = 0, ms = 0;
    bool digits = false;
};

RecorderTime recorder_time_parse(const char* text);

// SUDS time of a recorder time text, milliseconds kept; 0.0 when the text is
// not a valid time.
double recorder_time_to_suds(const char* text);
