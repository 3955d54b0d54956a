// A recorder file built byte by byte for the catalogue: the frame header, the
// data frame header with the channel string, then the subframes of every
// channel interleaved group by group. Plain or Canadian-compressed samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Signal { Ramp, Walk, FullRange };

struct RecChannel {
    std::string site = "TALV1";
    std::string name = "BHZ";
    std::string location = "00";
    bool compressed = true;
};

struct Recording {
    std::vector<RecChannel> channels;
    int declared_channels = -1; // N in the header; -1: the number of channels
    int frame_type = 5;
    std::string recording_type = "FILE_CON";
    int samples = 20; // per subframe, a multiple of 20 when compressed
    int subframe_ms = 1000;
    int subframes = 3; // complete groups
    std::int64_t start_ms = 1158920430750LL;
    Signal signal = Signal::Ramp;
    int amplitude = 1000;
    int status_size = 48;
    int auth_size = 0;
    int data_size_delta = 0; // added to the data size of plain subframes
    float bit_weight = 1.0e-6f;
};

// The bytes of the whole file.
std::string recorder_bytes(const Recording& rec);
