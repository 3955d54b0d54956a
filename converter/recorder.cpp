#include "recorder.h"

#include "assembly.h"
#include "recorder_input.h"
#include "recorder_layout.h"
#include "run.h"
#include "staging.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

enum SkipResult { kSkipOk, kSkipEnd, kSkipError };

struct Reader {
    RecorderInput* in = nullptr;
    std::FILE* f = nullptr;
    std::string name;
    std::string work_name;
    long long file_size = 0;
    long long pos = 0; // position in the file, kept here so that no step asks the system
    // Offsets of the file's subframes as their length fields chain them
    // (chain[0] is the first subframe), learnt by the walks and reused by
    // later ones, so that each channel's walk touches only its own
    // subframes. chain_index is i while pos == chain[i], else -1. Bounded by
    // the subframes any channel may read.
    std::vector<long long> chain;
    long long chain_index = -1;
    long long progress_base = 0; // walk bytes of the channels before this one
    // file header
    std::int32_t frame_type = 0, trigger_channel = 0, trigger_ms = 0, series = 0;
    char creator[8] = {}, destination[8] = {};
    std::int32_t channels = 0;
    char nominal_time[kTimeStampSize] = {};
    bool event = false;
    std::string trigger_text;
    // last subframe read; its floats persist over the whole run
    RecorderSubframe sf;
    // Warnings found while a channel is read, reported after its block so
    // that no report line is split.
    std::vector<std::string> warnings;
};

void defer_warning(Reader& r, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void defer_warning(Reader& r, const char* fmt, ...)
{
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, fmt, again);
    va_end(again);
    r.warnings.push_back(std::move(text));
}

bool read_exact(Reader& r, void* buf, std::size_t n)
{
    const std::size_t got = std::fread(buf, 1, n, r.f);
    r.pos += static_cast<long long>(got);
    return got == n;
}

// Passes over n bytes. The file is opened read-only and does not change, so
// a seek checked against its size finds the same truncation a read would.
bool skip_bytes(Reader& r, long long n)
{
    if (n < 0 || r.pos + n > r.file_size)
        return false;
    if (n == 0)
        return true;
    // Relative to the present position: within the stream buffer no system call is made.
    if (std::fseek(r.f, static_cast<long>(n), SEEK_CUR) != 0)
        return false;
    r.pos += n;
    return true;
}

constexpr std::size_t kChainLimit =
    static_cast<std::size_t>(kMaxRecorderChannels) * (kMaxSubframesPerChannel + 1) + 1;

// Records that the walk moved from chain entry `from` (or from off the
// chain, -1) to position to, having passed one subframe.
void chain_step(Reader& r, long long from, long long to)
{
    if (from >= 0 && static_cast<std::size_t>(from) + 1 < r.chain.size()) {
        r.chain_index = r.chain[static_cast<std::size_t>(from) + 1] == to ? from + 1 : -1;
    } else if (from >= 0 && static_cast<std::size_t>(from) + 1 == r.chain.size() && r.chain.size() < kChainLimit) {
        r.chain.push_back(to);
        r.chain_index = from + 1;
    } else {
        r.chain_index = -1;
    }
}

// Skips m subframes by their length fields, read straight from the input's
// window (or known from an earlier walk); the stream is moved once, behind
// the last one.
SkipResult skip_subframes(Reader& r, int m)
{
    long long p = r.pos;
    SkipResult result = kSkipOk;
    for (int i = 0; i < m; ++i) {
        if (p == r.file_size) {
            result = kSkipEnd;
            break;
        }
        const long long idx = r.chain_index;
        if (idx >= 0 && static_cast<std::size_t>(idx) + 1 < r.chain.size()) {
            p = r.chain[static_cast<std::size_t>(idx) + 1];
            r.chain_index = idx + 1;
            continue;
        }
        std::uint8_t b[4];
        if (!r.in->peek(p, b, 4)) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return kSkipError;
        }
        const std::int32_t len = get_le_i32(b);
        if (len < 0) {
            report("ERROR: Invalid subframe length %d in: %s\n", len, r.name.c_str());
            return kSkipError;
        }
        if (p + 4 + len > r.file_size) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return kSkipError;
        }
        p += 4 + static_cast<long long>(len);
        chain_step(r, idx, p);
    }
    if (p != r.pos) {
        if (std::fseek(r.f, static_cast<long>(p), SEEK_SET) != 0) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return kSkipError;
        }
        r.pos = p;
    }
    return result;
}

void report_recording_type(Reader& r)
{
    const char* text = "Recording Type: Unknown\n";
    if (std::memcmp(r.destination, "FILE_CON", 8) == 0) {
        text = "Recording Type: Continuous\n";
    } else if (std::memcmp(r.destination, "FILE_EVT", 8) == 0) {
        text = "Recording Type: Event\n";
        r.event = true;
    } else if (std::memcmp(r.destination, "FILE_CAL", 8) == 0) {
        text = "Recording Type: Calibration\n";
    } else if (std::memcmp(r.destination, "FILE_SOH", 8) == 0) {
        text = "Recording Type: SOH\n";
    }
    report("%s", text);
}

// Month and day of a recorder time text's day of year (Julian leap rule).
void text_month_day(const char* text, int* month, int* day)
{
    int year = 0, doy = 0;
    for (int i = 0; i < 4; ++i)
        year = year * 10 + (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0);
    for (int i = 4; i < 7; ++i)
        doy = doy * 10 + (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0);
    month_and_day(doy, is_leap_year(static_cast<int16_t>(year), SUDS_JULIAN), month, day);
}

std::string make_trigger_text(std::int32_t series, std::int32_t ms)
{
    const std::time_t t = series;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%d:%6.3f", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec + ms / 1000.0);
    return buf;
}

// Text of a SUDS time for warnings: yyyy/mm/dd hh:mm:ss.sss.
std::string time_text(double t)
{
    int16_t y, mo, d, h, mi;
    double s;
    suds_split_time(t, &y, &mo, &d, &h, &mi, &s);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%06.3f", y, mo, d, h, mi, s);
    return buf;
}

bool read_header(Reader& r)
{
    std::uint8_t h[kFrameHeaderSize];
    if (!read_exact(r, h, sizeof h)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    r.frame_type = get_le_i32(h + 0);
    r.trigger_channel = get_le_i32(h + 4);
    std::memcpy(r.creator, h + 8, 8);
    std::memcpy(r.destination, h + 16, 8);
    r.trigger_ms = get_le_i32(h + 28);
    r.series = get_le_i32(h + 32);
    if (r.frame_type != 5) {
        report("ERROR: Unexpected data frame type found: %d\n", r.frame_type);
        return false;
    }
    if (g_run.verbose) {
        report("Site Name: %5.5s\n", r.creator);
        report_recording_type(r);
    }
    std::uint8_t d[kDataFrameHeaderSize];
    if (!read_exact(r, d, sizeof d)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    r.channels = get_le_i32(d + 0);
    std::memcpy(r.nominal_time, d + 8, kTimeStampSize);
    const std::int32_t string_count = get_le_i32(d + 28);
    if (g_run.verbose) {
        int month = 0, day = 0;
        text_month_day(r.nominal_time, &month, &day);
        report("Number of Channels: %d\n", r.channels);
        report("Start Time: %d/%d/%4.4s %12.12s\t", month, day, r.nominal_time, r.nominal_time + 8);
    }
    if (r.channels < 0 || r.channels > kMaxRecorderChannels) {
        report("\nERROR: Number of channels out of range (0 to %d): %d\n", kMaxRecorderChannels, r.channels);
        return false;
    }
    if (string_count < 0) {
        report("\nERROR: Invalid channel string count: %d\n", string_count);
        return false;
    }
    char names[kMaxRecorderChannels][3];
    for (int i = 0; i < r.channels; ++i) {
        std::uint8_t e[kChannelEntrySize];
        if (!read_exact(r, e, sizeof e)) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return false;
        }
        std::memcpy(names[i], e + 5, 3);
    }
    if (!skip_bytes(r, string_count % 4)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    for (int i = 0; i < r.channels; ++i)
        for (int j = i + 1; j < r.channels; ++j)
            if (std::memcmp(names[i], names[j], 3) == 0)
                g_run.location_split = true;
    return true;
}

// Reads the channel status and the data size that follow the fixed part.
bool read_status(Reader& r)
{
    RecorderSubframe& sf = r.sf;
    std::uint8_t s[kStatusFixedSize];
    if (!read_exact(r, s, sizeof s)) {
        report("ERROR: Unable to read channel status from: %s\n", r.name.c_str());
        return false;
    }
    sf.misc_status = s[3];
    sf.clock_diff = get_le_i32(s + 28);
    // Floats wholly inside the status are read; a short status keeps the
    // values of an earlier subframe.
    float* floats[4] = {&sf.latitude, &sf.longitude, &sf.elevation, &sf.bit_weight};
    const long long rest = static_cast<long long>(sf.status_size) - kStatusFixedSize;
    long long used = 0;
    for (int i = 0; i < 4 && used + 4 <= rest; ++i, used += 4) {
        std::uint8_t b[4];
        if (!read_exact(r, b, 4)) {
            report("ERROR: Unable to read coordinates from: %s\n", r.name.c_str());
            return false;
        }
        *floats[i] = get_le_f32(b);
    }
    if (!skip_bytes(r, rest - used)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    std::uint8_t b[4];
    if (!read_exact(r, b, 4)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    sf.data_size = get_le_i32(b);
    return true;
}

// Refuses a subframe beyond the data model before anything of it is used.
bool check_fixed(const Reader& r)
{
    const RecorderSubframe& sf = r.sf;
    if (sf.samples < 0 || sf.samples > kMaxSubframeSamples) {
        report("\nERROR: Number of samples out of range (0 to %ld): %d in: %s\n", kMaxSubframeSamples, sf.samples,
               r.name.c_str());
        return false;
    }
    if (sf.status_size < kStatusFixedSize) {
        report("\nERROR: Channel status size below %d bytes: %d in: %s\n", kStatusFixedSize, sf.status_size,
               r.name.c_str());
        return false;
    }
    if (sf.time_length_ms <= 0) {
        report("\nERROR: Invalid subframe time length: %d ms in: %s\n", sf.time_length_ms, r.name.c_str());
        return false;
    }
    if (sf.transformation > 1) {
        report("\nERROR: Unsupported data transformation: %d in: %s\n", sf.transformation, r.name.c_str());
        return false;
    }
    return true;
}

bool check_data_size(const Reader& r)
{
    const RecorderSubframe& sf = r.sf;
    if (sf.data_size < 0 || sf.data_size > kMaxSubframeDataBytes) {
        report("\nERROR: Data size out of range (0 to %ld): %d in: %s\n", kMaxSubframeDataBytes, sf.data_size,
               r.name.c_str());
        return false;
    }
    if (sf.transformation == 0 && sf.data_size / 4 != sf.samples) {
        report("ERROR: Unexpected data size found: %d\n", sf.data_size);
        return false;
    }
    return true;
}

bool read_trailer(Reader& r)
{
    std::uint8_t t[kTrailerSize];
    bool ok = read_exact(r, t, sizeof t);
    const std::int32_t auth = ok ? get_le_i32(t + 8) : 0;
    if (ok && auth < 0) {
        report("ERROR: Invalid authentication size: %d in: %s\n", auth, r.name.c_str());
        return false;
    }
    ok = ok && skip_bytes(r, pad4(auth));
    if (!ok) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        report("ERROR: Unable to read data subframe signature: %s\n", r.name.c_str());
    }
    return ok;
}

void channel_report(const Reader& r, int k)
{
    const RecorderSubframe& sf = r.sf;
    const double rate = assembly_rate();
    if (k == 0) {
        report("Duration: %d sec\n", rate > 0 ? static_cast<int>(static_cast<double>(assembly_sample_total()) / rate) : 0);
        if (r.event) {
            if (r.trigger_channel == 7)
                report("Event time: %s\tExternal digital trigger\n", r.trigger_text.c_str());
            else
                report("Event time: %s\tFirst trigger on channel %d\n", r.trigger_text.c_str(), r.trigger_channel);
        }
        report("Site Latitude: %9.5f  Longitude: %10.5f Elevation: %6.1f meters\n", sf.latitude, sf.longitude,
               sf.elevation);
        report("%s", (sf.misc_status & kGpsOffBit) ? "GPS receiver OFF" : "GPS receiver ON");
        report("%s", (sf.misc_status & kGpsUnlockedBit) ? ", UNLOCKED \t" : ", LOCKED \t");
        report("Clock differential (microsec): %-10d\n", sf.clock_diff);
    }
    report("Channel %1d: %3.3s   Location: %2.2s   Rate: %4.0f sps\n", k + 1, sf.channel, sf.location, rate);
    static const char* const sensors[] = {" Sensor: Seismic",    " Sensor: Hydroacoustic", " Sensor: Infrasonic",
                                          " Sensor: Weather",    " Sensor: Other",         " Sensor: Velocity",
                                          " Sensor: Acceleration"};
    report("%s", sf.sensor_type <= 6 ? sensors[sf.sensor_type] : " Sensor: Other");
    if (sf.authentication == 0)
        report("   Authentication: Off");
    else if (sf.authentication == 1)
        report("   Authentication: On");
    if (sf.transformation == 0)
        report("   Compression: Off\n");
    else if (sf.transformation == 1)
        report("   Compression: On\n");
    if (sf.option_flag == 1)
        report(" Calib: %.2e  Calper: %7.4f sec\n", sf.calib_factor, sf.calib_period);
    report(" Bit Weight: %.6e V/count\n", sf.bit_weight);
    if (g_run.location_split && g_run.suds)
        report("Output file: %s\n", assembly_file_name().c_str());
}

bool finish_channel(Reader& r, int k)
{
    if (!assembly_channel_open()) {
        report("ERROR: No data subframes found for channel %d in: %s\n", k + 1, r.name.c_str());
        return false;
    }
    if (!assembly_finish_channel(r.sf.bit_weight))
        return false;
    if (g_run.verbose)
        channel_report(r, k);
    for (const auto& w : r.warnings)
        report("%s", w.c_str());
    r.warnings.clear();
    return true;
}

// Extracts channel k: every k-th subframe from the first one on.
bool extract_channel(Reader& r, long long first_pos, int k)
{
    r.chain_index = 0;
    if (k > 0) {
        r.pos = first_pos;
        if (std::fseek(r.f, static_cast<long>(first_pos), SEEK_SET) != 0) {
            report("ERROR: Unable to set file position: %s\n", r.name.c_str());
            return false;
        }
        if (skip_subframes(r, k) != kSkipOk) {
            report("ERROR: Unable to skip data records: %s\n", r.name.c_str());
            return false;
        }
    }
    char site[5] = {}, channel[3] = {};
    double expected = 0.0;  // time the next subframe should start at
    double interval = 0.0;  // one sample interval
    for (int count = 0; count < kMaxSubframesPerChannel; ++count) {
        RecorderSubframe& sf = r.sf;
        const long long start = r.pos;
        const long long start_index = r.chain_index;
        std::uint8_t fixed[kSubframeFixedSize];
        const std::size_t got = std::fread(fixed, 1, sizeof fixed, r.f);
        r.pos += static_cast<long long>(got);
        if (got == 0 && std::feof(r.f))
            return finish_channel(r, k);
        if (got != sizeof fixed) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return false;
        }
        recorder_parse_fixed(fixed, &sf);
        if (!check_fixed(r) || !read_status(r) || !check_data_size(r))
            return false;
        const double stamp = recorder_time_to_suds(sf.time_stamp);
        const double rate = sf.samples * 1000.0 / sf.time_length_ms;
        if (count == 0) {
            std::memcpy(site, sf.site, 5);
            std::memcpy(channel, sf.channel, 3);
            if (!assembly_start_channel(r.work_name, k, sf))
                return false;
        } else {
            if (std::memcmp(site, sf.site, 5) != 0 || std::memcmp(channel, sf.channel, 3) != 0) {
                report("ERROR: Unable to locate datablocks for channel: %3.3s\n", sf.channel);
                return false;
            }
            if (!assembly_add_samples(sf.samples))
                return false;
            // The samples are appended as they come; a time stamp that does
            // not follow on is at least reported.
            if (g_run.verbose && interval > 0 && std::fabs(stamp - expected) > interval / 2) {
                const std::string got_text = time_text(stamp);
                defer_warning(r, "WARNING: Channel %d (%3.3s): subframe starts at %s, expected %s (%+.3f sec)\n", k + 1,
                       sf.channel, got_text.c_str(), time_text(expected).c_str(), stamp - expected);
            }
        }
        // A subframe without samples says nothing about where the next one starts.
        if (rate > 0) {
            expected = stamp + sf.samples / rate;
            interval = 1.0 / rate;
        }
        if (!assembly_append_samples(r.f, sf))
            return false;
        // Whatever the read-samples step consumed; the input stream answers without a system call.
        r.pos = std::ftell(r.f);
        if (!read_trailer(r))
            return false;
        g_run.progress.update(r.progress_base + (r.pos - first_pos));
        // The walk is on the chain only where the length field agrees.
        chain_step(r, r.pos == start + 4 + static_cast<long long>(sf.channel_length) ? start_index : -1, r.pos);
        const SkipResult skip = skip_subframes(r, r.channels - 1);
        if (skip == kSkipEnd)
            return finish_channel(r, k);
        if (skip == kSkipError) {
            report("ERROR: Unable to skip data records: %s\n", r.name.c_str());
            return false;
        }
    }
    // A channel holds at most 86400 subframes; say so when more follow.
    const int c = std::fgetc(r.f);
    if (c != EOF)
        defer_warning(r, "\nWARNING: Channel %d: only the first %d subframes are converted: %s\n", k + 1,
               kMaxSubframesPerChannel, r.name.c_str());
    return finish_channel(r, k);
}

} // namespace

bool pass1(const std::string& input_name, const std::string& work_name)
{
    g_run.work_files.clear();
    g_run.bit_weights.clear();
    g_run.location_split = false;
    assembly_reset();
    Reader r;
    r.name = input_name;
    r.work_name = work_name;
    // Read only: the recording is never written, and read-only media work.
    RecorderInput file;
    if (!file.open(input_name)) {
        report("ERROR: Unable to open: %s\n", input_name.c_str());
        return false;
    }
    r.in = &file;
    r.f = file.stream();
    r.file_size = file.size();

    if (!read_header(r))
        return false;
    if (r.event)
        r.trigger_text = make_trigger_text(r.series, r.trigger_ms);
    const long long first_pos = r.pos;
    r.chain.assign(1, first_pos);
    if (std::ftell(r.f) != first_pos) {
        report("ERROR: Unable to read file position: %s\n", input_name.c_str());
        return false;
    }
    // Pass 1 counts the bytes each channel's walk goes over.
    const long long span = r.file_size - first_pos;
    g_run.progress.start(1, span * r.channels);
    for (int k = 0; k < r.channels; ++k) {
        r.progress_base = span * k;
        if (!extract_channel(r, first_pos, k)) {
            assembly_reset();
            return false;
        }
    }
    file.close();
    g_run.progress.finish();
    // Complete SUDS output moves into place; a failed run left any earlier file as it was.
    if (g_run.suds) {
        for (const auto& name : g_run.work_files) {
            if (!staging_commit(name))
                return false;
        }
    }
    if (g_run.verbose && !g_run.location_split && g_run.suds && !g_run.work_files.empty())
        report("Output file: %s\n\n", work_name.c_str());
    return true;
}
