#include "test_util.h"

#include <gtest/gtest.h>

#include <suds/suds.h>

#include "platform/files.h"

namespace {

// Text written in text mode: on Windows every line must end in "\r\n"; given
// back with "\n" line ends, as the tests expect them.
std::string from_text_mode(const std::string& raw, const std::string& what) {
    EXPECT_FALSE(testkit::has_bare_line_feed(raw)) << what << ": a line end without \"\\r\"";
    return testkit::plain_lines(raw);
}

} // namespace

std::string read_text_file(const std::string& path) {
    return from_text_mode(read_file(path), path);
}

namespace {

SudsStationIdentifier ident(const TestChannel& c) {
    SudsStationIdentifier id = suds_default_station_identifier();
    id.network = "TST";
    id.station_name = c.station;
    id.component = c.component;
    return id;
}

} // namespace

void write_suds(const std::string& path, const std::vector<TestChannel>& channels, bool mux) {
    const int fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
    ASSERT_NE(fd, 0) << suds_error_text();
    SudsRecord rec;
    if (mux) {
        SudsMuxData m = suds_default_mux_data();
        suds_record_put(m, 0, &rec);
        ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
    }
    for (const TestChannel& c : channels) {
        if (c.station_comp) {
            SudsStationComp sc = suds_default_station_comp();
            sc.station = ident(c);
            sc.conversion_to_mvolts = c.mvolts;
            sc.atod_gain = c.atod_gain;
            sc.long_station.long_station = c.long_station;
            sc.long_station.long_component = c.long_component;
            suds_record_put(sc, 0, &rec);
            ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
        }
        if (c.trace) {
            SudsDescripTrace dt = suds_default_descrip_trace();
            dt.station = ident(c);
            dt.initial_sample_time = c.ist;
            dt.data_type = c.data_type;
            dt.number_of_samples = static_cast<int32_t>(c.samples.size());
            dt.samples_per_second = c.rate;
            dt.long_station.long_station = c.long_station;
            dt.long_station.long_component = c.long_component;
            const bool narrow = c.data_type == 'i' || c.data_type == 'q' || c.data_type == 's';
            std::vector<uint8_t> data(c.samples.size() * (narrow ? 2 : 4));
            for (size_t i = 0; i < c.samples.size(); ++i) {
                if (narrow)
                    suds_put_i16(&data[2 * i], static_cast<int16_t>(c.samples[i]));
                else if (c.data_type == 'f')
                    suds_put_f32(&data[4 * i], static_cast<float>(c.samples[i]));
                else
                    suds_put_i32(&data[4 * i], static_cast<int32_t>(c.samples[i]));
            }
            suds_record_put(dt, static_cast<int32_t>(data.size()), &rec);
            ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
            if (!data.empty()) {
                ASSERT_EQ(suds_write_data(fd, data.data(), static_cast<int32_t>(data.size())), 1);
            }
        }
        if (c.instrument) {
            SudsInstrument in = suds_default_instrument();
            in.station = ident(c);
            in.digitizing_constant = c.digitizing_constant;
            in.amplifier_gain_db = c.amplifier_gain_db;
            suds_record_put(in, 0, &rec);
            ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
        }
    }
    ASSERT_EQ(suds_close(fd), 1);
}

RunResult run_vorlane(const std::vector<std::string>& args, const std::vector<std::string>& env,
                      const std::string& input) {
    testkit::RunOptions options;
    options.env = env;
    options.input_file = input;
    options.join_error = true;
    RunResult r = testkit::run_program(VORLANE_BIN, args, platform::current_folder(), options);
    r.out = from_text_mode(r.out, "vorlane's output");
    return r;
}

std::vector<PlxRecord> read_plx(const std::string& path) {
    std::vector<PlxRecord> recs;
    std::string error;
    EXPECT_EQ(plx_read_file(path, recs, error), 1) << error;
    return recs;
}
