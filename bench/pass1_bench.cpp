// Pass 1 (recorder file -> SUDS work file) on a generated 24-hour, 3-channel,
// 100 samples/s compressed recording. Target: under 1 s.
#include "driver.h"
#include "recorder_writer.h"
#include "run.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <suds/suds.h>

namespace {

struct Recording {
    std::string dir, input, work;
    long long samples = 0;
    Recording() {
        char tmpl[] = "/tmp/talvex-bench-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "/tmp";
        input = dir + "/day.cd11";
        work = dir + "/day.suds";
        RecorderPlan plan;
        for (const char* name : {"BHZ", "BHN", "BHE"}) {
            GenChannel ch;
            ch.name = name;
            plan.channels.push_back(ch);
        }
        plan.rate = 100;
        plan.subframe_ms = 1000;
        plan.subframes = 86400;
        plan.signal = GenSignal::RandomWalk;
        plan.amplitude = 200;
        plan.start_ms = 1158883200000;
        std::string error;
        if (!recorder_write(plan, input, &error))
            std::fprintf(stderr, "pass1_bench: %s\n", error.c_str());
        samples = 3LL * 100 * 86400;
    }
    ~Recording() { std::filesystem::remove_all(dir); }
};

void BM_Pass1Day3x100(benchmark::State& state) {
    static Recording rec;
    for (auto _ : state) {
        run_reset();
        g_run.suds = true;
        g_run.input_name = rec.input;
        g_run.work_name = rec.work;
        if (!pass1(rec.input, rec.work))
            state.SkipWithError("pass 1 failed");
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(rec.samples),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(rec.input)) / 1e6;
}
BENCHMARK(BM_Pass1Day3x100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
