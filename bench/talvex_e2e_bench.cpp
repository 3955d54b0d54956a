// Whole conversion runs, as "talvex -v rec.cd11" runs them (recorder file ->
// SUDS work file -> Mini-SEED, report and information file), on generated
// 24-hour recordings: 3 channels at 100 samples/s (target < 1.5 s) and
// 20 channels at 200 samples/s (target < 10 s).
#include "driver.h"
#include "recorder_writer.h"
#include "run.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <suds/suds.h>

namespace {

struct Recording {
    std::string dir, input;
    long long samples = 0;
    Recording(int channels, double rate) {
        char tmpl[] = "/tmp/talvex-bench-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "/tmp";
        input = dir + "/day.cd11";
        RecorderPlan plan;
        const char* names[] = {"BHZ", "BHN", "BHE"};
        for (int c = 0; c < channels; ++c) {
            GenChannel ch;
            ch.name = names[c % 3];
            ch.location = std::to_string(10 + c / 3); // distinct locations: one work file each
            ch.location.resize(2, ' ');
            plan.channels.push_back(ch);
        }
        plan.rate = rate;
        plan.subframe_ms = 1000;
        plan.subframes = 86400;
        plan.signal = GenSignal::RandomWalk;
        plan.amplitude = 200;
        plan.start_ms = 1158883200000;
        std::string error;
        if (!recorder_write(plan, input, &error))
            std::fprintf(stderr, "talvex_e2e_bench: %s\n", error.c_str());
        samples = static_cast<long long>(channels) * static_cast<long long>(rate) * 86400;
    }
    ~Recording() { std::filesystem::remove_all(dir); }
};

// Runs the converter with its standard output sent to /dev/null.
int run_talvex(const std::string& input) {
    std::fflush(stdout);
    const int saved = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    run_reset();
    suds_reset();
    const char* argv[] = {"talvex", "-v", input.c_str()};
    const int code = driver_run(3, argv);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return code;
}

void run_bench(benchmark::State& state, Recording& rec) {
    for (auto _ : state) {
        if (run_talvex(rec.input) != 0)
            state.SkipWithError("talvex failed");
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(rec.samples),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(rec.input)) / 1e6;
}

void BM_TalvexDay3x100ToMiniSeed(benchmark::State& state) {
    static Recording rec(3, 100);
    run_bench(state, rec);
}
BENCHMARK(BM_TalvexDay3x100ToMiniSeed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TalvexDay20x200ToMiniSeed(benchmark::State& state) {
    static Recording rec(20, 200);
    run_bench(state, rec);
}
BENCHMARK(BM_TalvexDay20x200ToMiniSeed)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
