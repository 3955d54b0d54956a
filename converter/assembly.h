// Channel assembly: one recorder channel becomes a StationComp, a
// DescripTrace and its samples in a SUDS work file (one work file per
// location code with the location split). Pass 1 keeps one ChannelAssembly
// for the run and hands it each subframe's channel data.
#pragma once

#include "recorder_layout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <suds/suds.h>

// Component letter of a recorder channel name (3 characters): 'V' when any
// character is z, Z, v or V; else the third character, or the first when
// the third is a zero byte.
char component_letter(const char name[3]);

// SUDS "sensor type" letter of a recorder sensor type; '_' for unknown ones.
char sensor_letter(int sensor_type);

// Work file of a location: "rec.suds" and location "00" give "rec_00.suds";
// a location of '1' and a blank gives "rec_1.suds".
std::string location_file_name(const std::string& work_name, const char location[2]);

// Buffers of the samples step, kept for the run so that no subframe allocates.
struct SampleScratch {
    std::vector<std::int32_t> samples;
    std::vector<std::uint8_t> bytes;
};

// The samples step: one subframe's channel data appended to the SUDS file
// `descriptor` as n little-endian int32. `data` holds the
// subframe_data_bytes of the subframe (transformation 0: n plain
// little-endian int32; 1: a Canadian block of data_size bytes, padded), or
// is null when the file ends before them. Returns 1 on success; 0 after its
// message on standard error ("ERROR: read error\n", "ERROR: decompression
// error\n", "\n%s\n" with the SUDS error text, or an "ERROR: ..." line for an
// unsupported transformation or a subframe beyond the limits).
int append_subframe_samples(const std::uint8_t* data, int transformation, long n, long data_size,
                            int descriptor, SampleScratch& scratch);

// The same step with its message given in *error instead of written.
int append_subframe_samples_text(const std::uint8_t* data, int transformation, long n,
                                 long data_size, int descriptor, SampleScratch& scratch,
                                 std::string* error);

class SampleWriter;

// What the assembly needs of the run.
struct AssemblySettings {
    std::string input_name;      // never written over
    bool staged = false;         // -suds: work files are written under their staging names
    bool location_split = false; // one work file per location code
};

class ChannelAssembly {
  public:
    explicit ChannelAssembly(AssemblySettings settings);
    ~ChannelAssembly();
    ChannelAssembly(const ChannelAssembly&) = delete;
    ChannelAssembly& operator=(const ChannelAssembly&) = delete;

    // Opens (or reopens for appending) the work file of channel k and writes
    // its StationComp and DescripTrace, built from the channel's first
    // subframe. true on success; false after its message.
    bool start_channel(const std::string& work_name, int k, const RecorderSubframe& sf);

    // Adds a later subframe's n to the channel's sample total. true on
    // success; false after its message when the trace would pass its 32-bit
    // data length.
    bool add_samples(long n);

    // Appends the subframe's samples from its channel data (see
    // append_subframe_samples; null data: the file ended). The samples step
    // may still be running when this returns (see drain). true on success;
    // false after its message.
    bool append_samples(const std::uint8_t* data, const RecorderSubframe& sf);

    // Waits until the samples handed over are in the work file. true when
    // they are; false after the failing step's message.
    bool drain();

    // Completes the DescripTrace with the final count, flushes and closes the
    // file and records the channel's bit weight. true on success; false after
    // its message.
    bool finish_channel(float bit_weight);

    // The channel open now (or last finished): its work file, sample total and rate.
    const std::string& file_name() const { return file_name_; }
    std::int64_t sample_total() const { return total_; }
    double rate() const { return rate_; }
    bool channel_open() const { return fd_ > 0; }
    // Where the open channel's next samples go in its work file.
    std::int64_t data_position() const { return position_; }

    // Work files created, in order of creation, and the bit weight of each
    // finished channel.
    const std::vector<std::string>& work_files() const { return work_files_; }
    const std::vector<double>& bit_weights() const { return bit_weights_; }

    // Closes a channel left open by a failure and forgets it.
    void reset();

    // Quiet: failures are returned without a message (the caller retries the
    // work another way, which gives the message).
    void set_quiet(bool quiet) { quiet_ = quiet; }

  private:
    AssemblySettings settings_;
    int fd_ = 0;                // SUDS descriptor of the open channel, 0 when none
    int k_ = -1;                // channel index
    std::string file_name_;     // its work file
    SudsDescripTrace trace_;    // the DescripTrace being built
    std::int64_t total_ = 0;    // running sample total
    std::int64_t position_ = 0; // where the next samples go in the work file
    double rate_ = 0.0;         // samples per second as stored
    std::vector<std::string> work_files_;
    std::vector<double> bit_weights_;
    std::unique_ptr<SampleWriter> writer_;
    bool quiet_ = false;

    void say(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void suds_failed();
};
