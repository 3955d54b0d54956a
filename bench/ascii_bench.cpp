// The ASCII writers' sample lines: the fast formatter into a large buffer
// against the printf format and one stream write per sample (how the lines
// were written before), on the same samples into the same null device.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "writers.h"

namespace {

constexpr long kSamples = 1 << 20;

const std::vector<std::int32_t>& samples() {
    static std::vector<std::int32_t> s;
    if (s.empty()) {
        s.resize(kSamples);
        std::mt19937 rng(5);
        std::int32_t x = 0;
        for (auto& v : s) {
            x += static_cast<std::int32_t>(rng() % 4003) -
                 2001; // the walk of the benchmark recordings
            v = x;
        }
    }
    return s;
}

void BM_AsciiLinesPrintf(benchmark::State& state) {
    const auto& s = samples();
    std::FILE* out = std::fopen("/dev/null", "wb");
    char line[16];
    for (auto _ : state) {
        for (long k = 0; k < kSamples; ++k) {
            const int len =
                std::snprintf(line, sizeof line, "%d\r\n", s[static_cast<std::size_t>(k)]);
            std::fwrite(line, 1, static_cast<std::size_t>(len), out);
        }
    }
    std::fclose(out);
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void BM_AsciiLinesFormatter(benchmark::State& state) {
    const auto& s = samples();
    std::FILE* out = std::fopen("/dev/null", "wb");
    constexpr long kChunk = 16384; // as the writers read them
    std::vector<char> text(kChunk * 13);
    for (auto _ : state) {
        for (long done = 0; done < kSamples; done += kChunk) {
            const char* end = format_sample_lines(s.data() + done, kChunk, text.data());
            std::fwrite(text.data(), 1, static_cast<std::size_t>(end - text.data()), out);
        }
    }
    std::fclose(out);
    state.SetItemsProcessed(state.iterations() * kSamples);
}

} // namespace

BENCHMARK(BM_AsciiLinesPrintf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiLinesFormatter)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
