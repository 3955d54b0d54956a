#include "driver.h"

#include "assembly.h"
#include "recorder_layout.h"
#include "run.h"

#include "recorder_fixture.h"

#include <gtest/gtest.h>

namespace {

class Pass1 : public ::testing::Test {
  protected:
    void SetUp() override {
        run_reset();
        suds_reset();
        input_ = dir_.file("rec.cd11");
        work_ = dir_.file("rec.suds");
    }
    void TearDown() override {
        run_reset();
        suds_reset();
    }

    // Runs pass 1 verbosely with -suds on the written file; the report text.
    std::string convert(const RecorderPlan& plan, bool verbose = true) {
        write_recorder(plan, input_);
        return run_pass1(verbose);
    }
    std::string run_pass1(bool verbose = true) {
        g_run.verbose = verbose;
        g_run.suds = true;
        g_run.input_name = input_;
        g_run.work_name = work_;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        ok_ = pass1(input_, work_);
        err_ = testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout();
    }
    // Overwrites bytes of the written file.
    void patch(long offset, const std::vector<std::uint8_t>& bytes) {
        std::string data = read_file(input_);
        ASSERT_LE(offset + bytes.size(), data.size());
        for (std::size_t i = 0; i < bytes.size(); ++i)
            data[static_cast<std::size_t>(offset) + i] = static_cast<char>(bytes[i]);
        std::ofstream(input_, std::ios::binary) << data;
    }
    static std::vector<std::uint8_t> le32(std::int32_t v) {
        std::vector<std::uint8_t> b(4);
        put_le_i32(b.data(), v);
        return b;
    }
    // Offset of the first subframe of a file with n channels.
    static long first_subframe(int n) { return 68 + 10 * n + (10 * n) % 4; }

    TempDir dir_;
    std::string input_, work_, err_;
    bool ok_ = false;
};

RecorderPlan three_channels() {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}, {"BHE", "00"}});
    plan.latitude = 46.5f;
    plan.longitude = 7.25f;
    plan.elevation = 512.0f;
    plan.clock_diff = 12;
    plan.bit_weight = 2.5e-6f;
    return plan;
}

const char* const kChannelBlocks = "Channel 1: BHZ   Location: 00   Rate:  100 sps\n"
                                   " Sensor: Seismic   Authentication: Off   Compression: On\n"
                                   " Bit Weight: 2.500000e-06 V/count\n"
                                   "Channel 2: BHN   Location: 00   Rate:  100 sps\n"
                                   " Sensor: Seismic   Authentication: Off   Compression: On\n"
                                   " Bit Weight: 2.500000e-06 V/count\n"
                                   "Channel 3: BHE   Location: 00   Rate:  100 sps\n"
                                   " Sensor: Seismic   Authentication: Off   Compression: On\n"
                                   " Bit Weight: 2.500000e-06 V/count\n";

} // namespace

TEST_F(Pass1, ContinuousRecordingReport) {
    const std::string text = convert(three_channels());
    ASSERT_TRUE(ok_) << text << err_;
    EXPECT_EQ(text, "Site Name: TALV1\n"
                    "Recording Type: Continuous\n"
                    "Number of Channels: 3\n"
                    "Start Time: 9/22/2006 10:20:30.750\tDuration: 3 sec\n"
                    "Site Latitude:  46.50000  Longitude:    7.25000 Elevation:  512.0 meters\n"
                    "GPS receiver ON, LOCKED \tClock differential (microsec): 12        \n" +
                        std::string(kChannelBlocks) + "Output file: " + work_ + "\n\n");
    EXPECT_EQ(err_, "");
}

TEST_F(Pass1, EventRecordingNamesItsTrigger) {
    RecorderPlan plan = three_channels();
    plan.recording_type = "FILE_EVT";
    plan.trigger_time = 1158920405; // 10:20:05
    plan.trigger_ms = 250;
    plan.trigger_channel = 7;
    std::string text = convert(plan);
    ASSERT_TRUE(ok_);
    EXPECT_NE(text.find("Recording Type: Event\n"), std::string::npos);
    EXPECT_NE(
        text.find("Duration: 3 sec\nEvent time: 9/22/2006 10:20: 5.250\tExternal digital trigger\n"
                  "Site Latitude:"),
        std::string::npos)
        << text;

    plan.trigger_channel = 2;
    plan.trigger_time = 1158920490; // 10:21:30
    plan.trigger_ms = 0;
    text = convert(plan);
    ASSERT_TRUE(ok_);
    EXPECT_NE(text.find("Event time: 9/22/2006 10:21:30.000\tFirst trigger on channel 2\n"),
              std::string::npos)
        << text;
}

TEST_F(Pass1, RecordingTypesAndQuietRuns) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}}, 1);
    const std::pair<const char*, const char*> types[] = {
        {"FILE_CAL", "Recording Type: Calibration\n"},
        {"FILE_SOH", "Recording Type: SOH\n"},
        {"FILE_XYZ", "Recording Type: Unknown\n"}};
    for (const auto& [type, line] : types) {
        plan.recording_type = type;
        EXPECT_NE(convert(plan).find(line), std::string::npos) << type;
    }
    // Not verbose: nothing at all is written, an event neither.
    plan.recording_type = "FILE_EVT";
    EXPECT_EQ(convert(plan, false), "");
    EXPECT_TRUE(ok_);
}

TEST_F(Pass1, GpsBitsAndStatusSizes) {
    RecorderPlan plan = three_channels();
    plan.misc_status = kGpsOffBit;
    EXPECT_NE(convert(plan).find("GPS receiver OFF, LOCKED \t"), std::string::npos);
    plan.misc_status = kGpsUnlockedBit;
    EXPECT_NE(convert(plan).find("GPS receiver ON, UNLOCKED \t"), std::string::npos);
    plan.misc_status = kGpsOffBit | kGpsUnlockedBit;
    EXPECT_NE(convert(plan).find("GPS receiver OFF, UNLOCKED \t"), std::string::npos);

    // A 32-byte status holds no coordinates and no bit weight: they stay 0.
    plan.status_size = 32;
    std::string text = convert(plan);
    ASSERT_TRUE(ok_);
    EXPECT_NE(
        text.find("Site Latitude:   0.00000  Longitude:    0.00000 Elevation:    0.0 meters\n"),
        std::string::npos);
    EXPECT_NE(text.find(" Bit Weight: 0.000000e+00 V/count\n"), std::string::npos);

    // A longer status is skipped past its four floats.
    plan.status_size = 60;
    text = convert(plan);
    ASSERT_TRUE(ok_) << text;
    EXPECT_NE(text.find("Site Latitude:  46.50000"), std::string::npos);
    const auto channels = read_suds_channels(work_);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[2].samples, recorder_channel_samples(plan, 2));
}

TEST_F(Pass1, AuthenticationIsSkippedToAMultipleOfFour) {
    for (int size : {40, 41}) {
        RecorderPlan plan = three_channels();
        plan.auth_size = size;
        plan.authentication = 1;
        const std::string text = convert(plan);
        ASSERT_TRUE(ok_) << size << text;
        EXPECT_NE(text.find(" Sensor: Seismic   Authentication: On   Compression: On\n"),
                  std::string::npos);
        const auto channels = read_suds_channels(work_);
        ASSERT_EQ(channels.size(), 3u);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(channels[static_cast<std::size_t>(c)].samples,
                      recorder_channel_samples(plan, c))
                << size;
    }
}

TEST_F(Pass1, CalibrationSensorAndPlainChannels) {
    RecorderPlan plan = three_channels();
    plan.channels[0].calib_option = true;
    plan.channels[0].calib_factor = 1.25e-3f;
    plan.channels[0].calib_period = 1.5f;
    plan.channels[1].sensor_type = 6;
    plan.channels[1].compressed = false;
    plan.channels[2].sensor_type = 9;
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_);
    EXPECT_NE(text.find("Compression: On\n Calib: 1.25e-03  Calper:  1.5000 sec\n Bit Weight"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" Sensor: Acceleration   Authentication: Off   Compression: Off\n"),
              std::string::npos);
    EXPECT_NE(text.find("Channel 3: BHE   Location: 00   Rate:  100 sps\n Sensor: Other   "),
              std::string::npos);
    const auto channels = read_suds_channels(work_);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[1].samples, recorder_channel_samples(plan, 1));
    EXPECT_EQ(channels[1].sc.sensor_type, 'a');
    EXPECT_EQ(channels[2].sc.sensor_type, '_');
}

TEST_F(Pass1, IncompleteLastGroupGivesTheFirstChannelsOneMoreSubframe) {
    RecorderPlan plan = three_channels();
    plan.partial_group = 1;
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_) << text;
    EXPECT_NE(text.find("Duration: 4 sec\n"), std::string::npos);
    const auto channels = read_suds_channels(work_);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[0].samples.size(), 400u);
    EXPECT_EQ(channels[1].samples.size(), 300u);
    EXPECT_EQ(channels[0].samples, recorder_channel_samples(plan, 0));
    EXPECT_EQ(channels[2].samples, recorder_channel_samples(plan, 2));
}

TEST_F(Pass1, OneChannelFileAndZeroChannels) {
    RecorderPlan plan = make_plan({{"HHZ", "00"}}, 5);
    plan.signal = GenSignal::FullRange;
    ASSERT_TRUE((convert(plan), ok_));
    auto channels = read_suds_channels(work_);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].samples, recorder_channel_samples(plan, 0));

    plan.declared_channels = 0;
    plan.channels.clear();
    plan.subframes = 0;
    std::remove(work_.c_str());
    const std::string text = convert(plan);
    EXPECT_TRUE(ok_) << text;
    EXPECT_TRUE(g_run.work_files.empty());
    EXPECT_FALSE(file_exists(work_));
    EXPECT_EQ(text.find("Output file:"), std::string::npos);
}

TEST_F(Pass1, TimeGapsAreReportedAndTheSamplesStillAppended) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 4);
    plan.gap_at = 2;
    plan.gap_ms = 1500;
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_);
    EXPECT_NE(
        text.find("WARNING: Channel 1 (BHZ): subframe starts at 2006/09/22 10:20:34.250, expected "
                  "2006/09/22 10:20:32.750 (+1.500 sec)\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("WARNING: Channel 2 (BHN)"), std::string::npos);
    // Reported after the channel's block: the first report line stays whole.
    EXPECT_NE(text.find("\tDuration: "), std::string::npos) << text;
    const auto warning = text.find("WARNING: Channel 1");
    EXPECT_GT(warning, text.find(" Bit Weight: "));
    EXPECT_LT(warning, text.find("Channel 2: BHN"));
    EXPECT_EQ(read_suds_channels(work_)[0].samples.size(), 400u);

    // An offset below half a sample interval is no gap.
    plan.gap_ms = 4;
    EXPECT_EQ(convert(plan).find("WARNING"), std::string::npos);
}

TEST_F(Pass1, LocationSplitNamesAndRoutesChannels) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHZ", "10"}, {"BHN", "00"}});
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_) << text;
    EXPECT_TRUE(g_run.location_split);
    const std::string f00 = dir_.file("rec_00.suds"), f10 = dir_.file("rec_10.suds");
    EXPECT_EQ(g_run.work_files, (std::vector<std::string>{f00, f10}));
    EXPECT_NE(text.find("Channel 1: BHZ   Location: 00   Rate:  100 sps\n Sensor: Seismic   "
                        "Authentication: Off   "
                        "Compression: On\n Bit Weight: 1.000000e-06 V/count\nOutput file: " +
                        f00 + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Output file: " + f10 + "\n"), std::string::npos);
    EXPECT_EQ(text.find("Output file: " + work_), std::string::npos);
    const auto c00 = read_suds_channels(f00);
    const auto c10 = read_suds_channels(f10);
    ASSERT_EQ(c00.size(), 2u);
    ASSERT_EQ(c10.size(), 1u);
    EXPECT_EQ(c00[0].sc.channel, 1);
    EXPECT_EQ(c00[1].sc.channel, 3);
    EXPECT_EQ(c10[0].sc.channel, 2);
    EXPECT_EQ(c00[1].samples, recorder_channel_samples(plan, 2));
    EXPECT_EQ(c10[0].samples, recorder_channel_samples(plan, 1));
    EXPECT_FALSE(file_exists(work_));

    // Two different names do not split.
    plan = make_plan({{"BHZ", "00"}, {"BHN", "10"}});
    convert(plan);
    EXPECT_FALSE(g_run.location_split);
}

TEST_F(Pass1, FailuresOfTheFileStructure) {
    RecorderPlan one = make_plan({{"BHZ", "00"}}, 2);
    RecorderPlan two = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2);
    struct Case {
        const char* name;
        RecorderPlan plan;
        const char* message;
    };
    std::vector<Case> cases;
    {
        RecorderPlan s = one;
        s.frame_type = 1;
        cases.push_back({"frame type", s, "ERROR: Unexpected data frame type found: 1\n"});
    }
    {
        RecorderPlan s = one;
        s.channels[0].compressed = false;
        s.data_size_delta = 4;
        cases.push_back({"plain data size", s, "ERROR: Unexpected data size found: 404\n"});
    }
    {
        RecorderPlan s = one;
        s.subframes = 0;
        cases.push_back({"no subframes", s, "ERROR: No data subframes found for channel 1 in: "});
    }
    for (auto& c : cases) {
        const std::string text = convert(c.plan);
        EXPECT_FALSE(ok_) << c.name;
        EXPECT_NE(text.find(c.message), std::string::npos) << c.name << ": " << text;
    }

    std::remove(input_.c_str());
    EXPECT_EQ(run_pass1(), "ERROR: Unable to open: " + input_ + "\n");
    EXPECT_FALSE(ok_);
}

TEST_F(Pass1, FilesBeyondTheDataModelAreRefused) {
    RecorderPlan base = make_plan({{"BHZ", "00"}}, 2);
    struct Case {
        const char* name;
        RecorderPlan plan;
        const char* message;
    };
    std::vector<Case> cases;
    {
        RecorderPlan s = base;
        s.declared_channels = 21;
        cases.push_back(
            {"channels", s, "\nERROR: Number of channels out of range (0 to 20): 21\n"});
        s.declared_channels = -1000;
        s.channels.clear();
        cases.push_back({"negative channels", s,
                         "\nERROR: Number of channels out of range (0 to 20): -1000\n"});
    }
    {
        RecorderPlan s = base;
        s.channels[0].compressed = false;
        s.samples_override = 120001;
        s.subframes = 1;
        cases.push_back(
            {"samples", s, "\nERROR: Number of samples out of range (0 to 120000): 120001 in: "});
        s.samples_override = 120000;
        s.data_size_delta = 4;
        cases.push_back(
            {"data size", s, "\nERROR: Data size out of range (0 to 480000): 480004 in: "});
    }
    {
        RecorderPlan s = base;
        s.status_size = 28;
        cases.push_back({"status", s, "\nERROR: Channel status size below 32 bytes: 28 in: "});
        s.status_size = -4;
        cases.push_back(
            {"negative status", s, "\nERROR: Channel status size below 32 bytes: -4 in: "});
    }
    {
        RecorderPlan s = base;
        s.subframe_ms = 0;
        s.samples_override = 100;
        cases.push_back({"time length", s, "\nERROR: Invalid subframe time length: 0 ms in: "});
        s.subframe_ms = -1000;
        cases.push_back(
            {"negative time length", s, "\nERROR: Invalid subframe time length: -1000 ms in: "});
    }
    {
        RecorderPlan s = base;
        s.channels[0].transformation = 2;
        cases.push_back({"transformation", s, "\nERROR: Unsupported data transformation: 2 in: "});
    }
    {
        RecorderPlan s = base;
        s.auth_size = -8;
        cases.push_back({"authentication", s, "ERROR: Invalid authentication size: -8 in: "});
    }
    for (auto& c : cases) {
        const std::string text = convert(c.plan);
        EXPECT_FALSE(ok_) << c.name;
        EXPECT_NE(text.find(c.message), std::string::npos) << c.name << ": " << text;
    }
}

TEST_F(Pass1, ChangedInterleavingIsRefused) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2);
    for (auto& ch : plan.channels)
        ch.compressed = false;
    write_recorder(plan, input_);
    const long subframe = (static_cast<long>(read_file(input_).size()) - first_subframe(2)) / 4;
    // Channel 1's second subframe claims to be BHE.
    patch(first_subframe(2) + 2 * subframe + 17, {'B', 'H', 'E'});
    const std::string text = run_pass1();
    EXPECT_FALSE(ok_);
    EXPECT_NE(text.find("ERROR: Unable to locate datablocks for channel: BHE\n"), std::string::npos)
        << text;
}

TEST_F(Pass1, CutsNameWhatCouldNotBeRead) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 1);
    write_recorder(plan, dir_.file("whole.cd11"));
    const std::string whole = read_file(dir_.file("whole.cd11"));
    const long sub = first_subframe(2);
    const std::pair<long, std::string> cuts[] = {
        {20, "ERROR: Unable to read: " + input_ + "\n"},       // file header
        {50, "ERROR: Unable to read: " + input_ + "\n"},       // data frame header
        {75, "ERROR: Unable to read: " + input_ + "\n"},       // channel string
        {sub + 30, "ERROR: Unable to read: " + input_ + "\n"}, // fixed part
        {sub + 64 + 10, "ERROR: Unable to read channel status from: " + input_ + "\n"},
        {sub + 64 + 32 + 6, "ERROR: Unable to read coordinates from: " + input_ + "\n"},
        {sub + 64 + 48 + 2, "ERROR: Unable to read: " + input_ + "\n"}, // data size
    };
    for (const auto& [len, message] : cuts) {
        std::ofstream(input_, std::ios::binary | std::ios::trunc)
            << whole.substr(0, static_cast<std::size_t>(len));
        const std::string text = run_pass1();
        EXPECT_FALSE(ok_) << len;
        EXPECT_NE(text.find(message), std::string::npos) << len << ": " << text;
        suds_reset();
    }
    // Channel 2 has no subframe at all.
    plan.subframes = 0;
    plan.partial_group = 1;
    write_recorder(plan, input_);
    const std::string text = run_pass1();
    EXPECT_FALSE(ok_);
    EXPECT_NE(text.find("ERROR: No data subframes found for channel 2 in: " + input_ + "\n"),
              std::string::npos)
        << text;
}

TEST_F(Pass1, NegativeLengthOfASkippedSubframeIsRefused) {
    write_recorder(make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2), input_);
    patch(first_subframe(2), le32(-64));
    const std::string text = run_pass1();
    EXPECT_FALSE(ok_);
    EXPECT_NE(text.find("ERROR: Invalid subframe length -64 in: "), std::string::npos) << text;
    EXPECT_NE(text.find("ERROR: Unable to skip data records: "), std::string::npos);
}

TEST_F(Pass1, TruncatedFilesFailCleanlyAtEveryLength) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2);
    plan.samples_override = 20;
    plan.auth_size = 8;
    for (auto& ch : plan.channels)
        ch.compressed = false; // every subframe the same size
    write_recorder(plan, dir_.file("whole.cd11"));
    const std::string whole = read_file(dir_.file("whole.cd11"));
    const long header = first_subframe(2);
    const long subframe = (static_cast<long>(whole.size()) - header) / 4;
    int succeeded = 0;
    for (std::size_t len = 0; len < whole.size(); ++len) {
        std::ofstream(input_, std::ios::binary | std::ios::trunc) << whole.substr(0, len);
        const std::string text = run_pass1() + err_;
        // Only cuts at a subframe boundary after the first group read: the
        // channels then simply end early.
        const long rest = static_cast<long>(len) - header;
        const bool boundary = rest >= 2 * subframe && rest % subframe == 0;
        EXPECT_EQ(ok_, boundary) << "length " << len << ": " << text;
        if (!ok_) {
            EXPECT_NE(text.find("ERROR: "), std::string::npos) << len;
        }
        succeeded += ok_;
        suds_reset();
    }
    EXPECT_EQ(succeeded, 2);    // after group 1, and after channel 1 of group 2
    EXPECT_NE(run_pass1(), ""); // the whole file converts
    // A cut in the trailer names the subframe signature.
    std::ofstream(input_, std::ios::binary | std::ios::trunc)
        << whole.substr(0, static_cast<std::size_t>(header + subframe - 6));
    EXPECT_NE(run_pass1().find("ERROR: Unable to read: " + input_ +
                               "\nERROR: Unable to read data subframe signature: "),
              std::string::npos);
}

TEST_F(Pass1, SubframesPastTheLimitOfAChannelAreNotDroppedSilently) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}}, kMaxSubframesPerChannel + 1);
    plan.samples_override = 20;
    plan.rate = 20;
    plan.signal = GenSignal::Constant;
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_) << err_;
    EXPECT_NE(text.find("\nWARNING: Channel 1: only the first 86400 subframes are converted: " +
                        input_ + "\n"),
              std::string::npos);
    EXPECT_NE(text.find("Duration: 86400 sec\n"), std::string::npos);
}

TEST_F(Pass1, AFailedSamplesStepIsTheLastWordWhateverFollowsIt) {
    // Subframe 3 does not decode, and the file is cut inside subframe 8: the
    // samples step runs beside the walk, yet the run says only what a
    // step-by-step run says, the decoding failure.
    write_recorder(make_plan({{"BHZ", "00"}}, 10), input_);
    std::string data = read_file(input_);
    std::vector<long> at{first_subframe(1)};
    while (at.size() < 10)
        at.push_back(at.back() + 4 +
                     get_le_i32(reinterpret_cast<const std::uint8_t*>(data.data()) + at.back()));
    patch(at[2] + 56, le32(30)); // not a whole number of groups of 20
    data = read_file(input_);
    std::ofstream(input_, std::ios::binary | std::ios::trunc)
        << data.substr(0, static_cast<std::size_t>(at[7] + 40));
    const std::string text = run_pass1();
    EXPECT_FALSE(ok_);
    EXPECT_EQ(err_, "ERROR: decompression error\n");
    EXPECT_EQ(text.find("ERROR"), std::string::npos) << text;
    EXPECT_EQ(text.find("Duration"), std::string::npos) << text;
}

TEST(Pass1Sweep, AFailureFoundAfterTheLayoutLeavesOnlyWhatTheWalkMakes) {
    // The one-walk read lays out both location files before it meets the
    // undecodable subframe of channel 1; the channel-by-channel read that
    // follows fails there, before channel 2 ever makes its file.
    run_reset();
    suds_reset();
    TempDir dir;
    const std::string input = dir.file("rec.cd11"), work = dir.file("rec.suds");
    write_recorder(make_plan({{"BHZ", "00"}, {"BHZ", "10"}}, 6), input);
    std::string data = read_file(input);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    long at = 68 + 20;
    for (int i = 0; i < 4; ++i) // subframe 4 is channel 1's third
        at += 4 + get_le_i32(bytes + at);
    put_le_i32(reinterpret_cast<std::uint8_t*>(data.data()) + at + 56, 30);
    std::ofstream(input, std::ios::binary | std::ios::trunc) << data;
    g_run.suds = true;
    g_run.input_name = input;
    g_run.work_name = work;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool ok = pass1(input, work);
    const std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "ERROR: decompression error\n");
    EXPECT_TRUE(std::ifstream(dir.file("rec_00.suds.part")).good());
    EXPECT_FALSE(std::ifstream(dir.file("rec_10.suds.part")).good());
    run_reset();
    suds_reset();
}

TEST_F(Pass1, LocationCodesMakeNamesTheSystemTakes) {
    // ':' and '*' cannot stand in a Windows name, and names there ignore case:
    // the two codes of each pair share one file, which keeps both channels.
    RecorderPlan plan = make_plan({{"BHZ", "0:"}, {"BHZ", "0*"}, {"BHZ", "a1"}, {"BHZ", "A1"}});
    const std::string text = convert(plan);
    ASSERT_TRUE(ok_) << text;
#ifdef _WIN32
    const std::vector<std::string> names = {"rec_0_.suds", "rec_a1.suds"};
    const std::vector<std::vector<int>> channels = {{1, 2}, {3, 4}};
#else
    const std::vector<std::string> names = {"rec_0:.suds", "rec_0*.suds", "rec_a1.suds",
                                            "rec_A1.suds"};
    const std::vector<std::vector<int>> channels = {{1}, {2}, {3}, {4}};
#endif
    std::vector<std::string> files;
    for (const auto& n : names)
        files.push_back(dir_.file(n));
    EXPECT_EQ(g_run.work_files, files);
    for (std::size_t f = 0; f < files.size(); ++f) {
        const auto got = read_suds_channels(files[f]);
        ASSERT_EQ(got.size(), channels[f].size()) << files[f];
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].sc.channel, channels[f][i]);
            EXPECT_EQ(got[i].samples, recorder_channel_samples(plan, channels[f][i] - 1));
        }
    }
}
