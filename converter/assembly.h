// Channel assembly: one recorder channel becomes a StationComp, a
// DescripTrace and its samples in a SUDS work file (one work file per
// location code with the location split).
#pragma once

#include "recorder_layout.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include <suds/suds.h>

// SUDS time of a recorder time text "yyyyddd hh:mm:ss.ttt", milliseconds
// kept; 0.0 when the text is not a valid time.
double recorder_time_to_suds(const char* text);

// Component letter of a recorder channel name (3 characters): 'V' when any
// character is z, Z, v or V; else the third character, or the first when
// the third is a zero byte.
char component_letter(const char name[3]);

// SUDS "sensor type" letter of a recorder sensor type; '_' for unknown ones.
char sensor_letter(int sensor_type);

// Work file of a location: "rec.suds" and location "00" give "rec_00.suds";
// a location of '1' and a blank gives "rec_1.suds".
std::string location_file_name(const std::string& work_name, const char location[2]);

// Opens (or reopens for appending) the work file of channel k and writes its
// StationComp and DescripTrace, built from the channel's first subframe.
// true on success; false after its message.
bool assembly_start_channel(const std::string& work_name, int k, const RecorderSubframe& sf);

// Adds a later subframe's n to the channel's sample total. true on success;
// false after its message when the trace would pass its 32-bit data length.
bool assembly_add_samples(long n);

// Reads the subframe's channel data from in and appends its samples to the
// channel's work file. true on success; false after its message.
bool assembly_append_samples(std::FILE* in, const RecorderSubframe& sf);

// Completes the DescripTrace with the final count, flushes and closes the
// file and records the channel's bit weight. true on success; false after
// its message.
bool assembly_finish_channel(float bit_weight);

// The channel open now (or last finished): its work file, sample total and rate.
const std::string& assembly_file_name();
std::int64_t assembly_sample_total();
double assembly_rate();
bool assembly_channel_open();

// Closes a channel left open by a failure and forgets it (for tests and error paths).
void assembly_reset();
