// The verbose report of pass 1: the recorder file's header and one block per
// channel, as report messages.
#pragma once

#include "recorder_layout.h"

#include <cstdint>
#include <string>

// What the file header says, as read.
struct RecorderHeader {
    std::int32_t frame_type = 0, trigger_channel = 0, trigger_ms = 0, series = 0;
    char creator[8] = {}, destination[8] = {};
    std::int32_t channels = 0;
    char nominal_time[kTimeStampSize] = {};
    bool event = false;       // the recording type is "FILE_EVT"
    std::string trigger_text; // event recordings: the trigger time as reported
};

// "Site Name" and "Recording Type" lines.
void report_site_and_type(const RecorderHeader& h);

// "Number of Channels" and the start of the "Start Time" line, which the
// first channel's block completes with its duration.
void report_channel_count_and_start(const RecorderHeader& h);

// The trigger time of an event recording: "m/d/yyyy h:m:ss.sss".
std::string recorder_trigger_text(std::int32_t series, std::int32_t ms);

// Text of a SUDS time for warnings: yyyy/mm/dd hh:mm:ss.sss.
std::string report_time_text(double t);

// What a channel's block reports besides its last subframe.
struct ChannelSummary {
    int k = 0;                // channel index (from 0)
    double rate = 0.0;        // samples per second as stored
    std::int64_t samples = 0; // the channel's sample total
    const std::string* output_file =
        nullptr; // named after the block (location split with -suds), or null
};

// The block of channel k (the first one also completes the start line and
// gives the site's position and clock).
void report_channel(const RecorderHeader& h, const RecorderSubframe& sf, const ChannelSummary& c);
