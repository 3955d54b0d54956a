// Pass 2 writers: Mini-SEED (Steim-1), ASCII in one file, ASCII per channel.
#include "writers.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "mseed_record.h"
#include "platform/paths.h"
#include "run.h"
#include "staging.h"
#include "steim.h"

namespace {

constexpr int kChunk = 4096; // samples per read

// What the writers need of the channel's DescripTrace.
struct Trace {
    int width = 4;          // bytes per sample
    long count = 0;         // samples
    std::int32_t data_pos = 0;
    double start = 0.0;     // "initial sample time"
    double rate = 0.0;      // "samples per second"
    double time_correction = 0.0;
};

// First `width` characters of a NUL-terminated field of at most `size` bytes.
void copy_code(char* out, const char* in, std::size_t size, std::size_t width)
{
    std::size_t i = 0;
    for (; i < width && i < size && in[i]; ++i) out[i] = in[i];
    out[i] = 0;
}

int sample_width(char type)
{
    switch (type) {
    case 'l':
    case '2': return 4;
    case 'i':
    case 'q':
    case 's':
    case 'u': return 2;
    default: return 0;
    }
}

// Reads n samples of `width` bytes at the present position into out, widened to
// 32 bits. 1, or 0 after the SUDS error text was reported.
int read_samples(int descriptor, int width, long n, std::int32_t* out)
{
    static std::uint8_t raw[kChunk * 4];
    if (suds_read_data(descriptor, raw, static_cast<std::int32_t>(n * width)) != 1) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    g_run.progress.update_at(suds_file_position(descriptor));
    if (width == 4)
        for (long k = 0; k < n; ++k) out[k] = suds_get_i32(raw + 4 * k);
    else
        for (long k = 0; k < n; ++k) out[k] = suds_get_i16(raw + 2 * k);
    return 1;
}

// Writes every sample of the trace as "%d\r\n" lines. 1, or 0 after its message.
int write_sample_lines(int descriptor, const Trace& t, std::FILE* out)
{
    std::int32_t buf[kChunk];
    char line[16];
    for (long done = 0; done < t.count;) {
        const long n = std::min<long>(kChunk, t.count - done);
        if (!read_samples(descriptor, t.width, n, buf)) return 0;
        for (long k = 0; k < n; ++k) {
            const int len = std::snprintf(line, sizeof line, "%d\r\n", buf[k]);
            std::fwrite(line, 1, static_cast<std::size_t>(len), out);
        }
        done += n;
    }
    if (std::ferror(out)) {
        report("\nERROR: write error to output file!\n");
        return 0;
    }
    return 1;
}

int write_ascii(int descriptor, const char* channel_text, const Trace& t, std::FILE* out)
{
    if (out == nullptr) {
        report("\nERROR: write error to output file!\n");
        return 0;
    }
    std::fprintf(out, "%s\n%s\n%.2f\n%d\n", channel_text, suds_time_text(t.start, 4), t.rate,
                 static_cast<int>(t.count));
    return write_sample_lines(descriptor, t, out);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

int write_ascii_per_channel(int descriptor, const ChannelCodes& codes, const Trace& t)
{
    const int ordinal = ++g_run.channel_ordinal;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%.3s.asc", codes.channel);
    const std::string name = platform::replace_extension(g_run.current_output, suffix);
    if (g_run.verbose) report("Output file: %s\n", name.c_str());
    if (!g_run.input_name.empty() && platform::same_file(name, g_run.input_name)) {
        report("\nERROR: output file is the input file: %s\n", name.c_str());
        return 0;
    }
    if (access(name.c_str(), F_OK) == 0 && access(name.c_str(), W_OK) != 0) {
        report("\nERROR: write permission denied: %s\n", name.c_str());
        return 0;
    }
    // Moved into place only when complete: a failure keeps an earlier file.
    std::unique_ptr<std::FILE, FileCloser> out(staging_open(name));
    if (!out) {
        report("\nERROR: unable ot open output file: %s\n", name.c_str());
        return 0;
    }
    std::fprintf(out.get(), "H %.6f %d %.2f %.6e\n", t.start, ordinal, t.rate, run_bit_weight(ordinal));
    if (!write_sample_lines(descriptor, t, out.get())) {
        out.reset();
        staging_discard(name);
        return 0;
    }
    if (std::fclose(out.release()) != 0) {
        report("\nERROR: write error to output file!\n");
        staging_discard(name);
        return 0;
    }
    if (!staging_commit(name)) {
        staging_discard(name);
        return 0;
    }
    return 1;
}

int write_mseed(int descriptor, const ChannelCodes& codes, const Trace& t, std::FILE* out)
{
    static std::int32_t samples[kChunk];
    static std::uint8_t record[MSEED_RECORD_SIZE];
    MseedHeader h;
    h.station = codes.station;
    h.location = codes.location;
    h.channel = codes.channel;
    h.network = codes.network;
    h.rate = t.rate;
    h.time_correction = t.time_correction;
    const std::int64_t start_us = mseed_time_us(t.start);
    const bool timed = t.rate > 0.0 && std::isfinite(t.rate);

    // The buffer holds `held` samples from sample `done` on; samples a record did
    // not take stay in it for the next record.
    if (suds_seek(descriptor, t.data_pos) != 1) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    long done = 0, held = 0;
    while (done < t.count) {
        const long want = std::min<long>(kChunk, t.count - done);
        if (held < want) {
            if (!read_samples(descriptor, t.width, want - held, samples + held)) return 0;
            held = want;
        }
        const int w = steim_compress_record(samples, static_cast<int>(held), record);
        // Start of this record from the channel start, to the microsecond, so that
        // no rounding accumulates from record to record.
        double offset = timed ? std::round(static_cast<double>(done) * 1e6 / t.rate) : 0.0;
        if (!(std::fabs(offset) < 9.0e18)) offset = 0.0; // a rate too small to mean anything
        h.start_us = start_us + static_cast<std::int64_t>(offset);
        mseed_put_header(h, record);
        if (out == nullptr || std::fwrite(record, 1, MSEED_RECORD_SIZE, out) != MSEED_RECORD_SIZE) {
            report("\nERROR: write error to output file!\n");
            return 0;
        }
        std::memmove(samples, samples + w, static_cast<std::size_t>(held - w) * sizeof *samples);
        held -= w;
        done += w;
        ++h.sequence_number;
    }
    return 1;
}

} // namespace

ChannelCodes channel_codes(const ChannelIndexEntry& entry)
{
    ChannelCodes c;
    const SudsLongStationIdentifier& l = entry.long_id;
    if (!l.long_station.empty() && !l.long_component.empty()) {
        copy_code(c.network, l.long_network.c_str(), l.long_network.size(), 2);
        copy_code(c.station, l.long_station.c_str(), l.long_station.size(), 5);
        copy_code(c.channel, l.long_component.c_str(), l.long_component.size(), 3);
        return c;
    }
    const char* id = reinterpret_cast<const char*>(entry.identifier);
    copy_code(c.network, id, 4, 2);
    copy_code(c.station, id + 4, 5, 5);
    const char comp = id[9];
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(comp)));
    if (up == 'B' || up == 'E' || up == 'H') {
        c.channel[0] = up;
        c.channel[1] = up == 'H' ? 'L' : 'H';
        // Fourth character of the station name, when the name reaches it.
        const char fourth = std::strlen(c.station) >= 4 ? c.station[3] : 0;
        switch (fourth) {
        case '1': case '4': c.channel[2] = 'Z'; break;
        case '2': case '5': c.channel[2] = 'N'; break;
        case '3': case '6': c.channel[2] = 'E'; break;
        default: c.channel[2] = ' '; break;
        }
    } else {
        c.channel[0] = comp;
        c.channel[1] = ' ';
        c.channel[2] = ' ';
    }
    c.channel[3] = 0;
    return c;
}

int write_channel(int descriptor, const ChannelIndexEntry& entry, std::FILE* out)
{
    if (entry.dt_len <= 0) return 1;
    Trace t;
    t.width = sample_width(entry.type);
    if (t.width == 0) {
        report("\nWARNING: unrecognized data type: %c\n", entry.type);
        return 1;
    }
    const ChannelCodes codes = channel_codes(entry);
    char channel_text[32];
    std::snprintf(channel_text, sizeof channel_text, "%.2s:%.5s:%.3s", codes.network, codes.station,
                  codes.channel);

    SudsRecord rec;
    if (suds_seek(descriptor, entry.dt_pos) != 1 || suds_read_struct(descriptor, &rec) != 1) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    SudsDescripTrace dt;
    suds_get_descrip_trace(rec.body, &dt);
    t.start = dt.initial_sample_time;
    t.rate = dt.samples_per_second;
    t.time_correction = dt.time_correction;
    t.count = entry.dt_len / t.width;
    t.data_pos = suds_file_position(descriptor);
    if (t.data_pos < 0) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    if (g_run.asc) return write_ascii(descriptor, channel_text, t, out);
    if (g_run.casc) return write_ascii_per_channel(descriptor, codes, t);
    return write_mseed(descriptor, codes, t, out);
}
