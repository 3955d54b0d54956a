// Writer of synthetic recorder files in the layout the reader expects, from a
// short description. Used by cd11gen, the tests and the benchmarks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class GenSignal { Sine, RandomWalk, Constant, Steps, FullRange };

struct GenChannel {
    std::string site = "TALV1";  // 5 characters, blank padded
    std::string name = "BHZ";    // 3 characters
    std::string location = "00"; // 2 characters
    int sensor_type = 0;         // 0 seismic .. 6 acceleration
    bool compressed = true;      // transformation 1 (Canadian) or 0 (plain)
    bool calib_option = false;   // option flag 1: calibration factor and period valid
    float calib_factor = 0.0f;
    float calib_period = 0.0f;
    int transformation = -1; // written as is when >= 0 (for refusal tests)
};

struct RecorderPlan {
    std::vector<GenChannel> channels;
    std::optional<int> declared_channels; // N written in the header; default channels.size()
    int frame_type = 5;
    std::string site = "TALV1"; // frame creator
    std::string recording_type = "FILE_CON";
    int trigger_channel = 0;       // event recordings: first triggered channel (7: external)
    std::int64_t trigger_time = 0; // seconds since 1970
    int trigger_ms = 0;

    double rate = 100.0;        // samples per second
    int subframe_ms = 1000;     // subframe time length written
    long samples_override = -1; // n per subframe when >= 0, else rate * subframe_ms / 1000
    int subframes = 10;         // complete groups
    int partial_group = 0;      // channels 1..k of one more, incomplete group
    std::int64_t start_ms = 0;  // time of the first sample, ms since 1970

    GenSignal signal = GenSignal::Sine;
    double amplitude = 1000.0;
    std::uint32_t seed = 1;

    int status_size = 48;
    int auth_size = 0;
    int authentication = 0; // authentication byte
    float latitude = 0.0f, longitude = 0.0f, elevation = 0.0f;
    std::uint8_t misc_status = 0; // GPS bits
    std::int32_t clock_diff = 0;
    float bit_weight = 1.0e-6f;

    int gap_at = -1; // subframes from this index on are stamped gap_ms later
    int gap_ms = 0;
    long data_size_delta = 0; // added to every written data size D (plain channels)
};

// Samples per subframe of the description.
std::int64_t recorder_plan_samples(const RecorderPlan& plan);

// The samples of one channel, in order; next() gives the following one.
class GenSignalStream {
  public:
    GenSignalStream(const RecorderPlan& plan, int channel);
    std::int32_t next();

  private:
    GenSignal signal_;
    double amplitude_;
    double rate_;
    int channel_;
    std::uint64_t index_ = 0;
    std::uint64_t rng_;
    std::int64_t walk_ = 0;
};

// Formats ms since 1970 as the recorder time text "yyyyddd hh:mm:ss.ttt".
std::string recorder_time_text(std::int64_t ms);

// Writes the file. true on success; false with *error set.
bool recorder_write(const RecorderPlan& plan, const std::string& path, std::string* error);

// All samples that recorder_write stores for channel c (for comparisons).
std::vector<std::int32_t> recorder_channel_samples(const RecorderPlan& plan, int channel);
