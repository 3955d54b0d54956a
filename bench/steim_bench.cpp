// Steim-1 packing throughput: our record encoder (with its header) against
// libmseed's own Steim-1 packer (msr_pack) on the same samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "channel_index.h"
#include "mseed_record.h"
#include "steim.h"

#include <suds/suds.h>

#ifdef HAVE_LIBMSEED
#include <libmseed.h>
#endif

namespace {

enum Signal { kRandomWalk, kSine, kNoise };
constexpr long kSamples = 1 << 20;

const std::vector<std::int32_t>& signal(Signal kind) {
    static std::vector<std::int32_t> cache[3];
    std::vector<std::int32_t>& s = cache[kind];
    if (s.empty()) {
        s.resize(kSamples);
        std::mt19937 rng(7);
        std::int32_t x = 0;
        for (long k = 0; k < kSamples; ++k) {
            switch (kind) {
            case kRandomWalk:
                x += static_cast<std::int32_t>(rng() % 201) - 100;
                s[k] = x;
                break;
            case kSine:
                s[k] =
                    static_cast<std::int32_t>(50000.0 * std::sin(0.0628 * static_cast<double>(k)));
                break;
            case kNoise:
                s[k] = static_cast<std::int32_t>(rng());
                break;
            }
        }
    }
    return s;
}

void BM_SteimCompressRecord(benchmark::State& state) {
    const std::vector<std::int32_t>& s = signal(static_cast<Signal>(state.range(0)));
    std::vector<std::uint8_t> record(MSEED_RECORD_SIZE);
    MseedHeader h;
    h.station = "TALV1";
    h.channel = "BHZ";
    h.network = "XX";
    h.rate = 100.0;
    long records = 0;
    for (auto _ : state) {
        long done = 0;
        h.sequence_number = 1;
        while (done < kSamples) {
            const int n = static_cast<int>(std::min<long>(4096, kSamples - done));
            const int w = steim_compress_record(s.data() + done, n, record.data());
            h.start_us = done * 10000;
            mseed_put_header(h, record.data());
            benchmark::DoNotOptimize(record.data());
            done += w;
            ++h.sequence_number;
            ++records;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    state.counters["records"] =
        benchmark::Counter(static_cast<double>(records) / static_cast<double>(state.iterations()));
}

#ifdef HAVE_LIBMSEED
void discard(char* record, int length, void*) {
    benchmark::DoNotOptimize(record);
    benchmark::DoNotOptimize(length);
}

void BM_LibmseedPackSteim1(benchmark::State& state) {
    const std::vector<std::int32_t>& s = signal(static_cast<Signal>(state.range(0)));
    std::vector<std::int32_t> work(s.size());
    MSRecord* msr = msr_init(nullptr);
    long records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        work = s; // the packer may shift the samples it was given
        std::snprintf(msr->network, sizeof msr->network, "XX");
        std::snprintf(msr->station, sizeof msr->station, "TALV1");
        std::snprintf(msr->channel, sizeof msr->channel, "BHZ");
        msr->location[0] = 0;
        msr->dataquality = 'D';
        msr->reclen = 4096;
        msr->encoding = DE_STEIM1;
        msr->byteorder = 1;
        msr->samprate = 100.0;
        msr->starttime = 0;
        msr->sequence_number = 1;
        msr->sampletype = 'i';
        msr->datasamples = work.data();
        msr->numsamples = kSamples;
        msr->samplecnt = kSamples;
        state.ResumeTiming();
        int64_t packed = 0;
        records += msr_pack(msr, discard, nullptr, &packed, 1, 0);
    }
    msr->datasamples = nullptr;
    msr_free(&msr);
    state.SetItemsProcessed(state.iterations() * kSamples);
    state.counters["records"] =
        benchmark::Counter(static_cast<double>(records) / static_cast<double>(state.iterations()));
}
#endif

// The samples of every channel of the SUDS file named by TALVEX_BENCH_SUDS
// (the work file of the day that talvex converts), so that the packer runs
// on the very samples of the end-to-end rows. Empty when none is named.
const std::vector<std::vector<std::int32_t>>& file_channels() {
    static std::vector<std::vector<std::int32_t>> channels;
    static bool loaded = false;
    if (loaded)
        return channels;
    loaded = true;
    const char* path = std::getenv("TALVEX_BENCH_SUDS");
    if (!path || !*path)
        return channels;
    const int fd = suds_open(path, SUDS_MODE_READ);
    if (fd <= 0)
        return channels;
    ChannelIndex index;
    channel_index_build(fd, &index);
    for (const ChannelIndexEntry& e : index) {
        if (e.dt_len <= 0 || e.type != 'l')
            continue;
        SudsRecord rec;
        if (suds_seek(fd, e.dt_pos) != 1 || suds_read_struct(fd, &rec) != 1)
            break;
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(e.dt_len));
        if (suds_read_data(fd, raw.data(), e.dt_len) != 1)
            break;
        std::vector<std::int32_t> s(raw.size() / 4);
        for (std::size_t k = 0; k < s.size(); ++k)
            s[k] = suds_get_i32(raw.data() + 4 * k);
        channels.push_back(std::move(s));
    }
    suds_close(fd);
    return channels;
}

long long file_samples() {
    long long n = 0;
    for (const auto& c : file_channels())
        n += static_cast<long long>(c.size());
    return n;
}

void BM_SteimCompressFile(benchmark::State& state) {
    const auto& channels = file_channels();
    if (channels.empty()) {
        state.SkipWithError("TALVEX_BENCH_SUDS names no SUDS file with samples");
        return;
    }
    std::vector<std::uint8_t> record(MSEED_RECORD_SIZE);
    MseedHeader h;
    h.station = "TALV1";
    h.channel = "BHZ";
    h.network = "XX";
    h.rate = 100.0;
    for (auto _ : state) {
        for (const auto& s : channels) {
            long done = 0;
            const long total = static_cast<long>(s.size());
            h.sequence_number = 1;
            while (done < total) {
                const int n = static_cast<int>(std::min<long>(4096, total - done));
                const int w = steim_compress_record(s.data() + done, n, record.data());
                h.start_us = done * 10000;
                mseed_put_header(h, record.data());
                benchmark::DoNotOptimize(record.data());
                done += w;
                ++h.sequence_number;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * file_samples());
}

#ifdef HAVE_LIBMSEED
void BM_LibmseedPackFile(benchmark::State& state) {
    const auto& channels = file_channels();
    if (channels.empty()) {
        state.SkipWithError("TALVEX_BENCH_SUDS names no SUDS file with samples");
        return;
    }
    std::vector<std::int32_t> work;
    MSRecord* msr = msr_init(nullptr);
    for (auto _ : state) {
        for (const auto& s : channels) {
            state.PauseTiming();
            work = s; // the packer may shift the samples it was given
            std::snprintf(msr->network, sizeof msr->network, "XX");
            std::snprintf(msr->station, sizeof msr->station, "TALV1");
            std::snprintf(msr->channel, sizeof msr->channel, "BHZ");
            msr->location[0] = 0;
            msr->dataquality = 'D';
            msr->reclen = 4096;
            msr->encoding = DE_STEIM1;
            msr->byteorder = 1;
            msr->samprate = 100.0;
            msr->starttime = 0;
            msr->sequence_number = 1;
            msr->sampletype = 'i';
            msr->datasamples = work.data();
            msr->numsamples = static_cast<int64_t>(work.size());
            msr->samplecnt = static_cast<int64_t>(work.size());
            state.ResumeTiming();
            int64_t packed = 0;
            msr_pack(msr, discard, nullptr, &packed, 1, 0);
        }
    }
    msr->datasamples = nullptr;
    msr_free(&msr);
    state.SetItemsProcessed(state.iterations() * file_samples());
}
#endif

void signal_args(benchmark::internal::Benchmark* b) {
    b->ArgNames({"signal"});
    for (int s : {kRandomWalk, kSine, kNoise})
        b->Args({s});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_SteimCompressRecord)->Apply(signal_args);
#ifdef HAVE_LIBMSEED
BENCHMARK(BM_LibmseedPackSteim1)->Apply(signal_args);
#endif
BENCHMARK(BM_SteimCompressFile)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef HAVE_LIBMSEED
BENCHMARK(BM_LibmseedPackFile)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
BENCHMARK_MAIN();
