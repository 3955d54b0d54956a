#include "assembly.h"

#include "driver.h"
#include "run.h"

#include "recorder_fixture.h"

#include <gtest/gtest.h>

TEST(Assembly, ComponentLetter) {
    EXPECT_EQ(component_letter("BHZ"), 'V');
    EXPECT_EQ(component_letter("HNE"), 'E');
    EXPECT_EQ(component_letter("BH1"), '1');
    EXPECT_EQ(component_letter("vXN"), 'V');
    const char two[3] = {'H', 'N', '\0'};
    EXPECT_EQ(component_letter(two), 'H');
    const char two_z[3] = {'z', 'N', '\0'};
    EXPECT_EQ(component_letter(two_z), 'V');
}

TEST(Assembly, LocationFileNames) {
    EXPECT_EQ(location_file_name("/d/rec.suds", "00"), "/d/rec_00.suds");
    EXPECT_EQ(location_file_name("/d/rec.suds", "1 "), "/d/rec_1.suds");
    EXPECT_EQ(location_file_name("/d.x/rec", "10"), "/d.x/rec_10");
    // A location byte that cannot stand in a file name does not move the file.
    EXPECT_EQ(location_file_name("/d/rec.suds", "/1"), "/d/rec__1.suds");
    const char nul[2] = {'\0', '\0'};
    EXPECT_EQ(location_file_name("/d/rec.suds", nul), "/d/rec___.suds");
}

TEST(Assembly, RecorderTimesKeepTheirMilliseconds) {
    // 2006, day 265 = 22 September
    EXPECT_DOUBLE_EQ(recorder_time_to_suds("2006265 10:20:30.750"), 1158920430.75);
    EXPECT_DOUBLE_EQ(recorder_time_to_suds("2004060 00:00:00.000"), 1078012800.0); // 29 Feb 2004
    EXPECT_DOUBLE_EQ(recorder_time_to_suds("2006366 00:00:00.000"), 0.0);          // no such day
    EXPECT_DOUBLE_EQ(recorder_time_to_suds("20x6265 10:20:30.750"), 0.0);
}

namespace {

class AssemblyFile : public ::testing::Test {
  protected:
    void SetUp() override {
        run_reset();
        suds_reset();
    }
    void TearDown() override {
        run_reset();
        suds_reset();
    }
    bool convert(const RecorderPlan& plan) {
        write_recorder(plan, dir_.file("rec.cd11"));
        g_run.input_name = dir_.file("rec.cd11");
        testing::internal::CaptureStdout();
        const bool ok = pass1(dir_.file("rec.cd11"), dir_.file("rec.suds"));
        testing::internal::GetCapturedStdout();
        return ok;
    }
    TempDir dir_;
};

} // namespace

TEST_F(AssemblyFile, StructuresOfEachChannel) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"HNE", "00"}, {"BH1", "00"}});
    plan.channels[2].site = "XYZ12";
    plan.channels[2].sensor_type = 5;
    plan.latitude = -33.25f;
    plan.longitude = 151.5f;
    plan.elevation = 12.5f;
    plan.bit_weight = 2.5e-6f;
    ASSERT_TRUE(convert(plan));
    const auto channels = read_suds_channels(dir_.file("rec.suds"));
    ASSERT_EQ(channels.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        const SudsChannel& c = channels[static_cast<std::size_t>(k)];
        const SudsStationComp& sc = c.sc;
        const SudsDescripTrace& dt = c.dt;
        SCOPED_TRACE(k);
        EXPECT_EQ(sc.station.network, "NET");
        EXPECT_EQ(sc.station.station_name, "CH" + std::to_string(k));
        EXPECT_EQ(sc.channel, k + 1);
        EXPECT_DOUBLE_EQ(sc.latitude, -33.25);
        EXPECT_DOUBLE_EQ(sc.longitude, 151.5);
        EXPECT_FLOAT_EQ(sc.elevation, 12.5f);
        EXPECT_EQ(sc.data_type, 'l');
        EXPECT_EQ(sc.data_units, 'd');
        EXPECT_FLOAT_EQ(sc.conversion_to_mvolts, 0.0025f);
        EXPECT_EQ(sc.atod_gain, 1);
        EXPECT_EQ(sc.azimuth, -32767);
        // The effective date is the whole second; the trace keeps the 750 ms.
        EXPECT_EQ(sc.effective_date, 1158920430);
        EXPECT_DOUBLE_EQ(dt.initial_sample_time, 1158920430.75);
        EXPECT_EQ(sc.long_station.long_network, "NET");
        EXPECT_EQ(dt.long_station.long_station, plan.channels[static_cast<std::size_t>(k)].site);
        EXPECT_EQ(dt.long_station.long_component, plan.channels[static_cast<std::size_t>(k)].name);
        EXPECT_EQ(dt.station.station_name, sc.station.station_name);
        EXPECT_EQ(dt.station.component, sc.station.component);
        EXPECT_EQ(dt.data_type, 'l');
        EXPECT_EQ(dt.number_of_samples, 300);
        EXPECT_EQ(c.dt_data_length, 1200);
        EXPECT_FLOAT_EQ(dt.samples_per_second, 100.0f);
        EXPECT_FLOAT_EQ(dt.minimum_data_value, -8388068.0f);
        EXPECT_FLOAT_EQ(dt.maximum_data_value, 8388067.0f);
        EXPECT_FLOAT_EQ(dt.average_noise, 0.0f);
        EXPECT_EQ(dt.local_time_diff, -32767);
        EXPECT_EQ(dt.num_clipped_samples, -32767);
        EXPECT_EQ(dt.data_descriptor, '_');
        EXPECT_EQ(c.samples, recorder_channel_samples(plan, k));
    }
    EXPECT_EQ(channels[0].sc.station.component, 'V');
    EXPECT_EQ(channels[1].sc.station.component, 'E');
    EXPECT_EQ(channels[2].sc.station.component, '1');
    EXPECT_EQ(channels[0].sc.sensor_type, 's');
    EXPECT_EQ(channels[2].sc.sensor_type, 'v');
    EXPECT_EQ(g_run.bit_weights, (std::vector<double>{2.5e-6f, 2.5e-6f, 2.5e-6f}));
}

TEST_F(AssemblyFile, RateFromSubframeLength) {
    RecorderPlan plan = make_plan({{"BHZ", "00"}}, 2);
    plan.rate = 40.0;
    plan.subframe_ms = 500; // 20 samples in 500 ms
    ASSERT_TRUE(convert(plan));
    const auto channels = read_suds_channels(dir_.file("rec.suds"));
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_FLOAT_EQ(channels[0].dt.samples_per_second, 40.0f);
    EXPECT_EQ(channels[0].samples.size(), 40u);
}

TEST_F(AssemblyFile, WorkFileNeverOverwritesTheInput) {
    // Location split file rec_00.suds would be the recording itself.
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHZ", "10"}});
    write_recorder(plan, dir_.file("rec_00.suds"));
    const std::string before = read_file(dir_.file("rec_00.suds"));
    g_run.input_name = dir_.file("rec_00.suds");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(pass1(dir_.file("rec_00.suds"), dir_.file("rec.suds")));
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        text.find("ERROR: SUDS file would overwrite the input file: " + dir_.file("rec_00.suds")),
        std::string::npos);
    EXPECT_EQ(read_file(dir_.file("rec_00.suds")), before);
}

TEST_F(AssemblyFile, TraceAndFileStayWithin32BitLengths) {
    RecorderSubframe sf;
    std::memcpy(sf.site, "TALV1", 5);
    std::memcpy(sf.channel, "BHZ", 3);
    std::memcpy(sf.location, "00", 2);
    std::memcpy(sf.time_stamp, "2006265 10:20:30.750", 20);
    sf.time_length_ms = 1000;
    sf.samples = 120000;
    AssemblySettings settings;
    settings.input_name = dir_.file("rec.cd11");
    ChannelAssembly assembly(settings);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(assembly.start_channel(dir_.file("w.suds"), 0, sf));
    // 4 x samples must fit the 32-bit data length of the tag.
    std::int64_t total = 120000;
    while ((total + 120000) * 4 <= 0x7fffffff) {
        ASSERT_TRUE(assembly.add_samples(120000));
        total += 120000;
    }
    EXPECT_FALSE(assembly.add_samples(120000));
    EXPECT_EQ(assembly.sample_total(), total);
    assembly.reset();

    // A work file that already holds almost 2 GiB takes no further channel.
    const std::string big = dir_.file("big.suds");
    ASSERT_TRUE(assembly.start_channel(big, 0, sf));
    ASSERT_TRUE(assembly.finish_channel(1e-6f));
    std::filesystem::resize_file(testkit::fs_path(big), 0x7fffffffll - 1000);
    EXPECT_FALSE(assembly.start_channel(big, 1, sf));
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_NE(text.find("ERROR: Channel 1 holds more samples than one SUDS trace can take ("),
              std::string::npos);
    EXPECT_NE(text.find("ERROR: SUDS file would grow past 2 GiB: " + big), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(testkit::fs_path(big)), 0x7fffffffull - 1000);
}
