#include "recorder_writer.h"

#include "canadian.h"
#include "platform/file_handle.h"
#include "recorder_layout.h"

#include <suds/suds.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Copies text into a fixed-width field, blank padded.
void put_text(std::uint8_t* p, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        p[i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

} // namespace

std::int64_t recorder_plan_samples(const RecorderPlan& plan) {
    if (plan.samples_override >= 0)
        return plan.samples_override;
    // Rounded in 64 bits (long has 32 on Windows); past that, or not a
    // number, it is out of range as -1.
    const double n = plan.rate * plan.subframe_ms / 1000.0;
    return std::fabs(n) < 1e18 ? std::llround(n) : -1;
}

GenSignalStream::GenSignalStream(const RecorderPlan& plan, int channel)
    : signal_(plan.signal), amplitude_(plan.amplitude), rate_(plan.rate > 0 ? plan.rate : 1.0),
      channel_(channel),
      rng_(0x9E3779B97F4A7C15ull * (plan.seed + 1) + static_cast<std::uint64_t>(channel) * 7919u) {}

std::int32_t GenSignalStream::next() {
    const std::uint64_t i = index_++;
    // xorshift64*: cheap, deterministic, good enough for test signals
    rng_ ^= rng_ >> 12;
    rng_ ^= rng_ << 25;
    rng_ ^= rng_ >> 27;
    const std::uint64_t r = rng_ * 2685821657736338717ull;
    // Samples are rounded in 64 bits (llround, not lround, whose long has 32
    // on Windows), so that a large amplitude gives the same file everywhere.
    switch (signal_) {
    case GenSignal::Sine: {
        const double f = 0.5 * (channel_ + 1); // Hz
        return static_cast<std::int32_t>(std::llround(
            amplitude_ * std::sin(2.0 * M_PI * f * static_cast<double>(i) / rate_ + channel_)));
    }
    case GenSignal::RandomWalk: {
        const std::int64_t span = static_cast<std::int64_t>(std::fabs(amplitude_)) + 1;
        walk_ += static_cast<std::int64_t>(r % static_cast<std::uint64_t>(2 * span + 1)) - span;
        if (walk_ > (1 << 30) || walk_ < -(1 << 30))
            walk_ /= 2;
        return static_cast<std::int32_t>(walk_);
    }
    case GenSignal::Constant:
        return static_cast<std::int32_t>(std::llround(amplitude_));
    case GenSignal::Steps: {
        const auto step = static_cast<std::uint64_t>(static_cast<double>(i) / rate_);
        const double level = (step % 2 == 0 ? 1.0 : -1.0) * amplitude_;
        return static_cast<std::int32_t>(std::llround(level));
    }
    case GenSignal::FullRange:
        switch (i % 4) {
        case 0:
            return std::numeric_limits<std::int32_t>::min();
        case 1:
            return std::numeric_limits<std::int32_t>::max();
        case 2:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(r >> 32));
        default:
            return 0;
        }
    }
    return 0;
}

std::string recorder_time_text(std::int64_t ms) {
    std::int64_t secs = ms / 1000;
    std::int64_t frac = ms % 1000;
    if (frac < 0) {
        frac += 1000;
        --secs;
    }
    int16_t year, month, day, hour, minute;
    double seconds;
    suds_split_time(static_cast<double>(secs), &year, &month, &day, &hour, &minute, &seconds);
    const int doy = day_of_year(month, day, is_leap_year(year, SUDS_GREGORIAN));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%03d %02d:%02d:%02d.%03d", year, doy, hour, minute,
                  static_cast<int>(seconds), static_cast<int>(frac));
    return std::string(buf, std::strlen(buf));
}

static bool write_bytes(std::FILE* f, const std::uint8_t* p, std::size_t n) {
    return n == 0 || std::fwrite(p, 1, n, f) == n;
}

bool recorder_write(const RecorderPlan& plan, const std::string& path, std::string* error) {
    const int nch = static_cast<int>(plan.channels.size());
    const std::int64_t planned = recorder_plan_samples(plan);
    if (planned < 0 || planned > 4 * kMaxSubframeSamples) {
        *error = "samples per subframe out of range: " + std::to_string(planned);
        return false;
    }
    const long n = static_cast<long>(planned);
    for (const auto& ch : plan.channels) {
        if (ch.compressed && n % 20 != 0) {
            *error = "a compressed channel needs a multiple of 20 samples per subframe, not " +
                     std::to_string(n);
            return false;
        }
    }
    platform::FileHandle f(platform::open_file(path, "wb"));
    if (!f) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }

    // File header, data frame header and channel string.
    const int declared = plan.declared_channels.value_or(nch);
    const std::int32_t chan_len = 10 * nch;
    std::vector<std::uint8_t> head(static_cast<std::size_t>(68 + chan_len + chan_len % 4), 0);
    put_le_i32(&head[0], plan.frame_type);
    put_le_i32(&head[4], plan.trigger_channel);
    put_text(&head[8], plan.site, 8);
    put_text(&head[16], plan.recording_type, 8);
    put_le_i32(&head[28], plan.trigger_ms);
    put_le_i32(&head[32], static_cast<std::int32_t>(plan.trigger_time));
    put_le_i32(&head[36], declared);
    put_le_i32(&head[40], plan.subframe_ms);
    put_text(&head[44], recorder_time_text(plan.start_ms), 20);
    put_le_i32(&head[64], chan_len);
    for (int c = 0; c < nch; ++c) {
        std::uint8_t* e = &head[static_cast<std::size_t>(68 + 10 * c)];
        put_text(e, plan.channels[static_cast<std::size_t>(c)].site, 5);
        put_text(e + 5, plan.channels[static_cast<std::size_t>(c)].name, 3);
        put_text(e + 8, plan.channels[static_cast<std::size_t>(c)].location, 2);
    }
    if (!write_bytes(f.get(), head.data(), head.size())) {
        *error = "write error: " + path;
        return false;
    }

    std::vector<GenSignalStream> streams;
    std::vector<std::int32_t> lookahead;
    for (int c = 0; c < nch; ++c) {
        streams.emplace_back(plan, c);
        lookahead.push_back(streams.back().next());
    }
    const int status = plan.status_size > 0 ? plan.status_size : 0;
    const int auth = plan.auth_size > 0 ? plan.auth_size : 0;
    std::vector<std::int32_t> samples(static_cast<std::size_t>(n > 0 ? n : 1));
    std::vector<std::uint8_t> block(canadian_max_block_size(n) + 4);
    std::vector<std::uint8_t> sub;

    const int groups = plan.subframes + (plan.partial_group > 0 ? 1 : 0);
    for (int g = 0; g < groups; ++g) {
        const int in_group = g < plan.subframes ? nch : std::min(plan.partial_group, nch);
        std::int64_t t_ms = plan.start_ms + static_cast<std::int64_t>(g) * plan.subframe_ms;
        if (plan.gap_at >= 0 && g >= plan.gap_at)
            t_ms += plan.gap_ms;
        for (int c = 0; c < in_group; ++c) {
            const GenChannel& ch = plan.channels[static_cast<std::size_t>(c)];
            for (long i = 0; i < n; ++i) {
                samples[static_cast<std::size_t>(i)] = lookahead[static_cast<std::size_t>(c)];
                lookahead[static_cast<std::size_t>(c)] =
                    streams[static_cast<std::size_t>(c)].next();
            }
            long data_size = 0;
            if (ch.compressed) {
                const int rc = canadian_compress(block.data(), samples.data(), &data_size, n,
                                                 lookahead[static_cast<std::size_t>(c)]);
                if (rc != CANADIAN_OK) {
                    *error = "compression failed with code " + std::to_string(rc);
                    return false;
                }
            } else {
                data_size = 4 * n;
                for (long i = 0; i < n; ++i)
                    put_le_i32(&block[static_cast<std::size_t>(4 * i)],
                               samples[static_cast<std::size_t>(i)]);
            }
            const long written_size = data_size + (ch.compressed ? 0 : plan.data_size_delta);
            const std::size_t total = static_cast<std::size_t>(
                kSubframeFixedSize + status + 4 + pad4(data_size) + kTrailerSize + pad4(auth));
            sub.assign(total, 0);
            std::uint8_t* p = sub.data();
            put_le_i32(p + 0, static_cast<std::int32_t>(total - 4));
            put_le_i32(p + 4, 0);
            p[8] = static_cast<std::uint8_t>(plan.authentication);
            p[9] = static_cast<std::uint8_t>(ch.transformation >= 0 ? ch.transformation
                                                                    : (ch.compressed ? 1 : 0));
            p[10] = static_cast<std::uint8_t>(ch.sensor_type);
            p[11] = ch.calib_option ? 1 : 0;
            put_text(p + 12, ch.site, 5);
            put_text(p + 17, ch.name, 3);
            put_text(p + 20, ch.location, 2);
            put_text(p + 22, ch.compressed ? "CA" : "s4", 2);
            put_le_f32(p + 24, ch.calib_factor);
            put_le_f32(p + 28, ch.calib_period);
            put_text(p + 32, recorder_time_text(t_ms), 20);
            put_le_i32(p + 52, plan.subframe_ms);
            put_le_i32(p + 56, static_cast<std::int32_t>(n));
            put_le_i32(p + 60, plan.status_size);
            std::uint8_t* st = p + kSubframeFixedSize;
            std::uint8_t status_bytes[48] = {};
            status_bytes[3] = plan.misc_status;
            put_le_i32(status_bytes + 28, plan.clock_diff);
            put_le_f32(status_bytes + 32, plan.latitude);
            put_le_f32(status_bytes + 36, plan.longitude);
            put_le_f32(status_bytes + 40, plan.elevation);
            put_le_f32(status_bytes + 44, plan.bit_weight);
            std::memcpy(st, status_bytes, static_cast<std::size_t>(std::min(status, 48)));
            std::uint8_t* d = st + status;
            put_le_i32(d, static_cast<std::int32_t>(written_size));
            std::memcpy(d + 4, block.data(), static_cast<std::size_t>(data_size));
            std::uint8_t* tr = d + 4 + pad4(data_size);
            put_le_i32(tr + 0, g);
            put_le_i32(tr + 4, 0);
            put_le_i32(tr + 8, plan.auth_size);
            for (int i = 0; i < auth; ++i)
                tr[12 + i] = static_cast<std::uint8_t>(0xA0 + i);
            if (!write_bytes(f.get(), sub.data(), sub.size())) {
                *error = "write error: " + path;
                return false;
            }
        }
    }
    if (!platform::close_file(f)) {
        *error = "write error: " + path;
        return false;
    }
    return true;
}

std::vector<std::int32_t> recorder_channel_samples(const RecorderPlan& plan, int channel) {
    const std::int64_t n = std::max<std::int64_t>(recorder_plan_samples(plan), 0);
    const int count = plan.subframes + (channel < plan.partial_group ? 1 : 0);
    GenSignalStream s(plan, channel);
    std::vector<std::int32_t> out(static_cast<std::size_t>(n) * static_cast<std::size_t>(count));
    for (auto& v : out)
        v = s.next();
    return out;
}
