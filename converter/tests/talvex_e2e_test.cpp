// End-to-end runs of the built talvex (and cd11gen) on generated recorder
// files, for every output format; Mini-SEED is read back with libmseed.
#include "recorder_fixture.h"

#include <map>

#ifdef HAVE_LIBMSEED
#include <libmseed.h>
#endif

#include <gtest/gtest.h>

namespace {

struct Trace {
    std::string id; // NET_STA_LOC_CHAN as libmseed gives it
    std::vector<std::int32_t> samples;
    double first_start = 0.0; // seconds since 1970
    int records = 0;
};

#ifdef HAVE_LIBMSEED
std::string g_mseed_log;
void mseed_log(char* text) {
    g_mseed_log += text;
}

// Reads every record with 4096-byte records and data decoding on; the
// traces in order of appearance. Any libmseed message fails the test.
std::vector<Trace> read_mseed(const std::string& path) {
    ms_loginit(mseed_log, nullptr, mseed_log, nullptr);
    g_mseed_log.clear();
    std::vector<Trace> traces;
    MSFileParam* msfp = nullptr;
    MSRecord* msr = nullptr;
    int rv;
    int expected_sequence = 1;
    while ((rv = ms_readmsr_r(&msfp, &msr, path.c_str(), 4096, nullptr, nullptr, 1, 1, 0)) ==
           MS_NOERROR) {
        const std::string id = std::string(msr->network) + "_" + msr->station + "_" +
                               msr->location + "_" + msr->channel;
        if (traces.empty() || traces.back().id != id) {
            traces.push_back(Trace{id, {}, static_cast<double>(msr->starttime) / HPTMODULUS, 0});
            expected_sequence = 1;
        }
        Trace& t = traces.back();
        EXPECT_EQ(msr->reclen, 4096);
        EXPECT_EQ(msr->sequence_number, expected_sequence++);
        EXPECT_EQ(msr->encoding, DE_STEIM1);
        EXPECT_EQ(msr->sampletype, 'i');
        EXPECT_EQ(msr->numsamples, msr->samplecnt);
        const auto* s = static_cast<const std::int32_t*>(msr->datasamples);
        t.samples.insert(t.samples.end(), s, s + msr->numsamples);
        ++t.records;
    }
    EXPECT_EQ(rv, MS_ENDOFFILE) << ms_errorstr(rv);
    ms_readmsr_r(&msfp, &msr, nullptr, 0, nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(g_mseed_log, "") << path;
    return traces;
}
#endif

// Parses a one-file ASCII output: blocks of 4 header lines and samples.
struct AscBlock {
    std::string channel, time, rate;
    std::vector<std::int32_t> samples;
};

std::vector<AscBlock> read_asc(const std::string& text) {
    std::vector<AscBlock> blocks;
    std::size_t pos = 0;
    auto line = [&](const char* end) {
        const auto e = text.find(end, pos);
        std::string s = text.substr(pos, e - pos);
        pos = e + std::strlen(end);
        return s;
    };
    while (pos < text.size()) {
        AscBlock b;
        b.channel = line("\n");
        b.time = line("\n");
        b.rate = line("\n");
        const int count = std::stoi(line("\n"));
        for (int i = 0; i < count; ++i)
            b.samples.push_back(static_cast<std::int32_t>(std::stol(line("\r\n"))));
        blocks.push_back(b);
    }
    return blocks;
}

class Talvex : public ::testing::Test {
  protected:
    RunResult talvex(std::vector<std::string> args) {
        return run_program(TALVEX_BIN, args, dir_.path());
    }
    std::string f(const std::string& name) const { return dir_.file(name); }
    TempDir dir_;
};

RecorderPlan event_plan() {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}, {"BHE", "00"}}, 60);
    plan.signal = GenSignal::RandomWalk;
    plan.amplitude = 5000;
    plan.recording_type = "FILE_EVT";
    plan.trigger_channel = 1;
    plan.trigger_time = 1158920440;
    return plan;
}

} // namespace

#ifdef HAVE_LIBMSEED
TEST_F(Talvex, MiniSeedByDefaultReadByLibmseedSampleForSample) {
    RecorderPlan plan = event_plan();
    plan.partial_group = 2;
    write_recorder(plan, f("rec.cd11"));
    const RunResult r = talvex({"-v", f("rec.cd11")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(file_exists(f("rec.suds"))); // the work file is gone
    const std::string info = read_file(f("rec.wtx"));
    EXPECT_EQ(
        info.rfind(
            "\nCD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version 1.6\nInput file : " +
                f("rec.cd11") + "\nSite Name: TALV1\n",
            0),
        0u)
        << info;
    EXPECT_NE(info.find("Output file: " + f("rec.msed") + "\n"), std::string::npos);
    EXPECT_NE(r.out.find(info.substr(1)), std::string::npos); // the same report on standard output

    const auto traces = read_mseed(f("rec.msed"));
    ASSERT_EQ(traces.size(), 3u);
    const char* ids[] = {"NE_TALV1__BHZ", "NE_TALV1__BHN", "NE_TALV1__BHE"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(traces[static_cast<std::size_t>(k)].id, ids[k]);
        EXPECT_EQ(traces[static_cast<std::size_t>(k)].samples, recorder_channel_samples(plan, k))
            << k;
        // The first record starts at the true first sample time, 750 ms included.
        EXPECT_DOUBLE_EQ(traces[static_cast<std::size_t>(k)].first_start, 1158920430.75);
    }
    EXPECT_EQ(traces[0].samples.size(), 6100u);
    EXPECT_EQ(traces[2].samples.size(), 6000u);
}

TEST_F(Talvex, FullRangeSamplesSurviveEveryStep) {
    RecorderPlan plan = make_plan({{"HHZ", "00"}, {"HHN", "00"}}, 30);
    plan.signal = GenSignal::FullRange;
    plan.channels[1].compressed = false;
    write_recorder(plan, f("wide.cd11"));
    const RunResult r = talvex({f("wide.cd11"), "-verbose"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const auto traces = read_mseed(f("wide.msed"));
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].samples, recorder_channel_samples(plan, 0));
    EXPECT_EQ(traces[1].samples, recorder_channel_samples(plan, 1));
}

TEST_F(Talvex, LocationSplitGivesOneOutputPerLocation) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHZ", "10"}, {"BHN", "00"}}, 5);
    write_recorder(plan, f("rec.cd11"));
    const RunResult r = talvex({"-v", f("rec.cd11")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(file_exists(f("rec.msed")));
    EXPECT_FALSE(file_exists(f("rec_00.suds")));
    EXPECT_FALSE(file_exists(f("rec_10.suds")));
    const std::string info = read_file(f("rec.wtx"));
    EXPECT_NE(info.find("Output file: " + f("rec_00.msed") + "\n"), std::string::npos);
    EXPECT_NE(info.find("Output file: " + f("rec_10.msed") + "\n"), std::string::npos);
    const auto t00 = read_mseed(f("rec_00.msed"));
    const auto t10 = read_mseed(f("rec_10.msed"));
    ASSERT_EQ(t00.size(), 2u);
    ASSERT_EQ(t10.size(), 1u);
    EXPECT_EQ(t00[1].samples, recorder_channel_samples(plan, 2));
    EXPECT_EQ(t10[0].samples, recorder_channel_samples(plan, 1));

    const RunResult s = talvex({"-s", "-v", f("rec.cd11")});
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(read_suds_channels(f("rec_00.suds")).size(), 2u);
    EXPECT_EQ(read_suds_channels(f("rec_10.suds")).size(), 1u);
    EXPECT_NE(read_file(f("rec.wtx")).find("Output file: " + f("rec_10.suds") + "\n"),
              std::string::npos);
}
#endif

TEST_F(Talvex, SudsOutputIsTheWorkFile) {
    RecorderPlan plan = event_plan();
    write_recorder(plan, f("rec.cd11"));
    const RunResult r = talvex({"-s", "-v", "rec.cd11"}); // relative name, made full
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(file_exists(f("rec.msed")));
    EXPECT_NE(read_file(f("rec.wtx")).find(text_lines("Output file: " + f("rec.suds") + "\n\n")),
              std::string::npos);
    const auto channels = read_suds_channels(f("rec.suds"));
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[1].samples, recorder_channel_samples(plan, 1));
}

TEST_F(Talvex, AsciiInOneFile) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2);
    write_recorder(plan, f("rec.cd11"));
    // -casc too: -asc wins, one file.
    const RunResult r = talvex({"-v", "-casc", "-asc", f("rec.cd11")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(file_exists(f("rec_BHZ.asc")));
    const auto blocks = read_asc(read_file(f("rec.asc")));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].channel, "NE:TALV1:BHZ");
    EXPECT_EQ(blocks[1].channel, "NE:TALV1:BHN");
    EXPECT_EQ(blocks[0].time, "09/22/06 10:20:30.750");
    EXPECT_EQ(blocks[0].rate, "100.00");
    EXPECT_EQ(blocks[0].samples, recorder_channel_samples(plan, 0));
    EXPECT_EQ(blocks[1].samples, recorder_channel_samples(plan, 1));
    EXPECT_NE(read_file(f("rec.wtx")).find(text_lines("Output file: " + f("rec.asc") + "\n")),
              std::string::npos);
}

TEST_F(Talvex, AsciiOneFilePerChannel) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHZ", "10"}}, 2);
    plan.bit_weight = 2.5e-6f;
    write_recorder(plan, f("rec.cd11"));
    const RunResult r = talvex({"-v", "-casc", f("rec.cd11")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // Location split: rec_00.asc -> rec_00_BHZ.asc; the ordinal counts on over work files.
    const std::string a = read_file(f("rec_00_BHZ.asc"));
    const std::string b = read_file(f("rec_10_BHZ.asc"));
    EXPECT_EQ(a.substr(0, a.find('\n') + 1), "H 1158920430.750000 1 100.00 2.500000e-06\n");
    EXPECT_EQ(b.substr(0, b.find('\n') + 1), "H 1158920430.750000 2 100.00 2.500000e-06\n");
    const std::string info = read_file(f("rec.wtx"));
    EXPECT_NE(info.find(text_lines("Output file: " + f("rec_00_BHZ.asc") + "\n")),
              std::string::npos);
    EXPECT_NE(info.find(text_lines("Output file: " + f("rec_10_BHZ.asc") + "\n")),
              std::string::npos);
    EXPECT_EQ(info.find("Output file: " + f("rec_00.asc")), std::string::npos);
    EXPECT_FALSE(file_exists(f("rec_00.suds")));

    // Two channels of one code and location: the second never replaces the first.
    write_recorder(make_plan({{"BHZ", "00"}, {"BHZ", "00"}}, 2), f("dup.cd11"));
    ASSERT_EQ(talvex({"-casc", f("dup.cd11")}).status, 0);
    const std::string first = read_file(f("dup_00_BHZ.asc"));
    const std::string second = read_file(f("dup_00_BHZ_2.asc"));
    EXPECT_EQ(first.substr(0, first.find('\n')), "H 1158920430.750000 1 100.00 1.000000e-06");
    EXPECT_EQ(second.substr(0, second.find('\n')), "H 1158920430.750000 2 100.00 1.000000e-06");
}

TEST_F(Talvex, RefusesToOverwriteItsInput) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}}, 1);
    for (const auto& [name, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"rec.msed", {"rec.msed"}},
             {"rec.suds", {"-s", "rec.suds"}},
             {"rec.wtx", {"-v", "rec.wtx"}}}) {
        write_recorder(plan, f(name));
        const std::string before = read_file(f(name));
        const RunResult r = talvex(args);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.out.find("would overwrite the input file: " + f(name)), std::string::npos)
            << r.out;
        EXPECT_EQ(read_file(f(name)), before) << name;
    }
    // An output named like its own work file is refused before anything is written.
    write_recorder(plan, f("rec.cd11"));
    const RunResult r = talvex({"-v", f("rec.cd11"), f("out.suds")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("ERROR: The SUDS work file and the output file have the same name: " +
                         f("out.suds")),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(file_exists(f("out.suds")));
    EXPECT_FALSE(file_exists(f("out.wtx")));
}

TEST_F(Talvex, ExitCodesAndMessages) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}}, 1);
    plan.frame_type = 1;
    write_recorder(plan, f("bad.cd11"));
    RunResult r = talvex({"-v", "-x", f("bad.cd11")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, text_lines("WARNING: Unrecognized command line switch: -x\n"));
    EXPECT_NE(
        read_file(f("bad.wtx")).find(text_lines("ERROR: Unexpected data frame type found: 1\n")),
        std::string::npos);

    r = talvex({f("missing.cd11")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(text_lines("ERROR: Unable to open: " + f("missing.cd11") + "\n")),
              std::string::npos);

    r = talvex({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(text_lines("\nUsage: TALVEX InputFile")), std::string::npos);

    // No channels: nothing to convert, no output, success.
    plan = make_plan({}, 0);
    write_recorder(plan, f("empty.cd11"));
    r = talvex({"-v", f("empty.cd11")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(file_exists(f("empty.msed")));

    // A second run truncates the old outputs.
    write_recorder(make_plan({{"BHZ", "00"}}, 300), f("rec.cd11"));
    ASSERT_EQ(talvex({"-v", f("rec.cd11")}).status, 0);
    const auto big = read_file(f("rec.msed")).size();
    write_recorder(make_plan({{"BHZ", "00"}}, 1), f("rec.cd11"));
    ASSERT_EQ(talvex({"-v", f("rec.cd11")}).status, 0);
    EXPECT_LT(read_file(f("rec.msed")).size(), big);
    EXPECT_EQ(read_file(f("rec.wtx")).find("Input file"),
              read_file(f("rec.wtx")).rfind("Input file"));
}

TEST_F(Talvex, Cd11genWritesWhatTheWriterWrites) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "10"}}, 4);
    plan.channels[1].compressed = false;
    plan.channels[1].sensor_type = 6;
    plan.channels[0].calib_option = true;
    plan.channels[0].calib_factor = 1.25e-3f;
    plan.channels[0].calib_period = 1.0f;
    plan.channels[0].site = plan.channels[1].site = "ABCDE";
    plan.rate = 40;
    plan.subframe_ms = 500;
    plan.partial_group = 1;
    plan.signal = GenSignal::Steps;
    plan.amplitude = 300;
    plan.recording_type = "FILE_EVT";
    plan.trigger_channel = 7;
    plan.trigger_time = 1158920431;
    plan.trigger_ms = 500;
    plan.status_size = 40;
    plan.auth_size = 41;
    plan.authentication = 1;
    plan.latitude = 1.5f;
    plan.longitude = -2.5f;
    plan.elevation = 3;
    plan.misc_status = 6;
    plan.clock_diff = -7;
    plan.bit_weight = 2.5e-6f;
    plan.site = "SITE9";
    write_recorder(plan, f("a.cd11"));
    const RunResult r = run_program(CD11GEN_BIN, {"-c",    "ABCDE:BHZ:00:0:k",
                                                  "-c",    "ABCDE:BHN:10:6:p",
                                                  "-r",    "40",
                                                  "-l",    "500",
                                                  "-n",    "4",
                                                  "-p",    "1",
                                                  "-t",    "2006265 10:20:30.750",
                                                  "-s",    "steps",
                                                  "-A",    "300",
                                                  "-e",    "evt",
                                                  "-T",    "7:1158920431.5",
                                                  "-C",    "40",
                                                  "-a",    "41",
                                                  "-g",    "1.5,-2.5,3",
                                                  "-G",    "off,unlocked",
                                                  "-k",    "-7",
                                                  "-b",    "2.5e-6",
                                                  "-x",    "SITE9",
                                                  "b.cd11"},
                                    dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(f("b.cd11")), read_file(f("a.cd11")));
}

TEST_F(Talvex, ExampleRecordingsConvert) {
    for (const char* name : {"event3.cd11", "twoloc.cd11"}) {
        const std::string src = std::string(EXAMPLES_DIR) + "/" + name;
        ASSERT_TRUE(file_exists(src)) << src;
        std::filesystem::copy_file(testkit::fs_path(src), testkit::fs_path(f(name)));
        const RunResult r = talvex({"-s", "-v", f(name)});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(read_suds_channels(f("event3.suds")).size(), 3u);
    EXPECT_TRUE(file_exists(f("twoloc_00.suds")));
    EXPECT_TRUE(file_exists(f("twoloc_10.suds")));
}

TEST_F(Talvex, RecordingsBeyondTheDataModelEndWithCodeOne) {
    RecorderPlan base = make_plan({{"BHZ", "00"}}, 2);
    std::vector<std::pair<RecorderPlan, std::string>> cases;
    RecorderPlan s = base;
    s.declared_channels = 21;
    cases.push_back({s, "ERROR: Number of channels out of range (0 to 20): 21\n"});
    s = base;
    s.status_size = 16;
    cases.push_back({s, "ERROR: Channel status size below 32 bytes: 16 in: "});
    s = base;
    s.channels[0].compressed = false;
    s.data_size_delta = -4;
    cases.push_back({s, "ERROR: Unexpected data size found: 396\n"});
    for (const auto& [plan, message] : cases) {
        write_recorder(plan, f("bad.cd11"));
        const RunResult r = talvex({"-v", f("bad.cd11")});
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_NE(r.out.find(text_lines(message)), std::string::npos) << r.out;
        EXPECT_NE(read_file(f("bad.wtx")).find(text_lines(message)), std::string::npos);
        EXPECT_FALSE(file_exists(f("bad.msed")));
    }
}
