#include "assembly.h"

#include "canadian.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "run.h"
#include "sample_writer.h"
#include "staging.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kMaxSudsBytes = std::numeric_limits<std::int32_t>::max();

void suds_fail() {
    g_run.progress.hide();
    std::fprintf(stderr, "\n%s\n", suds_error_text());
}

} // namespace

char component_letter(const char name[3]) {
    for (int i = 0; i < 3; ++i) {
        const char c = name[i];
        if (c == 'z' || c == 'Z' || c == 'v' || c == 'V')
            return 'V';
    }
    return name[2] != '\0' ? name[2] : name[0];
}

char sensor_letter(int sensor_type) {
    static const char letters[] = {'s', 'h', 'i', 'w', 'o', 'v', 'a'};
    if (sensor_type < 0 || sensor_type > 6)
        return '_';
    return letters[sensor_type];
}

std::string location_file_name(const std::string& work_name, const char location[2]) {
    // A character that cannot stand in a file name is written as '_'.
    std::string tag = "_";
    tag += platform::file_name_char(location[0]);
    if (location[1] != ' ')
        tag += platform::file_name_char(location[1]);
    const auto dot = platform::extension_dot(work_name);
    if (dot == std::string::npos)
        return work_name + tag;
    return work_name.substr(0, dot) + tag + work_name.substr(dot);
}

ChannelAssembly::ChannelAssembly(AssemblySettings settings)
    : settings_(std::move(settings)), writer_(std::make_unique<SampleWriter>()) {}

ChannelAssembly::~ChannelAssembly() {
    reset();
}

bool ChannelAssembly::drain() {
    return writer_->drain();
}

void ChannelAssembly::say(const char* fmt, ...) {
    if (quiet_)
        return;
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat_text(fmt, ap);
    va_end(ap);
    report("%s", text.c_str());
}

void ChannelAssembly::suds_failed() {
    if (!quiet_)
        suds_fail();
}

bool ChannelAssembly::start_channel(const std::string& work_name, int k,
                                    const RecorderSubframe& sf) {
    if (!drain())
        return false;
    reset();
    std::string name =
        settings_.location_split ? location_file_name(work_name, sf.location) : work_name;
    if (platform::same_file(name, settings_.input_name)) {
        say("\nERROR: SUDS file would overwrite the input file: %s\n", name.c_str());
        return false;
    }
    // Names the system does not tell apart (on Windows "A1" and "a1") are one
    // file: it is appended to, never created again over its first channels.
    const auto it = std::find_if(work_files_.begin(), work_files_.end(), [&](const std::string& w) {
        return w == name || platform::same_file(w, name);
    });
    const bool reopen = it != work_files_.end();
    if (reopen)
        name = *it;
    // SUDS positions are 32-bit: the file must stay below 2 GiB.
    // SUDS output (-suds) is written under its staging name until pass 1 succeeds;
    // a work file for pass 2 is written under its own name.
    const std::string path = settings_.staged ? staging_name(name) : name;
    const std::int64_t length = reopen ? platform::file_length(path) : 0;
    const std::int64_t size = length > 0 ? length : 0;
    if (size + 2 * SUDS_TAG_SIZE + SUDS_SIZE_STATION_COMP + SUDS_SIZE_DESCRIP_TRACE +
            4 * static_cast<std::int64_t>(sf.samples) >
        kMaxSudsBytes) {
        say("\nERROR: SUDS file would grow past 2 GiB: %s\n", name.c_str());
        return false;
    }
    int fd;
    if (reopen) {
        fd = suds_open(path.c_str(), SUDS_MODE_APPEND);
    } else {
        fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
        if (fd > 0)
            work_files_.push_back(name);
    }
    if (fd <= 0) {
        suds_failed();
        return false;
    }
    fd_ = fd;
    k_ = k;
    file_name_ = name;

    const double start = recorder_time_to_suds(sf.time_stamp);
    const double whole = std::trunc(start);
    const std::int32_t effective = (whole >= std::numeric_limits<std::int32_t>::min() &&
                                    whole <= std::numeric_limits<std::int32_t>::max())
                                       ? static_cast<std::int32_t>(whole)
                                       : SUDS_NULL_TIME;

    char station[8];
    std::snprintf(station, sizeof station, "CH%d", k);
    station[4] = '\0';
    const char comp = component_letter(sf.channel);
    SudsLongStationIdentifier long_id;
    long_id.long_network = "NET";
    long_id.long_station.assign(sf.site, strnlen(sf.site, 5));
    long_id.long_component.assign(sf.channel, strnlen(sf.channel, 3));

    SudsRecord rec;
    rec.type = SUDS_STATION_COMP;
    suds_init_struct(&rec);
    SudsStationComp sc;
    suds_get_station_comp(rec.body, &sc);
    sc.station.network = "NET";
    sc.station.station_name = station;
    sc.station.component = comp;
    sc.latitude = sf.latitude;
    sc.longitude = sf.longitude;
    sc.elevation = sf.elevation;
    if (sf.sensor_type <= 6)
        sc.sensor_type = sensor_letter(sf.sensor_type);
    sc.data_type = 'l';
    sc.data_units = 'd';
    sc.conversion_to_mvolts = static_cast<float>(sf.bit_weight * 1000.0);
    sc.channel = static_cast<int16_t>(k + 1);
    sc.atod_gain = 1;
    // The effective date is a whole-second field.
    sc.effective_date = effective;
    sc.long_station = long_id;
    suds_record_put(sc, 0, &rec);
    if (suds_write_struct(fd, &rec) != 1) {
        suds_failed();
        return false;
    }

    rec.type = SUDS_DESCRIP_TRACE;
    suds_init_struct(&rec);
    SudsDescripTrace dt;
    suds_get_descrip_trace(rec.body, &dt);
    dt.station = sc.station;
    dt.long_station = long_id;
    // The trace keeps the milliseconds of its first time stamp: cutting them
    // would shift every sample of the channel.
    dt.initial_sample_time = start;
    dt.data_type = 'l';
    dt.number_of_samples = sf.samples;
    dt.samples_per_second = static_cast<float>(sf.samples * 1000.0 / sf.time_length_ms);
    dt.minimum_data_value = -8388068.0f;
    dt.maximum_data_value = 8388067.0f;
    dt.average_noise = 0.0f;
    dt.time_correction = 0.0;
    dt.rate_correction = 0.0f;
    suds_record_put(dt, 4 * sf.samples, &rec);
    if (suds_write_struct(fd, &rec) != 1) {
        suds_failed();
        return false;
    }
    trace_ = dt;
    total_ = sf.samples;
    rate_ = dt.samples_per_second;
    // Samples are only appended from here on, so the position is counted
    // rather than asked of the stream for every subframe.
    const std::int32_t pos = suds_file_position(fd_);
    if (pos < 0) {
        suds_failed();
        return false;
    }
    position_ = pos;
    return true;
}

bool ChannelAssembly::add_samples(long n) {
    if ((total_ + n) * 4 > kMaxSudsBytes) {
        say("\nERROR: Channel %d holds more samples than one SUDS trace can take (%lld): %s\n",
            k_ + 1, static_cast<long long>(total_ + n), file_name_.c_str());
        return false;
    }
    total_ += n;
    return true;
}

int append_subframe_samples(const std::uint8_t* data, int transformation, long n, long data_size,
                            int descriptor, SampleScratch& scratch) {
    std::string error;
    const int r = append_subframe_samples_text(data, transformation, n, data_size, descriptor,
                                               scratch, &error);
    if (r != 1) {
        g_run.progress.hide();
        std::fputs(error.c_str(), stderr);
    }
    return r;
}

int append_subframe_samples_text(const std::uint8_t* data, int transformation, long n,
                                 long data_size, int descriptor, SampleScratch& scratch,
                                 std::string* error) {
    char text[128];
    if (transformation != 0 && transformation != 1) {
        std::snprintf(text, sizeof text, "ERROR: unsupported data transformation: %d\n",
                      transformation);
        *error = text;
        return 0;
    }
    if (n < 0 || n > kMaxSubframeSamples || data_size < 0 || data_size > kMaxSubframeDataBytes) {
        std::snprintf(text, sizeof text, "ERROR: subframe too large: %ld samples, %ld bytes\n", n,
                      data_size);
        *error = text;
        return 0;
    }
    if (data == nullptr) {
        *error = "ERROR: read error\n";
        return 0;
    }
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    const std::uint8_t* out =
        data; // plain samples are little-endian int32 already, as the work file wants them
    if (transformation == 1) {
        if (scratch.samples.size() < static_cast<std::size_t>(kMaxSubframeSamples)) {
            scratch.samples.resize(static_cast<std::size_t>(kMaxSubframeSamples));
            if constexpr (std::endian::native != std::endian::little)
                scratch.bytes.resize(static_cast<std::size_t>(kMaxSubframeSamples) * 4);
        }
        std::int32_t next = 0;
        // A subframe without samples has nothing to decode, whatever its block holds.
        if (n > 0 &&
            canadian_decompress(data, scratch.samples.data(), data_size, n, &next) != CANADIAN_OK) {
            *error = "ERROR: decompression error\n";
            return 0;
        }
        if constexpr (std::endian::native == std::endian::little) {
            // The decoded samples are their own little-endian bytes.
            out = reinterpret_cast<const std::uint8_t*>(scratch.samples.data());
        } else {
            std::uint8_t* le = scratch.bytes.data();
            for (long k = 0; k < n; ++k)
                put_le_i32(le + 4 * k, scratch.samples[static_cast<std::size_t>(k)]);
            out = le;
        }
    }
    // One write for the subframe: the same bytes as one write per sample.
    if (bytes > 0 && suds_write_data(descriptor, out, static_cast<std::int32_t>(bytes)) != 1) {
        *error = std::string("\n") + suds_error_text() + "\n";
        return 0;
    }
    return 1;
}

bool ChannelAssembly::append_samples(const std::uint8_t* data, const RecorderSubframe& sf) {
    if (position_ + 4 * static_cast<std::int64_t>(sf.samples) > kMaxSudsBytes) {
        report("\nERROR: SUDS file would grow past 2 GiB: %s\n", file_name_.c_str());
        return false;
    }
    if (data == nullptr) {
        // The file ends inside the data: after what was handed over, as the step says.
        if (!drain())
            return false;
        SampleScratch none;
        return append_subframe_samples(data, sf.transformation, sf.samples, sf.data_size, fd_,
                                       none) == 1;
    }
    writer_->submit(fd_, data, static_cast<std::size_t>(subframe_data_bytes(sf)), sf.transformation,
                    sf.samples, sf.data_size);
    position_ += 4 * static_cast<std::int64_t>(sf.samples);
    return true;
}

bool ChannelAssembly::finish_channel(float bit_weight) {
    if (!drain())
        return false;
    if (fd_ <= 0) {
        // No subframe was read for the channel; nothing to finish.
        return false;
    }
    trace_.number_of_samples = static_cast<std::int32_t>(total_);
    SudsRecord rec;
    suds_record_put(trace_, static_cast<std::int32_t>(4 * total_), &rec);
    if (suds_update(fd_, &rec) != 1 || suds_flush(fd_) != 1) {
        suds_failed();
        return false;
    }
    suds_close(fd_);
    fd_ = 0;
    bit_weights_.push_back(bit_weight);
    return true;
}

void ChannelAssembly::reset() {
    // Nothing may still be writing to the descriptor when it closes.
    drain();
    if (fd_ > 0)
        suds_close(fd_);
    fd_ = 0;
    k_ = -1;
    file_name_.clear();
    trace_ = SudsDescripTrace{};
    total_ = 0;
    rate_ = 0.0;
}
