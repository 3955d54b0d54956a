// Pass 2 writers: Mini-SEED (Steim-1), ASCII in one file, ASCII per channel.
#include "writers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
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
    int width = 4;  // bytes per sample
    long count = 0; // samples
    std::int32_t data_pos = 0;
    double start = 0.0; // "initial sample time"
    double rate = 0.0;  // "samples per second"
    double time_correction = 0.0;
};

// The samples of one trace, widened to 32 bits: from the mapped work file
// where it holds them, else through the SUDS descriptor.
class SampleSource {
  public:
    SampleSource(int descriptor, const Trace& t, WriterContext& ctx)
        : fd_(descriptor), t_(t), map_(ctx.work), progress_(ctx.progress) {}
    // Only from `map`, silently: a sample it cannot give ends the reading.
    SampleSource(const Trace& t, platform::MappedFile* map)
        : fd_(0), t_(t), map_(map), progress_(nullptr), quiet_(true) {}

    // Reads samples [from, from + n) into out. 1, or 0 after the SUDS error
    // text was reported.
    int read(long from, long n, std::int32_t* out) {
        const std::int64_t pos = t_.data_pos + static_cast<std::int64_t>(from) * t_.width;
        const std::size_t bytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(t_.width);
        const std::uint8_t* raw = map_ ? map_->view(pos, bytes) : nullptr;
        if (!raw) {
            if (quiet_ || !read_through_suds(from, bytes))
                return 0;
            raw = fallback_.data();
        }
        if (t_.width == 4)
            for (long k = 0; k < n; ++k)
                out[k] = get_le_i32(raw + 4 * k);
        else
            for (long k = 0; k < n; ++k)
                out[k] = static_cast<std::int16_t>(
                    static_cast<std::uint16_t>(raw[2 * k] | (raw[2 * k + 1] << 8)));
        if (progress_)
            progress_->update_at(pos + static_cast<std::int64_t>(bytes));
        return 1;
    }

  private:
    bool read_through_suds(long from, std::size_t bytes) {
        // The descriptor stands at the trace's data until samples were taken from the map.
        if (from != suds_at_ &&
            suds_seek(fd_, t_.data_pos + static_cast<std::int32_t>(from * t_.width)) != 1) {
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
    platform::MappedFile* map_;
    Progress* progress_;
    bool quiet_ = false;
    long suds_at_ = 0;
    std::vector<std::uint8_t> fallback_;
};

// First `width` characters of a NUL-terminated field of at most `size` bytes.
void copy_code(char* out, const char* in, std::size_t size, std::size_t width) {
    std::size_t i = 0;
    for (; i < width && i < size && in[i]; ++i)
        out[i] = in[i];
    out[i] = 0;
}

int sample_width(char type) {
    switch (type) {
    case 'l':
    case '2':
        return 4;
    case 'i':
    case 'q':
    case 's':
    case 'u':
        return 2;
    default:
        return 0;
    }
}

// Writes every sample of the trace as "%d\r\n" lines. 1, or 0 after its message.
int write_sample_lines(int descriptor, const Trace& t, std::FILE* out, WriterContext& ctx) {
    SampleSource source(descriptor, t, ctx);
    std::vector<std::int32_t> samples(
        static_cast<std::size_t>(std::min(kChunk, std::max(t.count, 1L))));
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

int write_ascii(int descriptor, const char* channel_text, const Trace& t, std::FILE* out,
                WriterContext& ctx) {
    if (out == nullptr) {
        report("\nERROR: write error to output file!\n");
        return 0;
    }
    std::fprintf(out, "%s\n%s\n%.2f\n%d\n", channel_text, suds_time_text(t.start, 4), t.rate,
                 static_cast<int>(t.count));
    return write_sample_lines(descriptor, t, out, ctx);
}

double bit_weight_of(const WriterContext& ctx, int ordinal) {
    if (ordinal < 1 || ordinal > static_cast<int>(ctx.bit_weights.size()))
        return 0.0;
    return ctx.bit_weights[static_cast<std::size_t>(ordinal - 1)];
}

int write_ascii_per_channel(int descriptor, const ChannelCodes& codes, const Trace& t,
                            WriterContext& ctx) {
    const int ordinal = ++ctx.channel_ordinal;
    std::string suffix = "_";
    // The code goes into the name: a character no name can hold becomes '_'.
    for (std::size_t i = 0; i < 3 && codes.channel[i] != '\0'; ++i)
        suffix += platform::file_name_char(codes.channel[i]);
    suffix += ".asc";
    std::string name = platform::replace_extension(ctx.current_output, suffix);
    // Two channels with one code (or codes the system does not tell apart)
    // must not share a file: a later one gets a number behind its code.
    auto taken = [&ctx](const std::string& n) {
        for (const std::string& w : ctx.channel_files)
            if (w == n || platform::same_file(w, n))
                return true;
        return false;
    };
    for (int k = 2; taken(name); ++k)
        name =
            platform::replace_extension(ctx.current_output, suffix.substr(0, suffix.size() - 4) +
                                                                "_" + std::to_string(k) + ".asc");
    ctx.channel_files.push_back(name);
    if (ctx.verbose)
        report("Output file: %s\n", name.c_str());
    if (!ctx.input_name.empty() && platform::same_file(name, ctx.input_name)) {
        report("\nERROR: output file is the input file: %s\n", name.c_str());
        return 0;
    }
    // Moved into place only when complete: a failure keeps an earlier file.
    platform::FileHandle out = staging_begin(name);
    if (!out)
        return 0;
    std::fprintf(out.get(), "H %.6f %d %.2f %.6e\n", t.start, ordinal, t.rate,
                 bit_weight_of(ctx, ordinal));
    if (!write_sample_lines(descriptor, t, out.get(), ctx)) {
        staging_abandon(out, name);
        return 0;
    }
    return staging_finish(out, name) ? 1 : 0;
}

// The Mini-SEED records of one trace, made one batch at a time; the records
// from sample `done` on depend only on `done` and the sequence number, so
// the work can change hands between two batches.
class ChannelEncoder {
  public:
    ChannelEncoder(const ChannelCodes& codes, const Trace& t) : codes_(codes), t_(t) {
        h_.station = codes_.station;
        h_.location = codes_.location;
        h_.channel = codes_.channel;
        h_.network = codes_.network;
        h_.rate = t.rate;
        h_.time_correction = t.time_correction;
        start_us_ = mseed_time_us(t.start);
        timed_ = t.rate > 0.0 && std::isfinite(t.rate);
    }
    ChannelEncoder(const ChannelEncoder&) = delete;
    ChannelEncoder& operator=(const ChannelEncoder&) = delete;

    bool finished() const { return done_ >= t_.count; }
    long done() const { return done_; }
    long sequence() const { return h_.sequence_number; }
    // Goes on from sample `done` with sequence number `sequence`.
    void resume(long done, long sequence) {
        done_ = done;
        h_.sequence_number = sequence;
        held_ = first_ = 0;
    }

    // Makes up to `room` records at `out` (MSEED_RECORD_SIZE bytes each).
    // The number made (0 when finished), or -1 when samples could not be read.
    int encode(SampleSource& source, std::uint8_t* out, int room) {
        // The buffer holds `held_` samples from sample `done_` on, from index
        // `first_`; samples a record did not take stay for the next record.
        if (samples_.empty())
            samples_.resize(static_cast<std::size_t>(kChunk + STEIM_MAX_INPUT));
        int made = 0;
        while (made < room && done_ < t_.count) {
            const long want = std::min<long>(STEIM_MAX_INPUT, t_.count - done_);
            if (held_ < want) {
                std::memmove(samples_.data(), samples_.data() + first_,
                             static_cast<std::size_t>(held_) * sizeof(std::int32_t));
                first_ = 0;
                const long more = std::min<long>(kChunk, t_.count - done_ - held_);
                if (!source.read(done_ + held_, more, samples_.data() + held_))
                    return -1;
                held_ += more;
            }
            std::uint8_t* record = out + static_cast<std::size_t>(made) * MSEED_RECORD_SIZE;
            const int w =
                steim_compress_record(samples_.data() + first_, static_cast<int>(want), record);
            // Start of this record from the channel start, to the microsecond, so that
            // no rounding accumulates from record to record.
            double offset = timed_ ? std::round(static_cast<double>(done_) * 1e6 / t_.rate) : 0.0;
            if (!(std::fabs(offset) < 9.0e18))
                offset = 0.0; // a rate too small to mean anything
            h_.start_us = start_us_ + static_cast<std::int64_t>(offset);
            mseed_put_header(h_, record);
            ++made;
            first_ += w;
            held_ -= w;
            done_ += w;
            ++h_.sequence_number;
        }
        return made;
    }

  private:
    ChannelCodes codes_;
    Trace t_;
    MseedHeader h_;
    std::int64_t start_us_ = 0;
    bool timed_ = false;
    std::vector<std::int32_t> samples_;
    long done_ = 0, held_ = 0, first_ = 0;
};

} // namespace

// The records of the next channel with samples, made on a second thread
// while the channel before it is written, up to a bounded number of records.
class MseedAhead {
  public:
    MseedAhead(const std::string& work_name, int records)
        : limit_(records > 0 ? records : kAheadRecords) {
        map_.set_window(kAheadWindow);
        map_.open(work_name);
    }
    ~MseedAhead() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stop_ = true;
            }
            cv_.notify_all();
            thread_.join();
        }
    }
    MseedAhead(const MseedAhead&) = delete;
    MseedAhead& operator=(const MseedAhead&) = delete;

    // Before the channel at index[at] is written: the next channel that has
    // samples is given to the thread, unless it holds one already.
    void look_ahead(int descriptor, const ChannelIndex& index, std::size_t at, int skip) {
        if (!map_.is_open())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (job_)
                return; // still holds (or makes) records of a channel not reached yet
        }
        for (std::size_t j = at + 1; j < index.size(); ++j) {
            const ChannelIndexEntry& e = index[j];
            if (e.dt_len <= 0 || sample_width(e.type) == 0 || skip-- > 0)
                continue;
            // The trace as write_channel reads it; anything amiss is left to it.
            SudsRecord rec;
            if (suds_seek(descriptor, e.dt_pos) != 1 || suds_read_struct(descriptor, &rec) != 1)
                return;
            SudsDescripTrace dt;
            suds_get_descrip_trace(rec.body, &dt);
            auto job = std::make_unique<Job>();
            job->dt_pos = e.dt_pos;
            job->trace.width = sample_width(e.type);
            job->trace.start = dt.initial_sample_time;
            job->trace.rate = dt.samples_per_second;
            job->trace.time_correction = dt.time_correction;
            job->trace.count = e.dt_len / job->trace.width;
            job->trace.data_pos = suds_file_position(descriptor);
            if (job->trace.data_pos < 0)
                return;
            job->codes = channel_codes(e);
            if (!thread_.joinable()) {
                try {
                    thread_ = std::thread(&MseedAhead::run, this);
                } catch (const std::system_error&) {
                    map_.close();
                    return;
                }
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job_ = std::move(job);
            }
            cv_.notify_all();
            return;
        }
    }

    // The records made ahead for the trace at dt_pos, once the thread is
    // done with them: written to out, the encoder set to go on after them.
    // 1 when there were none or they were written; 0 when writing failed.
    int take(std::int32_t dt_pos, ChannelEncoder& encoder, std::FILE* out) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!job_ || job_->dt_pos != dt_pos)
            return 1;
        cv_.wait(lock, [this] { return job_->ended; });
        std::unique_ptr<Job> job = std::move(job_);
        lock.unlock();
        const std::size_t bytes = static_cast<std::size_t>(job->made) * MSEED_RECORD_SIZE;
        if (bytes > 0 &&
            (out == nullptr || std::fwrite(job->records.data(), 1, bytes, out) != bytes))
            return 0;
        encoder.resume(job->done, job->sequence);
        return 1;
    }

  private:
    struct Job {
        std::int32_t dt_pos = 0;
        Trace trace;
        ChannelCodes codes;
        std::vector<std::uint8_t> records;
        int made = 0;
        long done = 0, sequence = 1;
        bool ended = false; // the thread is done with it
    };
    // Records made ahead at most: a channel of up to about 15 million samples.
    static constexpr int kAheadRecords = 4096;
    static constexpr std::int64_t kAheadWindow = 4LL << 20;

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            cv_.wait(lock, [this] { return stop_ || (job_ && !job_->ended); });
            if (stop_)
                return;
            Job* job = job_.get();
            lock.unlock();
            ChannelEncoder encoder(job->codes, job->trace);
            SampleSource source(job->trace, &map_);
            job->records.resize(static_cast<std::size_t>(limit_) * MSEED_RECORD_SIZE);
            // A sample the map cannot give stops here; the writer meets it itself.
            const int made = encoder.encode(source, job->records.data(), limit_);
            // Nothing is kept of a channel whose samples the map cannot give.
            job->made = made > 0 ? made : 0;
            job->done = made > 0 ? encoder.done() : 0;
            job->sequence = made > 0 ? encoder.sequence() : 1;
            lock.lock();
            job->ended = true;
            cv_.notify_all();
        }
    }

    const int limit_;
    platform::MappedFile map_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::unique_ptr<Job> job_;
    bool stop_ = false;
    std::thread thread_;
};

namespace {

int write_mseed(int descriptor, const ChannelCodes& codes, const Trace& t, std::int32_t dt_pos,
                std::FILE* out, WriterContext& ctx) {
    if (suds_seek(descriptor, t.data_pos) != 1) {
        report("\n%s\n", suds_error_text());
        return 0;
    }
    SampleSource source(descriptor, t, ctx);
    ChannelEncoder encoder(codes, t);
    if (ctx.ahead && ctx.index) {
        if (!ctx.ahead->take(dt_pos, encoder, out)) {
            report("\nERROR: write error to output file!\n");
            return 0;
        }
        // The thread goes on with the channel after the one this writer does next.
        ctx.ahead->look_ahead(descriptor, *ctx.index, ctx.index_at, encoder.finished() ? 1 : 0);
        // Back to the samples, for a trace the map cannot give.
        if (suds_seek(descriptor, t.data_pos) != 1) {
            report("\n%s\n", suds_error_text());
            return 0;
        }
        if (ctx.progress && encoder.done() > 0)
            ctx.progress->update_at(t.data_pos +
                                    static_cast<std::int64_t>(encoder.done()) * t.width);
    }
    constexpr int kRecordsPerWrite = 32;
    std::vector<std::uint8_t> records(static_cast<std::size_t>(kRecordsPerWrite) *
                                      MSEED_RECORD_SIZE);
    while (!encoder.finished()) {
        const int made = encoder.encode(source, records.data(), kRecordsPerWrite);
        if (made < 0)
            return 0;
        const std::size_t bytes = static_cast<std::size_t>(made) * MSEED_RECORD_SIZE;
        if (out == nullptr || std::fwrite(records.data(), 1, bytes, out) != bytes) {
            report("\nERROR: write error to output file!\n");
            return 0;
        }
    }
    return 1;
}

} // namespace

ChannelCodes channel_codes(const ChannelIndexEntry& entry) {
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
        case '1':
        case '4':
            c.channel[2] = 'Z';
            break;
        case '2':
        case '5':
            c.channel[2] = 'N';
            break;
        case '3':
        case '6':
            c.channel[2] = 'E';
            break;
        default:
            c.channel[2] = ' ';
            break;
        }
    } else {
        c.channel[0] = comp;
        c.channel[1] = ' ';
        c.channel[2] = ' ';
    }
    c.channel[3] = 0;
    return c;
}

char* format_sample_lines(const std::int32_t* samples, long n, char* out) {
    for (long k = 0; k < n; ++k) {
        out = std::to_chars(out, out + 11, samples[k]).ptr;
        out[0] = '\r';
        out[1] = '\n';
        out += 2;
    }
    return out;
}

int write_channel(int descriptor, const ChannelIndexEntry& entry, std::FILE* out,
                  WriterContext& ctx) {
    if (entry.dt_len <= 0)
        return 1;
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
    case OutputFormat::Ascii:
        return write_ascii(descriptor, channel_text, t, out, ctx);
    case OutputFormat::AsciiPerChannel:
        return write_ascii_per_channel(descriptor, codes, t, ctx);
    case OutputFormat::MiniSeed:
        break;
    }
    return write_mseed(descriptor, codes, t, entry.dt_pos, out, ctx);
}

void MseedAheadDeleter::operator()(MseedAhead* ahead) const {
    std::default_delete<MseedAhead>()(ahead);
}

MseedAheadPtr mseed_ahead_open(const std::string& work_name, int records) {
    return MseedAheadPtr(std::make_unique<MseedAhead>(work_name, records).release());
}

void mseed_look_ahead(MseedAhead* ahead, int descriptor, const ChannelIndex& index,
                      std::size_t at) {
    if (ahead)
        ahead->look_ahead(descriptor, index, at, 0);
}
