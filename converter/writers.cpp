// Pass 2 writers: Mini-SEED (Steim-1), ASCII in one file, ASCII per channel.
#include "writers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "mseed_record.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"
#include "progress.h"
#include "run.h"
#include "staging.h"
#include "steim.h"

namespace {

// Samples per read: large enough that reads, progress and writes are rare,
// small enough that memory stays flat.
constexpr long kChunk = 16384;

// What the writers need of the channel's DescripTrace.
struct Trace {
    int width = 4;          // bytes per sample
    long count = 0;         // samples
    std::int32_t data_pos = 0;
    double start = 0.0;     // "initial sample time"
    double rate = 0.0;      // "samples per second"
    double time_correction = 0.0;
};

// The samples of one trace, widened to 32 bits: from the mapped work file
// where it holds them, else through the SUDS descriptor.
class SampleSource {
public:
    SampleSource(int descriptor, const Trace& t, WriterContext& ctx) : fd_(descriptor), t_(t), ctx_(ctx) {}

    // Reads samples [from, from + n) into out. 1, or 0 after the SUDS error
    // text was reported.
    int read(long from, long n, std::int32_t* out)
    {
        const std::int64_t pos = t_.data_pos + static_cast<std::int64_t>(from) * t_.width;
        const std::size_t bytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(t_.width);
        const std::uint8_t* raw = ctx_.work ? ctx_.work->view(pos, bytes) : nullptr;
        if (!raw) {
            if (!read_through_suds(from, bytes))
                return 0;
            raw = fallback_.data();
        }
        if (t_.width == 4)
            for (long k = 0; k < n; ++k) out[k] = get_le_i32(raw + 4 * k);
        else
            for (long k = 0; k < n; ++k)
                out[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw[2 * k] | (raw[2 * k + 1] << 8)));
        if (ctx_.progress)
            ctx_.progress->update_at(pos + static_cast<std::int64_t>(bytes));
        return 1;
    }

private:
    bool read_through_suds(long from, std::size_t bytes)
    {
        // The descriptor stands at the trace's data until samples were taken from the map.
        if (from != suds_at_ && suds_seek(fd_, t_.data_pos + static_cast<std::int32_t>(from * t_.width)) != 1) {
            report("\n%s\n", suds_error_text());
            return false;
        }
        fallback_.resize(bytes);
        if (suds_read_data(fd_, fallback_.data(), static_cast<std::int32_t>(bytes)) != 1) {
            report("\n%s\n", suds_error_text());
            return false;
        }
        suds_at_ = from + static_cast<long>(bytes) / t_.width;
        return true;
    }

    int fd_;
    const Trace& t_;
    WriterContext& ctx_;
    long suds_at_ = 0;
    std::vector<std::uint8_t> fallback_;
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

// Writes every sample of the trace as "%d\r\n" lines. 1, or 0 after its message.
int write_sample_lines(int descriptor, const Trace& t, std::FILE* out, WriterContext& ctx)
{
    SampleSource source(descriptor, t, ctx);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(std::min(kChunk, std::max(t.count, 1L))));
    std::vector<char> text(samples.size() * 13);
    bool written = true;
    for (long done = 0; done < t.count;) {
        const long n = std::min<long>(kChunk, t.count - done);
        if (!source.read(done, n, samples.data()))
            return 0;
        const char* end = format_sample_lines(samples.data(), n, text.data());
        const auto len = static_cast<std::size_t>(end - text.data());
        written = written && std::fwrite(text.data(), 1, len, out) == len;
        done += n;
    }
    if (!written || std::ferror(out)) {
        report("\nERROR: write error to output file!\n");
        return 0;
    }
    return 1;
}

int write_ascii(int descriptor, const char* channel_text, const Trace& t, std::FILE* out, WriterContext& ctx)
{
    if (out == nullptr) {
        report("\nERROR: write error to output file!\n");
        return 0;
    }
    std::fprintf(out, "%s\n%s\n%.2f\n%d\n", channel_text, suds_time_text(t.start, 4), t.rate,
                 static_cast<int>(t.count));
    return write_sample_lines(descriptor, t, out, ctx);
}

double bit_weight_of(const WriterContext& ctx, int ordinal)
{
    if (ordinal < 1 || ordinal > static_cast<int>(ctx.bit_weights.size()))
        return 0.0;
    return ctx.bit_weights[static_cast<std::size_t>(ordinal - 1)];
}

int write_ascii_per_channel(int descriptor, const ChannelCodes& codes, const Trace& t, WriterContext& ctx)
{
    const int ordinal = ++ctx.channel_ordinal;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%.3s.asc", codes.channel);
    const std::string name = platform::replace_extension(ctx.current_output, suffix);
    if (ctx.verbose) report("Output file: %s\n", name.c_str());
    if (!ctx.input_name.empty() && platform::same_file(name, ctx.input_name)) {
        report("\nERROR: output file is the input file: %s\n", name.c_str());
        return 0;
    }
    // Moved into place only when complete: a failure keeps an earlier file.
    platform::FileHandle out = staging_begin(name);
    if (!out)
        return 0;
    std::fprintf(out.get(), "H %.6f %d %.2f %.6e\n", t.start, ordinal, t.rate, bit_weight_of(ctx, ordinal));
    if (!write_sample_lines(descriptor, t, out.get(), ctx)) {
        staging_abandon(out, name);
        return 0;
    }
    return staging_finish(out, name) ? 1 : 0;
}

int write_mseed(int descriptor, const ChannelCodes& codes, const Trace& t, std::FILE* out, WriterContext& ctx)
{
    MseedHeader h;
    h.station = codes.station;
    h.location = codes.location;
    h.channel = codes.channel;
    h.network = codes.network;
    h.rate = t.rate;
    h.time_correction = t.time_correction;
    const std::int64_t start_us = mseed_time_us(t.start);
    const bool timed = t.rate > 0.0 && std::isfinite(t.rate);

    if (suds_seek(descriptor, t.data_pos) != 1) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    SampleSource source(descriptor, t, ctx);
    // The buffer holds `held` samples from sample `done` on, from index
    // `first`; samples a record did not take stay for the next record.
    std::vector<std::int32_t> samples(static_cast<std::size_t>(kChunk + STEIM_MAX_INPUT));
    constexpr int kRecordsPerWrite = 32;
    std::vector<std::uint8_t> records(static_cast<std::size_t>(kRecordsPerWrite) * MSEED_RECORD_SIZE);
    int pending = 0; // records in `records` not yet written
    auto flush = [&]() {
        const std::size_t bytes = static_cast<std::size_t>(pending) * MSEED_RECORD_SIZE;
        pending = 0;
        return bytes == 0 || std::fwrite(records.data(), 1, bytes, out) == bytes;
    };
    long done = 0, held = 0, first = 0;
    while (done < t.count) {
        const long want = std::min<long>(STEIM_MAX_INPUT, t.count - done);
        if (held < want) {
            std::memmove(samples.data(), samples.data() + first, static_cast<std::size_t>(held) * sizeof(std::int32_t));
            first = 0;
            const long more = std::min<long>(kChunk, t.count - done - held);
            if (!source.read(done + held, more, samples.data() + held))
                return 0;
            held += more;
        }
        if (out == nullptr) {
            report("\nERROR: write error to output file!\n");
            return 0;
        }
        std::uint8_t* record = records.data() + static_cast<std::size_t>(pending) * MSEED_RECORD_SIZE;
        const int w = steim_compress_record(samples.data() + first, static_cast<int>(want), record);
        // Start of this record from the channel start, to the microsecond, so that
        // no rounding accumulates from record to record.
        double offset = timed ? std::round(static_cast<double>(done) * 1e6 / t.rate) : 0.0;
        if (!(std::fabs(offset) < 9.0e18)) offset = 0.0; // a rate too small to mean anything
        h.start_us = start_us + static_cast<std::int64_t>(offset);
        mseed_put_header(h, record);
        if (++pending == kRecordsPerWrite && !flush()) {
            report("\nERROR: write error to output file!\n");
            return 0;
        }
        first += w;
        held -= w;
        done += w;
        ++h.sequence_number;
    }
    if (!flush()) {
        report("\nERROR: write error to output file!\n");
        return 0;
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

char* format_sample_lines(const std::int32_t* samples, long n, char* out)
{
    for (long k = 0; k < n; ++k) {
        out = std::to_chars(out, out + 11, samples[k]).ptr;
        out[0] = '\r';
        out[1] = '\n';
        out += 2;
    }
    return out;
}

int write_channel(int descriptor, const ChannelIndexEntry& entry, std::FILE* out, WriterContext& ctx)
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
    switch (ctx.format) {
    case OutputFormat::Ascii: return write_ascii(descriptor, channel_text, t, out, ctx);
    case OutputFormat::AsciiPerChannel: return write_ascii_per_channel(descriptor, codes, t, ctx);
    case OutputFormat::MiniSeed: break;
    }
    return write_mseed(descriptor, codes, t, out, ctx);
}
