#include "recorder.h"

#include "assembly.h"
#include "platform/mapped_file.h"
#include "progress.h"
#include "recorder_layout.h"
#include "recorder_report.h"
#include "recorder_sweep.h"
#include "run.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

enum SkipResult { kSkipOk, kSkipEnd, kSkipError };

// The reader owns the file position: every step takes its bytes from here.
struct Reader {
    platform::MappedFile file;
    std::string name;
    std::string work_name;
    RecorderRunOptions options;
    bool location_split = false;
    long long file_size = 0;
    long long pos = 0;
    // Offsets of the file's subframes as their length fields chain them
    // (chain[0] is the first subframe), learnt by the walks and reused by
    // later ones, so that each channel's walk touches only its own
    // subframes. chain_index is i while pos == chain[i], else -1. Bounded by
    // the subframes any channel may read.
    std::vector<long long> chain;
    long long chain_index = -1;
    long long progress_base = 0; // walk bytes of the channels before this one
    RecorderHeader header;
    // last subframe read; its floats persist over the whole run
    RecorderSubframe sf;
    // Warnings found while a channel is read, reported after its block so
    // that no report line is split.
    std::vector<std::string> warnings;
};

// The next n bytes, the position moved past them; null (position unmoved)
// when the file ends first.
const std::uint8_t* take(Reader& r, long long n) {
    if (n < 0 || r.pos + n > r.file_size)
        return nullptr;
    const std::uint8_t* p = r.file.view(r.pos, static_cast<std::size_t>(n));
    if (p)
        r.pos += n;
    return p;
}

// Passes over n bytes.
bool skip_bytes(Reader& r, long long n) {
    if (n < 0 || r.pos + n > r.file_size)
        return false;
    r.pos += n;
    return true;
}

void defer_warning(Reader& r, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void defer_warning(Reader& r, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat_text(fmt, ap);
    va_end(ap);
    r.warnings.push_back(std::move(text));
}

constexpr std::size_t kChainLimit =
    static_cast<std::size_t>(kMaxRecorderChannels) * (kMaxSubframesPerChannel + 1) + 1;

// Records that the walk moved from chain entry `from` (or from off the
// chain, -1) to position to, having passed one subframe.
void chain_step(Reader& r, long long from, long long to) {
    if (from >= 0 && static_cast<std::size_t>(from) + 1 < r.chain.size()) {
        r.chain_index = r.chain[static_cast<std::size_t>(from) + 1] == to ? from + 1 : -1;
    } else if (from >= 0 && static_cast<std::size_t>(from) + 1 == r.chain.size() &&
               r.chain.size() < kChainLimit) {
        r.chain.push_back(to);
        r.chain_index = from + 1;
    } else {
        r.chain_index = -1;
    }
}

// Skips m subframes by their length fields (or known from an earlier walk).
SkipResult skip_subframes(Reader& r, int m) {
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
        const std::uint8_t* b = p + 4 <= r.file_size ? r.file.view(p, 4) : nullptr;
        if (!b) {
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
    r.pos = p;
    return result;
}

bool read_header(Reader& r, bool* location_split) {
    RecorderHeader& h = r.header;
    const std::uint8_t* f = take(r, kFrameHeaderSize);
    if (!f) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    h.frame_type = get_le_i32(f + 0);
    h.trigger_channel = get_le_i32(f + 4);
    std::memcpy(h.creator, f + 8, 8);
    std::memcpy(h.destination, f + 16, 8);
    h.trigger_ms = get_le_i32(f + 28);
    h.series = get_le_i32(f + 32);
    h.event = std::memcmp(h.destination, "FILE_EVT", 8) == 0;
    if (h.frame_type != 5) {
        report("ERROR: Unexpected data frame type found: %d\n", h.frame_type);
        return false;
    }
    if (r.options.verbose)
        report_site_and_type(h);
    const std::uint8_t* d = take(r, kDataFrameHeaderSize);
    if (!d) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    h.channels = get_le_i32(d + 0);
    std::memcpy(h.nominal_time, d + 8, kTimeStampSize);
    const std::int32_t string_count = get_le_i32(d + 28);
    if (r.options.verbose)
        report_channel_count_and_start(h);
    if (h.channels < 0 || h.channels > kMaxRecorderChannels) {
        report("\nERROR: Number of channels out of range (0 to %d): %d\n", kMaxRecorderChannels,
               h.channels);
        return false;
    }
    if (string_count < 0) {
        report("\nERROR: Invalid channel string count: %d\n", string_count);
        return false;
    }
    char names[kMaxRecorderChannels][3];
    for (int i = 0; i < h.channels; ++i) {
        const std::uint8_t* e = take(r, kChannelEntrySize);
        if (!e) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return false;
        }
        std::memcpy(names[i], e + 5, 3);
    }
    if (!skip_bytes(r, string_count % 4)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    *location_split = false;
    for (int i = 0; i < h.channels; ++i)
        for (int j = i + 1; j < h.channels; ++j)
            if (std::memcmp(names[i], names[j], 3) == 0)
                *location_split = true;
    if (h.event)
        h.trigger_text = recorder_trigger_text(h.series, h.trigger_ms);
    return true;
}

// Reads the channel status and the data size that follow the fixed part.
bool read_status(Reader& r) {
    RecorderSubframe& sf = r.sf;
    const std::uint8_t* s = take(r, kStatusFixedSize);
    if (!s) {
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
        const std::uint8_t* b = take(r, 4);
        if (!b) {
            report("ERROR: Unable to read coordinates from: %s\n", r.name.c_str());
            return false;
        }
        *floats[i] = get_le_f32(b);
    }
    if (!skip_bytes(r, rest - used)) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    const std::uint8_t* b = take(r, 4);
    if (!b) {
        report("ERROR: Unable to read: %s\n", r.name.c_str());
        return false;
    }
    sf.data_size = get_le_i32(b);
    return true;
}

// Refuses a subframe beyond the data model before anything of it is used.
bool check_fixed(const Reader& r) {
    const RecorderSubframe& sf = r.sf;
    if (sf.samples < 0 || sf.samples > kMaxSubframeSamples) {
        report("\nERROR: Number of samples out of range (0 to %ld): %d in: %s\n",
               kMaxSubframeSamples, sf.samples, r.name.c_str());
        return false;
    }
    if (sf.status_size < kStatusFixedSize) {
        report("\nERROR: Channel status size below %d bytes: %d in: %s\n", kStatusFixedSize,
               sf.status_size, r.name.c_str());
        return false;
    }
    if (sf.time_length_ms <= 0) {
        report("\nERROR: Invalid subframe time length: %d ms in: %s\n", sf.time_length_ms,
               r.name.c_str());
        return false;
    }
    if (sf.transformation > 1) {
        report("\nERROR: Unsupported data transformation: %d in: %s\n", sf.transformation,
               r.name.c_str());
        return false;
    }
    return true;
}

bool check_data_size(const Reader& r) {
    const RecorderSubframe& sf = r.sf;
    if (sf.data_size < 0 || sf.data_size > kMaxSubframeDataBytes) {
        report("\nERROR: Data size out of range (0 to %ld): %d in: %s\n", kMaxSubframeDataBytes,
               sf.data_size, r.name.c_str());
        return false;
    }
    if (sf.transformation == 0 && sf.data_size / 4 != sf.samples) {
        report("ERROR: Unexpected data size found: %d\n", sf.data_size);
        return false;
    }
    return true;
}

bool read_trailer(Reader& r) {
    const std::uint8_t* t = take(r, kTrailerSize);
    bool ok = t != nullptr;
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

bool finish_channel(Reader& r, ChannelAssembly& assembly, int k) {
    if (!assembly.channel_open()) {
        report("ERROR: No data subframes found for channel %d in: %s\n", k + 1, r.name.c_str());
        return false;
    }
    if (!assembly.finish_channel(r.sf.bit_weight))
        return false;
    if (r.options.verbose) {
        ChannelSummary c;
        c.k = k;
        c.rate = assembly.rate();
        c.samples = assembly.sample_total();
        c.output_file = r.options.suds && r.location_split ? &assembly.file_name() : nullptr;
        report_channel(r.header, r.sf, c);
    }
    for (const auto& w : r.warnings)
        report("%s", w.c_str());
    r.warnings.clear();
    return true;
}

// Extracts channel k: every k-th subframe from the first one on.
bool extract_channel(Reader& r, ChannelAssembly& assembly, Progress& progress, long long first_pos,
                     int k) {
    r.chain_index = 0;
    r.pos = first_pos;
    if (k > 0 && skip_subframes(r, k) != kSkipOk) {
        report("ERROR: Unable to skip data records: %s\n", r.name.c_str());
        return false;
    }
    char site[5] = {}, channel[3] = {};
    double expected = 0.0; // time the next subframe should start at
    double interval = 0.0; // one sample interval
    for (int count = 0; count < kMaxSubframesPerChannel; ++count) {
        RecorderSubframe& sf = r.sf;
        const long long start = r.pos;
        const long long start_index = r.chain_index;
        if (r.pos == r.file_size)
            return finish_channel(r, assembly, k);
        const std::uint8_t* fixed = take(r, kSubframeFixedSize);
        if (!fixed) {
            report("ERROR: Unable to read: %s\n", r.name.c_str());
            return false;
        }
        recorder_parse_fixed(fixed, &sf);
        if (!check_fixed(r) || !read_status(r) || !check_data_size(r))
            return false;
        if (count == 0) {
            std::memcpy(site, sf.site, 5);
            std::memcpy(channel, sf.channel, 3);
            if (!assembly.start_channel(r.work_name, k, sf))
                return false;
        } else {
            if (std::memcmp(site, sf.site, 5) != 0 || std::memcmp(channel, sf.channel, 3) != 0) {
                report("ERROR: Unable to locate datablocks for channel: %3.3s\n", sf.channel);
                return false;
            }
            if (!assembly.add_samples(sf.samples))
                return false;
        }
        // The samples are appended as they come; a time stamp that does not
        // follow on is at least reported.
        if (r.options.verbose) {
            const double stamp = recorder_time_to_suds(sf.time_stamp);
            const double rate = sf.samples * 1000.0 / sf.time_length_ms;
            if (count > 0 && interval > 0 && std::fabs(stamp - expected) > interval / 2)
                defer_warning(
                    r,
                    "WARNING: Channel %d (%3.3s): subframe starts at %s, expected %s (%+.3f sec)\n",
                    k + 1, sf.channel, report_time_text(stamp).c_str(),
                    report_time_text(expected).c_str(), stamp - expected);
            // A subframe without samples says nothing about where the next one starts.
            if (rate > 0) {
                expected = stamp + sf.samples / rate;
                interval = 1.0 / rate;
            }
        }
        if (!assembly.append_samples(take(r, subframe_data_bytes(sf)), sf))
            return false;
        if (!read_trailer(r))
            return false;
        progress.update(r.progress_base + (r.pos - first_pos));
        // The walk is on the chain only where the length field agrees.
        chain_step(
            r, r.pos == start + 4 + static_cast<long long>(sf.channel_length) ? start_index : -1,
            r.pos);
        const SkipResult skip = skip_subframes(r, r.header.channels - 1);
        if (skip == kSkipEnd)
            return finish_channel(r, assembly, k);
        if (skip == kSkipError) {
            report("ERROR: Unable to skip data records: %s\n", r.name.c_str());
            return false;
        }
    }
    // A channel holds at most 86400 subframes; say so when more follow.
    if (r.pos < r.file_size)
        defer_warning(r, "\nWARNING: Channel %d: only the first %d subframes are converted: %s\n",
                      k + 1, kMaxSubframesPerChannel, r.name.c_str());
    return finish_channel(r, assembly, k);
}

} // namespace

bool recorder_read(const std::string& input_name, const std::string& work_name,
                   const RecorderRunOptions& options, Progress& progress,
                   RecorderRunResult* result) {
    *result = RecorderRunResult{};
    Reader r;
    r.name = input_name;
    r.work_name = work_name;
    r.options = options;
    // Read only: the recording is never written, and read-only media work.
    if (!r.file.open(input_name)) {
        report("ERROR: Unable to open: %s\n", input_name.c_str());
        return false;
    }
    r.file_size = r.file.size();
    if (!read_header(r, &r.location_split))
        return false;
    result->location_split = r.location_split;
    const long long first_pos = r.pos;
    // Pass 1 counts the bytes each channel's walk goes over.
    const long long span = r.file_size - first_pos;
    progress.start(1, span * r.header.channels);
    // A regular file is read in one walk; any other channel by channel.
    if (recorder_sweep(r.file, r.header, first_pos, input_name, work_name, options,
                       r.location_split, progress, result) == SweepOutcome::kDone) {
        progress.finish();
        return true;
    }
    r.chain.assign(1, first_pos);

    AssemblySettings settings;
    settings.input_name = input_name;
    settings.staged = options.suds;
    settings.location_split = r.location_split;
    ChannelAssembly assembly(settings);
    // The samples step runs beside the walk; every message of the walk waits
    // for it, so that messages come in the order of a step-by-step run.
    struct Gate {
        explicit Gate(ChannelAssembly& a) {
            g_run.report_gate = [p = &a] { return p->drain(); };
        }
        ~Gate() { g_run.report_gate = nullptr; }
    } gate(assembly);
    bool ok = true;
    for (int k = 0; k < r.header.channels && ok; ++k) {
        r.progress_base = span * k;
        ok = extract_channel(r, assembly, progress, first_pos, k);
    }
    assembly.reset();
    result->work_files = assembly.work_files();
    result->bit_weights = assembly.bit_weights();
    if (ok)
        progress.finish();
    return ok;
}
