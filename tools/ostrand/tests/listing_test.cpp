#include "listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "info_view.h"
#include "testkit/testkit.h"

namespace fs = std::filesystem;

namespace {

SudsStationComp station_comp(const char* site, const char* channel, char letter, char sensor) {
    SudsStationComp sc;
    sc.station.network = "NET";
    sc.station.station_name = "CH0";
    sc.station.component = letter;
    sc.sensor_type = sensor;
    sc.data_type = 'l';
    sc.data_units = 'd';
    sc.long_station = {"NET", site, channel};
    return sc;
}

SudsDescripTrace trace(const SudsStationComp& sc, double start, int samples, float rate) {
    SudsDescripTrace dt;
    dt.station = sc.station;
    dt.long_station = sc.long_station;
    dt.initial_sample_time = start;
    dt.data_type = 'l';
    dt.number_of_samples = samples;
    dt.samples_per_second = rate;
    return dt;
}

// 2006-09-22 10:20:30 as a SUDS time.
const double kStart = 1158920430.0;

TEST(ListingLine, FixedPositionsWithinEightyThreeCharacters) {
    auto sc = station_comp("SITE1", "BHZ", 'V', 'v');
    std::string l = ostrand_line(trace(sc, kStart + 0.25, 360000, 100.0f), &sc);
    EXPECT_EQ(
        l,
        "NET    \tSITE1 \tBHZ\t  2006/09/22 10:20:30.250    3600.000   100.000 v      vel    ct");
    EXPECT_LE(l.size(), 83u);
    EXPECT_EQ(l.substr(0, 14), "NET    \tSITE1 ");
    EXPECT_EQ(l.substr(15, 3), "BHZ");

    // Without long names the short identifier stands in; absent values read "-".
    SudsStationComp bare;
    bare.station.network = "AB";
    bare.station.station_name = "STA";
    bare.station.component = 'n';
    SudsDescripTrace dt;
    dt.station = bare.station;
    l = ostrand_line(dt, nullptr);
    EXPECT_EQ(l.substr(0, 18), "AB     \tSTA   \tn  ");
    EXPECT_NE(l.find("\t  -  "), std::string::npos);
    EXPECT_LE(l.size(), 83u);

    // Extreme values still fit.
    sc.long_station = {"LONGNETWORK", "AVERYLONGSTATION", "LONGCOMP"};
    l = ostrand_line(trace(sc, -1e15, 2147483647, 0.0001f), &sc);
    EXPECT_LE(l.size(), 83u);
    EXPECT_EQ(l[7], '\t');
    EXPECT_EQ(l[14], '\t');
    l = ostrand_line(trace(sc, kStart, 2147483647, 123456.7f), &sc);
    EXPECT_LE(l.size(), 83u);
}

// Each value stands under its heading, cell for cell once tabs are
// expanded: text from the heading's first cell, numbers ending in its last.
void expect_under_header(const std::string& line) {
    const std::string header = fenwold::info_expand_tabs(fenwold::kInfoHeader);
    const std::string shown = fenwold::info_expand_tabs(line);
    EXPECT_LE(line.size(), fenwold::kInfoLineMax);
    struct Column {
        const char* title;
        bool number;
    } columns[] = {{"Network", false}, {"Station", false},  {"Component", false},
                   {"Begin", false},   {"Length(s)", true}, {"Rate(sps)", true},
                   {"Sensor", false},  {"Motion", false},   {"Units", false}};
    for (const auto& c : columns) {
        const size_t from = header.find(c.title);
        const size_t last = from + std::strlen(c.title) - 1;
        ASSERT_LT(c.number ? last : from, shown.size()) << c.title << " in " << shown;
        if (c.number) {
            EXPECT_NE(shown[last], ' ') << c.title << " in " << shown;
            EXPECT_TRUE(last + 1 == shown.size() || shown[last + 1] == ' ')
                << c.title << " in " << shown;
        } else {
            EXPECT_NE(shown[from], ' ') << c.title << " in " << shown;
        }
        EXPECT_TRUE(from == 0 || shown[from - 1] == ' ') << c.title << " in " << shown;
    }
}

TEST(ListingLine, ColumnsLineUpUnderTheInfoHeader) {
    auto sc = station_comp("SITE1", "HNE", 'E', 'a');
    expect_under_header(ostrand_line(trace(sc, kStart, 500, 200.0f), &sc));
    sc = station_comp("S", "Z", 'Z', 'v');
    sc.data_units = 'v';
    expect_under_header(ostrand_line(trace(sc, kStart, 8640000, 100.0f), &sc));
}

// The listing is a text file: the system's line ends.
#ifdef _WIN32
const char* const kLineEnd = "\r\n";
#else
const char* const kLineEnd = "\n";
#endif

class OstrandRun : public ::testing::Test {
  protected:
    // Writes StationComp, DescripTrace and samples per channel.
    std::string write_suds(const std::string& name,
                           const std::vector<std::pair<const char*, char>>& channels) {
        std::string path = dir_ / name;
        int fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
        EXPECT_NE(fd, 0) << suds_error_text();
        int k = 0;
        for (auto [channel, letter] : channels) {
            auto sc = station_comp("SITE1", channel, letter, 's');
            sc.station.station_name = "CH" + std::to_string(k++);
            SudsRecord rec;
            suds_record_put(sc, 0, &rec);
            EXPECT_EQ(suds_write_struct(fd, &rec), 1);
            std::vector<int32_t> samples(100, 7);
            suds_record_put(trace(sc, kStart, 100, 100.0f), 400, &rec);
            EXPECT_EQ(suds_write_struct(fd, &rec), 1);
            EXPECT_EQ(suds_write_data(fd, samples.data(), 400), 1);
        }
        suds_close(fd);
        return path;
    }
    // Runs ostrand; its standard output and error are kept as "out" and "err".
    int run(const std::vector<std::string>& args) {
        const testkit::RunResult r = testkit::run_program(OSTRAND_BIN, args, dir_.path());
        testkit::write_file(dir_ / "out", r.out);
        testkit::write_file(dir_ / "err", r.err);
        return r.status;
    }
    std::string read(const std::string& name) { return testkit::read_file(dir_ / name); }
    bool exists(const std::string& name) { return testkit::file_exists(dir_ / name); }
    testkit::TempDir dir_{"ostrand-test-"};
};

TEST_F(OstrandRun, WritesTheListingBesideTheFile) {
    std::string path = write_suds("rec.v1.suds", {{"BHE", 'E'}, {"BHN", 'N'}, {"BHZ", 'V'}});
    ASSERT_EQ(run({"/l", path}), 0) << read("err");
    std::vector<std::string> lines;
    ASSERT_TRUE(fenwold::info_read_listing(dir_ / "rec.v1.info", lines));
    ASSERT_EQ(lines.size(), 3u);
    const std::string listing = read("rec.v1.info");
    EXPECT_EQ(listing.substr(listing.size() - std::strlen(kLineEnd)), kLineEnd);
    EXPECT_EQ(listing.find(kLineEnd), lines[0].size());
    EXPECT_EQ(lines[0].substr(15, 3), "BHE"); // file order
    EXPECT_NE(lines[0].find("    1.000   100.000 s      -      ct"), std::string::npos) << lines[0];
    fenwold::info_order(lines);
    EXPECT_EQ(lines[0].substr(15, 3), "BHZ");
    EXPECT_EQ(lines[1].substr(15, 3), "BHN");
    EXPECT_EQ(lines[2].substr(15, 3), "BHE");

    // Without /l the listing goes to standard output; -L is the same switch.
    ASSERT_EQ(run({path}), 0);
    EXPECT_EQ(read("out"), read("rec.v1.info"));
    fs::remove(testkit::fs_path(dir_ / "rec.v1.info"));
    ASSERT_EQ(run({"-L", path, "extra", "/q"}), 0);
    EXPECT_TRUE(exists("rec.v1.info"));
    EXPECT_NE(read("err").find("WARNING: Unrecognized command line argument: extra"),
              std::string::npos);
    EXPECT_NE(read("err").find("WARNING: Unrecognized command line switch: /q"), std::string::npos);
}

TEST_F(OstrandRun, TwentyChannelsLineUpAndTheCommandLineHelps) {
    std::vector<std::pair<const char*, char>> channels;
    const char* names[] = {"BHZ", "BHN", "BHE", "HHZ", "HN1"};
    for (int i = 0; i < 20; ++i)
        channels.push_back({names[i % 5], names[i % 5][2]});
    const std::string path = write_suds("twenty.suds", channels);
    ASSERT_EQ(run({"/l", path}), 0) << read("err");
    std::vector<std::string> lines;
    ASSERT_TRUE(fenwold::info_read_listing(dir_ / "twenty.info", lines));
    ASSERT_EQ(lines.size(), 20u);
    for (const auto& l : lines)
        expect_under_header(l);

    ASSERT_EQ(run({"--help"}), 0);
    EXPECT_EQ(read("out").rfind("Usage: ostrand /l SUDSfile", 0), 0u);
    EXPECT_EQ(read("err"), "");
    ASSERT_EQ(run({"--version"}), 0);
    EXPECT_EQ(testkit::plain_lines(read("out")), "ostrand 1.1.0\n");
}

TEST_F(OstrandRun, AFileItCannotReadFailsAndLeavesNoListing) {
    testkit::write_file(dir_ / "bad.suds", "this is no SUDS file");
    testkit::write_file(dir_ / "bad.info", "stale listing\n");
    EXPECT_EQ(run({"/l", dir_ / "bad.suds"}), 1);
    EXPECT_NE(read("err").find("ERROR: File out of sync"), std::string::npos) << read("err");
    EXPECT_FALSE(exists("bad.info"));

    EXPECT_EQ(run({"/l", dir_ / "absent.suds"}), 1);
    EXPECT_NE(read("err").find("ERROR: Unable to open file"), std::string::npos) << read("err");

    EXPECT_EQ(run({"/l"}), 1);
    EXPECT_NE(read("err").find("Usage: ostrand /l SUDSfile"), std::string::npos);

    // A file named like its own listing is never overwritten.
    std::string self = write_suds("same.info", {{"BHZ", 'V'}});
    const std::string before = testkit::read_file(self);
    EXPECT_EQ(run({"/l", self}), 1);
    EXPECT_EQ(testkit::read_file(self), before);
}

TEST_F(OstrandRun, AFileWithoutTracesGivesAnEmptyListing) {
    std::string path = dir_ / "empty.suds";
    int fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
    SudsRecord rec;
    suds_record_put(station_comp("SITE1", "BHZ", 'V', 's'), 0, &rec);
    suds_write_struct(fd, &rec);
    suds_close(fd);
    EXPECT_EQ(run({"/l", path}), 0);
    EXPECT_TRUE(exists("empty.info"));
    EXPECT_EQ(read("empty.info"), "");
}

} // namespace
