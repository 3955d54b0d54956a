#include "recorder_sweep.h"

#include "assembly.h"
#include "canadian.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "progress.h"
#include "run.h"
#include "staging.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::int64_t kMaxSudsBytes = std::numeric_limits<std::int32_t>::max();
// Samples a channel gathers before they are written in one piece.
constexpr long kFlushSamples = 65536;
// Status bytes that hold all four floats: with fewer, a float would carry
// over from whichever subframe the walk read before.
constexpr long kFullStatus = kStatusFixedSize + 16;
constexpr long long kProgressEvery = 4096;
// The walk moves forward only: a small window keeps little of the file resident.
constexpr std::int64_t kSweepWindow = 4LL << 20;

struct Plan {
    RecorderSubframe first, last;
    std::int64_t total = 0;
    int subframes = 0;
    double expected = 0.0, interval = 0.0; // time stamp check, as the walk makes it
    std::vector<std::string> warnings;
    // laid out
    int file = -1;
    std::int64_t data_pos = 0;
    double rate = 0.0;
    std::string file_name;
    float bit_weight = 0.0f;
};

// The subframe at p, when it is regular: it lies wholly inside the file,
// passes every check of the walk, holds a full status, and ends where its
// length field says. Returns its end (sf and the position of its channel
// data filled), or -1.
long long parse_regular(platform::MappedFile& f, long long size, long long p, RecorderSubframe* sf,
                        long long* data_pos) {
    if (p + kSubframeFixedSize > size)
        return -1;
    const std::uint8_t* b = f.view(p, kSubframeFixedSize);
    if (!b)
        return -1;
    recorder_parse_fixed(b, sf);
    const long long end = p + 4 + static_cast<long long>(sf->channel_length);
    if (sf->channel_length < 0 || end > size)
        return -1;
    if (sf->samples < 0 || sf->samples > kMaxSubframeSamples || sf->status_size < kFullStatus ||
        sf->time_length_ms <= 0 || sf->transformation > 1)
        return -1;
    const long long q = p + kSubframeFixedSize;
    if (q + sf->status_size + 4 > end)
        return -1;
    const std::uint8_t* s = f.view(q, kFullStatus);
    if (!s)
        return -1;
    sf->misc_status = s[3];
    sf->clock_diff = get_le_i32(s + 28);
    sf->latitude = get_le_f32(s + 32);
    sf->longitude = get_le_f32(s + 36);
    sf->elevation = get_le_f32(s + 40);
    sf->bit_weight = get_le_f32(s + 44);
    const std::uint8_t* d = f.view(q + sf->status_size, 4);
    if (!d)
        return -1;
    sf->data_size = get_le_i32(d);
    if (sf->data_size < 0 || sf->data_size > kMaxSubframeDataBytes ||
        (sf->transformation == 0 && sf->data_size / 4 != sf->samples))
        return -1;
    const long long dp = q + sf->status_size + 4;
    const long long t = dp + subframe_data_bytes(*sf);
    if (t + kTrailerSize > end)
        return -1;
    const std::uint8_t* tr = f.view(t, kTrailerSize);
    if (!tr)
        return -1;
    const std::int32_t auth = get_le_i32(tr + 8);
    if (auth < 0 || t + kTrailerSize + pad4(auth) != end)
        return -1;
    *data_pos = dp;
    return end;
}

// Removes the files the sweep created.
void remove_all(const std::vector<std::string>& paths) {
    std::string error;
    for (const auto& p : paths)
        platform::delete_file(p, error);
}

// Writes samples [from, from + n) of a channel (little-endian bytes) at their place.
bool write_at(std::FILE* f, std::int64_t pos, const std::int32_t* samples, long n) {
    if (n == 0)
        return true;
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    return platform::seek_file(f, pos, SEEK_SET) == 0 && std::fwrite(samples, 1, bytes, f) == bytes;
}

// Where a channel's samples go.
struct DecodeChannel {
    int file = -1;
    std::int64_t data_pos = 0;
};

// A stretch of the file's subframes: from the subframe at `start` (the
// `index`th of the file) to `stop`, and each channel's samples before it.
struct DecodeRange {
    long long start, stop, index;
    std::vector<std::int64_t> before;
};

// Decodes the subframes of a range and writes each channel's samples at
// their place, gathered per channel into pieces. true when all were written.
bool decode_range(platform::MappedFile& file, const DecodeRange& range,
                  const std::vector<DecodeChannel>& targets, const std::vector<std::string>& paths,
                  int channels, Progress* progress, std::int64_t progress_base,
                  double progress_scale) {
    std::vector<platform::FileHandle> streams;
    for (const auto& path : paths) {
        streams.emplace_back(platform::open_file(path, "r+b"));
        if (!streams.back())
            return false;
        std::setvbuf(streams.back().get(), nullptr, _IONBF, 0);
    }
    struct Gather {
        std::unique_ptr<std::int32_t[]> samples;
        long held = 0;
        std::int64_t written = 0;
    };
    std::vector<Gather> gather(static_cast<std::size_t>(channels));
    for (int k = 0; k < channels; ++k)
        gather[static_cast<std::size_t>(k)].written = range.before[static_cast<std::size_t>(k)];
    auto flush = [&](int k) {
        Gather& g = gather[static_cast<std::size_t>(k)];
        const DecodeChannel& c = targets[static_cast<std::size_t>(k)];
        const bool ok = write_at(streams[static_cast<std::size_t>(c.file)].get(),
                                 c.data_pos + 4 * g.written, g.samples.get(), g.held);
        g.written += g.held;
        g.held = 0;
        return ok;
    };
    const long long size = file.size();
    long long count = range.index;
    for (long long p = range.start; p < range.stop; ++count) {
        RecorderSubframe sf;
        long long dp = 0;
        const long long end = parse_regular(file, size, p, &sf, &dp);
        if (end < 0)
            return false;
        const int k = static_cast<int>(count % channels);
        Gather& g = gather[static_cast<std::size_t>(k)];
        const long n = sf.samples;
        if (n > 0) {
            if (!g.samples)
                g.samples = std::make_unique_for_overwrite<std::int32_t[]>(
                    static_cast<std::size_t>(kFlushSamples + kMaxSubframeSamples));
            const std::uint8_t* data =
                file.view(dp, static_cast<std::size_t>(subframe_data_bytes(sf)));
            if (!data)
                return false;
            std::int32_t* out = g.samples.get() + g.held;
            if (sf.transformation == 0) {
                std::memcpy(out, data,
                            static_cast<std::size_t>(n) * 4); // already little-endian bytes
            } else {
                std::int32_t next = 0;
                if (canadian_decompress(data, out, sf.data_size, n, &next) != CANADIAN_OK)
                    return false;
                if constexpr (std::endian::native != std::endian::little) {
                    for (long i = 0; i < n; ++i) {
                        std::uint8_t le[4];
                        put_le_i32(le, out[i]);
                        std::memcpy(out + i, le, 4);
                    }
                }
            }
            g.held += n;
            if (g.held >= kFlushSamples && !flush(k))
                return false;
        }
        p = end;
        if (progress && count % kProgressEvery == 0)
            progress->update(progress_base +
                             static_cast<std::int64_t>((p - range.start) * progress_scale));
    }
    for (int k = 0; k < channels; ++k)
        if (!flush(k))
            return false;
    for (auto& s : streams)
        if (!platform::close_file(s))
            return false;
    return true;
}

} // namespace

SweepOutcome recorder_sweep(platform::MappedFile& file, const RecorderHeader& header,
                            long long first_pos, const std::string& input_name,
                            const std::string& work_name, const RecorderRunOptions& options,
                            bool location_split, Progress& progress, RecorderRunResult* result) {
    const int channels = header.channels;
    const long long size = file.size();
    if (channels <= 0 || first_pos >= size)
        return SweepOutcome::kWalkInstead;
    const long long span = size - first_pos;
    struct Window {
        platform::MappedFile& f;
        explicit Window(platform::MappedFile& file) : f(file) { f.set_window(kSweepWindow); }
        ~Window() { f.set_window(platform::MappedFile::kWindow); }
    } window(file);
    const std::int64_t total_work = static_cast<std::int64_t>(span) * channels;

    // 1. Every subframe once: is the file regular, and what will each channel hold?
    std::vector<Plan> plans(static_cast<std::size_t>(channels));
    long long count = 0;
    // The second half of the subframes, from the first one past the middle of the file.
    long long split_pos = size, split_index = 0;
    std::vector<std::int64_t> split_starts;
    for (long long p = first_pos; p < size; ++count) {
        if (split_starts.empty() && p >= first_pos + span / 2) {
            split_pos = p;
            split_index = count;
            for (const auto& c : plans)
                split_starts.push_back(c.total);
        }
        RecorderSubframe sf;
        long long dp = 0;
        const long long end = parse_regular(file, size, p, &sf, &dp);
        if (end < 0)
            return SweepOutcome::kWalkInstead;
        Plan& c = plans[static_cast<std::size_t>(count % channels)];
        if (c.subframes > 0 && (std::memcmp(c.first.site, sf.site, 5) != 0 ||
                                std::memcmp(c.first.channel, sf.channel, 3) != 0))
            return SweepOutcome::kWalkInstead;
        if (c.subframes == kMaxSubframesPerChannel)
            return SweepOutcome::kWalkInstead;
        if (c.subframes == 0)
            c.first = sf;
        c.total += sf.samples;
        if (c.total * 4 > kMaxSudsBytes)
            return SweepOutcome::kWalkInstead;
        if (options.verbose) {
            const double stamp = recorder_time_to_suds(sf.time_stamp);
            const double rate = sf.samples * 1000.0 / sf.time_length_ms;
            if (c.subframes > 0 && c.interval > 0 && std::fabs(stamp - c.expected) > c.interval / 2)
                c.warnings.push_back(format_text(
                    "WARNING: Channel %d (%3.3s): subframe starts at %s, expected %s (%+.3f sec)\n",
                    static_cast<int>(count % channels) + 1, sf.channel,
                    report_time_text(stamp).c_str(), report_time_text(c.expected).c_str(),
                    stamp - c.expected));
            if (rate > 0) {
                c.expected = stamp + sf.samples / rate;
                c.interval = 1.0 / rate;
            }
        }
        ++c.subframes;
        c.last = sf;
        p = end;
        if (count % kProgressEvery == 0)
            progress.update((p - first_pos) * channels / 4);
    }
    if (count < channels)
        return SweepOutcome::kWalkInstead;

    // 2. The work files laid out: each channel's structures, its samples'
    // place left for step 3.
    AssemblySettings settings;
    settings.input_name = input_name;
    settings.staged = options.suds;
    settings.location_split = location_split;
    ChannelAssembly assembly(settings);
    assembly.set_quiet(true);
    std::vector<std::string> paths; // created, in order
    auto give_up = [&]() {
        assembly.reset();
        remove_all(paths);
        return SweepOutcome::kWalkInstead;
    };
    for (int k = 0; k < channels; ++k) {
        Plan& c = plans[static_cast<std::size_t>(k)];
        const std::string name =
            location_split ? location_file_name(work_name, c.first.location) : work_name;
        const std::string path = options.suds ? staging_name(name) : name;
        auto it = std::find(paths.begin(), paths.end(), path);
        if (it == paths.end()) {
            // A file that is there already is left to the walk, which alone knows what to make of
            // it.
            if (platform::file_exists(path))
                return give_up();
            paths.push_back(path);
            it = paths.end() - 1;
        }
        c.file = static_cast<int>(it - paths.begin());
        if (!assembly.start_channel(work_name, k, c.first))
            return give_up();
        c.data_pos = assembly.data_position();
        const std::int64_t end = c.data_pos + 4 * c.total;
        if (end > kMaxSudsBytes ||
            (c.total > c.first.samples && !assembly.add_samples(c.total - c.first.samples)))
            return give_up();
        c.rate = assembly.rate();
        c.file_name = assembly.file_name();
        c.bit_weight = c.last.bit_weight;
        if (!assembly.finish_channel(c.bit_weight))
            return give_up();
        // The file reaches past the samples' place, so that the next channel
        // of the file is appended behind it.
        if (c.total > 0) {
            platform::FileHandle f(platform::open_file(path, "r+b"));
            if (!f || platform::seek_file(f.get(), end - 1, SEEK_SET) != 0 ||
                std::fputc(0, f.get()) == EOF || !platform::close_file(f))
                return give_up();
        }
    }

    // 3. Every channel's samples in one walk, the second half of the file
    // beside the first on another thread.
    std::vector<std::int64_t> starts(plans.size(), 0);
    std::vector<DecodeChannel> targets(plans.size());
    for (std::size_t k = 0; k < plans.size(); ++k) {
        targets[k].file = plans[k].file;
        targets[k].data_pos = plans[k].data_pos;
    }
    DecodeRange head{first_pos, split_pos, 0, starts};
    DecodeRange tail{split_pos, size, split_index, split_starts};
    bool tail_ok = false;
    std::thread helper;
    if (split_pos < size) {
        try {
            helper = std::thread([&] {
                platform::MappedFile own;
                own.set_window(kSweepWindow);
                tail_ok = own.open(input_name) && own.size() == size &&
                          decode_range(own, tail, targets, paths, channels, nullptr, 0, 0);
            });
        } catch (const std::system_error&) {
            head.stop = size; // one thread does it all
        }
    }
    const bool head_ok = decode_range(file, head, targets, paths, channels, &progress,
                                      total_work / 4, (split_pos < size ? 1.5 : 0.75) * channels);
    if (helper.joinable())
        helper.join();
    else
        tail_ok = true;
    if (!head_ok || !tail_ok)
        return give_up();

    // 4. The report, as the channel-by-channel walk gives it.
    for (int k = 0; k < channels; ++k) {
        const Plan& c = plans[static_cast<std::size_t>(k)];
        if (options.verbose) {
            ChannelSummary s;
            s.k = k;
            s.rate = c.rate;
            s.samples = c.total;
            s.output_file = options.suds && location_split ? &c.file_name : nullptr;
            report_channel(header, c.last, s);
        }
        for (const auto& w : c.warnings)
            report("%s", w.c_str());
    }
    result->location_split = location_split;
    result->work_files = assembly.work_files();
    result->bit_weights = assembly.bit_weights();
    return SweepOutcome::kDone;
}
