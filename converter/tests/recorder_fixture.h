// Helpers of the converter tests: recorder fixtures written in-process and
// SUDS work files read back; scratch folders, files and program runs come
// from testkit.
#pragma once

#include "recorder_writer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testkit/testkit.h"

using testkit::file_exists;
using testkit::read_file;
using testkit::run_program;
using testkit::RunResult;
using testkit::TempDir;
using testkit::text_lines;

// A recorder description with the given channels (site TALV1, compressed).
inline RecorderPlan make_plan(std::vector<std::pair<std::string, std::string>> names_locations,
                              int subframes = 3) {
    RecorderPlan plan;
    for (const auto& [name, loc] : names_locations) {
        GenChannel ch;
        ch.name = name;
        ch.location = loc;
        plan.channels.push_back(ch);
    }
    plan.subframes = subframes;
    plan.start_ms = 1158920430750; // 2006-09-22 10:20:30.750 (day 265)
    return plan;
}

inline void write_recorder(const RecorderPlan& plan, const std::string& path) {
    std::string error;
    ASSERT_TRUE(recorder_write(plan, path, &error)) << error;
}

#include <suds/suds.h>

// One channel of a SUDS work file as pass 1 wrote it.
struct SudsChannel {
    SudsStationComp sc;
    SudsDescripTrace dt;
    std::int32_t dt_data_length = 0;
    std::vector<std::int32_t> samples;
};

// Reads every StationComp + DescripTrace + samples of a SUDS file.
inline std::vector<SudsChannel> read_suds_channels(const std::string& path) {
    std::vector<SudsChannel> out;
    const int fd = suds_open(path.c_str(), SUDS_MODE_READ);
    EXPECT_GT(fd, 0) << suds_error_text();
    if (fd <= 0)
        return out;
    SudsRecord rec;
    int rc;
    while ((rc = suds_read_struct(fd, &rec)) == 1) {
        if (rec.type == SUDS_STATION_COMP) {
            out.emplace_back();
            suds_record_get(rec, &out.back().sc);
        } else if (rec.type == SUDS_DESCRIP_TRACE && !out.empty()) {
            SudsChannel& ch = out.back();
            suds_record_get(rec, &ch.dt);
            ch.dt_data_length = rec.data_length;
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rec.data_length));
            if (!bytes.empty()) {
                EXPECT_EQ(suds_read_data(fd, bytes.data(), rec.data_length), 1);
            }
            for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
                const std::uint32_t u = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                        static_cast<std::uint32_t>(bytes[i + 3]) << 24;
                ch.samples.push_back(static_cast<std::int32_t>(u));
            }
        }
    }
    EXPECT_EQ(rc, -1) << suds_error_text();
    suds_close(fd);
    return out;
}
