// Canadian coder throughput: samples per second decoded and encoded, per
// subframe size and signal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "canadian.h"

namespace {

enum Signal { kRandomWalk, kSine, kNoise };

std::vector<std::int32_t> make_signal(Signal kind, long n) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(n));
    std::mt19937 rng(99);
    std::int32_t x = 0;
    for (long k = 0; k < n; ++k) {
        switch (kind) {
        case kRandomWalk:
            x += static_cast<std::int32_t>(rng() % 201) - 100;
            s[k] = x;
            break;
        case kSine:
            s[k] = static_cast<std::int32_t>(50000.0 * std::sin(0.0628 * static_cast<double>(k)));
            break;
        case kNoise:
            s[k] = static_cast<std::int32_t>(rng());
            break;
        }
    }
    return s;
}

struct Block {
    std::vector<std::uint8_t> bytes;
    long n = 0;
};

Block encode(Signal kind, long n) {
    std::vector<std::int32_t> s = make_signal(kind, n + 1);
    Block b;
    b.n = n;
    b.bytes.resize(canadian_max_block_size(n));
    long len = 0;
    canadian_compress(b.bytes.data(), s.data(), &len, n, s[static_cast<std::size_t>(n)]);
    b.bytes.resize(static_cast<std::size_t>(len));
    return b;
}

// Args: samples per block, signal.
void BM_CanadianDecompress(benchmark::State& state) {
    const long n = state.range(0);
    const Block b = encode(static_cast<Signal>(state.range(1)), n);
    std::vector<std::int32_t> out(static_cast<std::size_t>(n));
    std::int32_t next = 0;
    for (auto _ : state) {
        const int r = canadian_decompress(b.bytes.data(), out.data(),
                                          static_cast<long>(b.bytes.size()), n, &next);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.bytes.size()));
}

void BM_CanadianCompress(benchmark::State& state) {
    const long n = state.range(0);
    const std::vector<std::int32_t> src = make_signal(static_cast<Signal>(state.range(1)), n + 1);
    std::vector<std::int32_t> work(src.size());
    std::vector<std::uint8_t> block(canadian_max_block_size(n));
    long len = 0;
    for (auto _ : state) {
        work = src; // the coder overwrites its input
        const int r =
            canadian_compress(block.data(), work.data(), &len, n, src[static_cast<std::size_t>(n)]);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void signal_args(benchmark::internal::Benchmark* b) {
    b->ArgNames({"n", "signal"});
    for (long n : {100L, 2000L, 120000L})
        for (int s : {kRandomWalk, kSine, kNoise})
            b->Args({n, s});
}

} // namespace

BENCHMARK(BM_CanadianDecompress)->Apply(signal_args);
BENCHMARK(BM_CanadianCompress)->Apply(signal_args);
BENCHMARK_MAIN();
