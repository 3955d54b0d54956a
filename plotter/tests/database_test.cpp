// The trace database built from hand-made SUDS files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include <suds/suds.h>

#include "test_util.h"
#include "trace_db.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

class Database : public ::testing::Test {
  protected:
    void SetUp() override {
        database = TraceDatabase{}; // its file goes before the library's table is reset
        vorlane_reset();
        suds_reset();
        ASSERT_EQ(vorlane_log_open("vorlane.log"), 1);
    }
    void TearDown() override {
        database = TraceDatabase{};
        vorlane_reset();
    }
    int build(const std::vector<TestChannel>& chans, bool mux = false) {
        write_suds(dir.file("quake.dmx"), chans, mux);
        return build_named(dir.file("quake.dmx"));
    }
    int build_named(const std::string& name) {
        const VorlaneState& st = vorlane_state();
        database = trace_build_database(name, st.hypo_name, st.settings);
        return static_cast<int>(database.records.size());
    }
    std::string log() {
        vorlane_log_close();
        return read_text_file(dir.file("vorlane.log"));
    }
    std::vector<TraceRecord>& db() { return database.records; }
    ScratchDir dir;
    TraceDatabase database;
};

TestChannel chan(const char* stn, char comp, std::vector<double> samples = {1, 2, 3}) {
    TestChannel c;
    c.station = stn;
    c.component = comp;
    c.samples = std::move(samples);
    return c;
}

TEST_F(Database, MergesStructuresOfOneChannelAndKeepsFirstAppearanceOrder) {
    TestChannel a = chan("AAA", 'Z');
    a.mvolts = 0.5f;
    a.atod_gain = 8;
    a.instrument = true;
    a.digitizing_constant = 123.0f; // dig con already set by the StationComp
    a.amplifier_gain_db = 20.0f;    // gain already set by the StationComp
    TestChannel b = chan("BBB", 'N');
    b.station_comp = false;
    b.instrument = true;
    b.amplifier_gain_db = 20.0f;
    b.digitizing_constant = 417.0f;
    b.data_type = 's';
    b.long_station = "BBBB";
    b.long_component = "HHN";
    TestChannel only_meta = chan("CCC", 'E');
    only_meta.trace = false;
    only_meta.instrument = true;
    TestChannel a_again = chan("AAA", 'Z', {5, 6, 7, 8});
    a_again.station_comp = false;
    a_again.ist = 2.0e9;
    a_again.rate = 50.0f;
    a_again.data_type = 'l';

    ASSERT_EQ(build({a, b, only_meta, a_again}), 2);
    ASSERT_EQ(db().size(), 2u);
    const TraceRecord& ra = db()[0];
    EXPECT_EQ(std::string(ra.station, 3), "AAA");
    EXPECT_EQ(ra.component, 'Z');
    EXPECT_DOUBLE_EQ(ra.dig_con, 2000.0);
    EXPECT_DOUBLE_EQ(ra.gain, 8.0);
    // The later DescripTrace of the channel is the one that stays.
    EXPECT_DOUBLE_EQ(ra.ist, 2.0e9);
    EXPECT_FLOAT_EQ(ra.rate, 50.0f);
    EXPECT_EQ(ra.length, 4);
    EXPECT_EQ(ra.data_type, 'l');
    EXPECT_EQ(ra.sample_max, 2147483647);

    const TraceRecord& rb = db()[1];
    EXPECT_NEAR(rb.gain, 10.0, 1e-9);
    EXPECT_FLOAT_EQ(static_cast<float>(rb.dig_con), 417.0f);
    EXPECT_EQ(rb.sample_max, 2047);
    EXPECT_EQ(rb.sample_bias, 2048);
    EXPECT_EQ(trace_long_id_text(rb), "BBBB:HHN");
    // The offset is the tag position of the DescripTrace: reading there gives it back.
    ASSERT_EQ(suds_seek(database.file.get(), rb.offset), 1);
    SudsRecord rec;
    ASSERT_EQ(suds_read_struct(database.file.get(), &rec), 1);
    EXPECT_EQ(rec.type, SUDS_DESCRIP_TRACE);
    EXPECT_EQ(log(),
              "Input SUDS data file: " + dir.file("quake.dmx") + "\nNo hypocenter data found.\n");
}

TEST_F(Database, RefusesMultiplexedDataAndUnknownTypes) {
    EXPECT_EQ(build({chan("AAA", 'Z')}, true), 0);
    EXPECT_EQ(log(), "\nERROR: " + dir.file("quake.dmx") + " contains multiplexed data!\n");
    TestChannel x = chan("AAA", 'Z');
    x.data_type = 'x';
    SetUp();
    EXPECT_EQ(build({x}), 0);
    EXPECT_EQ(log(), "\nERROR: unsupported data type: x in " + dir.file("quake.dmx") + "\n");
}

TEST_F(Database, NoWaveformAtAllGivesNoRecords) {
    TestChannel c = chan("AAA", 'Z');
    c.trace = false;
    c.instrument = true;
    EXPECT_EQ(build({c}), 0);
}

TEST_F(Database, PackKeepsWaveformsAndAcceptedPicks) {
    const unsigned char k1[12] = {1}, k2[12] = {2}, k3[12] = {3};
    std::vector<TraceRecord> v;
    EXPECT_EQ(trace_add_record(v, k1), 0);
    EXPECT_EQ(trace_add_record(v, k2), 1);
    EXPECT_EQ(trace_add_record(v, k1), 0);
    EXPECT_EQ(trace_add_record(v, k3), 2);
    v[0].offset = 10, v[0].p_weight = 4;
    v[1].offset = -1, v[1].p_weight = 0;
    v[2].offset = 30, v[2].p_weight = 2;
    std::vector<TraceRecord> w = v;
    EXPECT_EQ(trace_pack(w, false, 3), 2);
    EXPECT_EQ(trace_pack(v, true, 3), 1);
    EXPECT_EQ(v[0].offset, 30);
}

std::string prt_line(const char* stn, const char* delta, const char* weight) {
    std::string l(80, ' ');
    l.replace(1, strlen(stn), stn);
    l.replace(6, 5, delta);
    l.replace(20, 4, std::string("IPU") + weight);
    l.replace(36, 5, " 2.00");
    l.replace(42, 5, " 2.00");
    return l;
}

TEST_F(Database, ListingFromTheSudsNameSortsByDistanceAndDropsUnpicked) {
    write_file(dir.file("quake.prt"),
               "  DATE\n 0601011200 00.00\n  STN\n" + prt_line("FAR", " 80.0", "1") + "\n" +
                   prt_line("NEAR", "  5.5", "0") + "\n" + prt_line("MID", " 40.0", "4") + "\n");
    vorlane_state().settings.weight_criterion = 3;
    ASSERT_EQ(build({chan("FAR", 'Z'), chan("MID", 'Z'), chan("NONE", 'Z'), chan("NEAR", 'Z')}), 2);
    EXPECT_EQ(std::string(db()[0].station, 4), "NEAR");
    EXPECT_EQ(std::string(db()[1].station, 3), "FAR");
    EXPECT_FLOAT_EQ(database.range_min, 5.5f);
    EXPECT_FLOAT_EQ(database.range_max, 80.0f);
    EXPECT_EQ(database.hypo.kind, 1);
    EXPECT_EQ(database.hypo_name, dir.file("quake.prt"));
    EXPECT_EQ(log(), "Input SUDS data file: " + dir.file("quake.dmx") +
                         "\nHypocenter data file: " + dir.file("quake.prt") + "\n");
}

TEST_F(Database, TeleseismicListingKeepsFileOrder) {
    std::string sum(90, ' ');
    sum.replace(1, 4, "2006");
    sum.replace(6, 2, "01");
    sum.replace(9, 2, "01");
    sum.replace(80, 5, " 77.0");
    auto line = [](const char* stn) {
        std::string l(60, ' ');
        l.replace(5, strlen(stn), stn);
        l.replace(11, 1, "Z");
        l.replace(50, 2, "P1");
        return l;
    };
    write_file(dir.file("quake.evt"), "    DATE     ORIGIN-TIME\n" + sum + "\n  STATION  CHN\n" +
                                          line("BBB") + "\n" + line("AAA") + "\n");
    ASSERT_EQ(build({chan("BBB", 'Z'), chan("AAA", 'Z')}), 2);
    EXPECT_EQ(std::string(db()[0].station, 3), "BBB");
    EXPECT_FLOAT_EQ(db()[1].delta, 77.0f);
    EXPECT_EQ(database.hypo.kind, 3);
}

TEST_F(Database, HypocentreNameComesFromTheFilePartOnly) {
    // A dot in the folder must not hide quake.prt beside quake.
    std::filesystem::create_directory(dir.file("data.v2"));
    write_suds(dir.file("data.v2/quake"), {chan("AAA", 'Z')});
    write_file(dir.file("data.v2/quake.prt"),
               "  DATE\n 0601011200 00.00\n  STN\n" + prt_line("AAA", " 1.0", "0") + "\n");
    ASSERT_EQ(build_named(dir.file("data.v2/quake")), 1);
    EXPECT_EQ(database.hypo.kind, 1);
}

TEST_F(Database, NamedListingThatIsMissing) {
    vorlane_state().hypo_name = dir.file("none.evl");
    EXPECT_EQ(build({chan("AAA", 'Z')}), 1);
    EXPECT_NE(log().find("No hypocenter data found.\n"), std::string::npos);
    SetUp();
    vorlane_state().hypo_name = dir.file("none.evl");
    vorlane_state().settings.record_section = 1;
    EXPECT_EQ(build({chan("AAA", 'Z')}), 0);
    SetUp();
    vorlane_state().hypo_name =
        dir.file("listing.txt"); // no listing extension: not read, no message
    EXPECT_EQ(build({chan("AAA", 'Z')}), 1);
    EXPECT_EQ(log().find("No hypocenter"), std::string::npos);
}

TEST_F(Database, ListingThatNamesNoChannelEmptiesTheDatabase) {
    write_file(dir.file("quake.prt"),
               "  DATE\n 0601011200 00.00\n  STN\n" + prt_line("ZZZ", " 1.0", "0") + "\n");
    EXPECT_EQ(build({chan("AAA", 'Z')}), 0);
}

TEST_F(Database, DumpFormat) {
    TestChannel c = chan("AAA", 'Z');
    c.long_station = "AAAA";
    c.long_component = "HHZ";
    c.ist = 1158943510.0;
    ASSERT_EQ(build({c}), 1);
    db()[0].reverse = 1;
    const std::string before = log();
    ASSERT_EQ(vorlane_log_open("dump.log"), 1);
    trace_dump(database);
    vorlane_log_close();
    const std::string dump = read_text_file(dir.file("dump.log"));
    const std::string head =
        "\n*** Database dump ***\nRecord #0\n   Station:        AAA\n   Component:      Z\n";
    EXPECT_EQ(dump.substr(0, head.size()), head);
    EXPECT_NE(dump.find("   Long identifier: AAAA:HHZ\n   IST:            09/22/06 16:45:10.000\n"
                        "   Rate:           100.000000\n   Length:         3\n"),
              std::string::npos);
    EXPECT_NE(dump.find("   Gain:           -0.000000\n   Dig Con:        -0.000000\n   Delta:     "
                        "     999.0\n"),
              std::string::npos);
    EXPECT_NE(dump.find("   P weight:       6\n"), std::string::npos);
    EXPECT_NE(dump.find("   Include:        1\n   Reverse:        Yes\n\n"), std::string::npos);
}

} // namespace
