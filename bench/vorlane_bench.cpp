// The plotter on a day of data: 24 traces of 24 hours at 100 samples/s
// (207 million 32-bit samples, about 830 MB of SUDS file), drawn into one
// hardcopy sheet with windowing decimation as "vorlane /P3 /H /X0 day.suds".
// Target: under 3 s on a 2-core machine, with peak memory of one trace
// (8.64 million samples, 35 MB) plus the display list.
//
// The program under test is the built vorlane: $VORLANE_BIN, else
// ../plotter/vorlane beside this benchmark's folder.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <suds/suds.h>

namespace {

constexpr int kTraces = 24;
constexpr int kRate = 100;
constexpr int32_t kSamples = 86400 * kRate;

std::string vorlane_path() {
    if (const char* p = std::getenv("VORLANE_BIN"))
        return p;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "plotter" / "vorlane").string();
}

struct DayFile {
    std::string dir, file;
    DayFile() {
        char tmpl[] = "/tmp/vorlane-bench-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "/tmp";
        file = dir + "/day.suds";
        const int fd = suds_open(file.c_str(), SUDS_MODE_CREATE);
        std::mt19937 rng(7);
        std::vector<uint8_t> data(static_cast<size_t>(kSamples) * 4);
        for (int t = 0; t < kTraces; ++t) {
            SudsRecord rec;
            SudsStationComp sc = suds_default_station_comp();
            sc.station.station_name = std::string("D") + std::to_string(t);
            sc.station.component = 'Z';
            suds_record_put(sc, 0, &rec);
            suds_write_struct(fd, &rec);
            SudsDescripTrace dt = suds_default_descrip_trace();
            dt.station = sc.station;
            dt.initial_sample_time = 1158883200.0;
            dt.data_type = 'l';
            dt.number_of_samples = kSamples;
            dt.samples_per_second = kRate;
            int32_t v = 0;
            for (int32_t i = 0; i < kSamples; ++i) {
                v += static_cast<int32_t>(rng() % 201) - 100;
                suds_put_i32(&data[static_cast<size_t>(i) * 4], v);
            }
            suds_record_put(dt, static_cast<int32_t>(data.size()), &rec);
            suds_write_struct(fd, &rec);
            suds_write_data(fd, data.data(), static_cast<int32_t>(data.size()));
        }
        suds_close(fd);
    }
    ~DayFile() { std::filesystem::remove_all(dir); }
};

// Runs vorlane in the file's folder; returns its peak resident size in kB, -1 on failure.
long run_vorlane(const DayFile& day, const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(day.dir.c_str()) != 0)
            _exit(126);
        setenv("TMP", day.dir.c_str(), 1);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        std::vector<char*> argv;
        const std::string bin = vorlane_path();
        argv.push_back(const_cast<char*>(bin.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(bin.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    std::filesystem::remove(day.dir + "/plot0000.plx");
    return ru.ru_maxrss;
}

void BM_VorlaneDay(benchmark::State& state) {
    static DayFile day;
    long peak = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const long kb = run_vorlane(day, {"/P3", "/H", "/X0", "day.suds"});
        const auto t1 = std::chrono::steady_clock::now();
        if (kb < 0) {
            state.SkipWithError("vorlane failed");
            return;
        }
        peak = std::max(peak, kb);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    state.counters["peak_rss_MB"] = peak / 1024.0;
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(kTraces) * kSamples * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VorlaneDay)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
