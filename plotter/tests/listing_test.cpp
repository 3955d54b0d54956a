// The three hypocentre listing readers on listings laid out column by column.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <suds/suds.h>

#include "hypo_listing.h"
#include "test_util.h"
#include "trace_db.h"

namespace {

// A listing line built by placing texts at columns (counted from 0).
class Cols {
  public:
    Cols& at(size_t col, const std::string& text) {
        if (line_.size() < col + text.size())
            line_.resize(col + text.size(), ' ');
        line_.replace(col, text.size(), text);
        return *this;
    }
    operator std::string() const { return line_; }

  private:
    std::string line_;
};

TraceRecord record(const char* station, char comp, const char* long_station = "",
                   const char* long_comp = "") {
    unsigned char key[12] = {};
    memcpy(key + 4, station, strnlen(station, 5));
    key[9] = static_cast<unsigned char>(comp);
    TraceRecord r = trace_new_record(key);
    memcpy(r.station, station, strnlen(station, 5));
    r.component = comp;
    strncpy(r.long_id + 8, long_station, 16);
    strncpy(r.long_id + 24, long_comp, 8);
    return r;
}

std::string lines(const std::vector<std::string>& ls) {
    std::string t;
    for (const std::string& l : ls)
        t += l + "\n";
    return t;
}

using Reader = int (*)(FILE*, std::vector<TraceRecord>&, HypoSummary&);

void read_listing(Reader reader, const std::string& text, std::vector<TraceRecord>& db,
                  HypoSummary& h) {
    ScratchDir dir;
    write_file(dir.file("listing"), text);
    FILE* f = fopen(dir.file("listing").c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(reader(f, db, h), static_cast<int>(db.size()));
    fclose(f);
}

std::string prt_summary(const char* yy) {
    return Cols()
        .at(1, yy)
        .at(3, "0322")
        .at(8, "1445")
        .at(13, "10.12")
        .at(19, "34")
        .at(22, "12.34")
        .at(28, "118")
        .at(32, "30.50")
        .at(38, "  8.25")
        .at(46, " 3.40")
        .at(52, "12")
        .at(58, " 97")
        .at(63, " 0.14")
        .at(69, " 0.6")
        .at(74, " 1.1");
}

std::string prt_station(const char* stn, const char* delta, const char* rmk, const char* tpobs,
                        const char* tpcal, const char* fmp) {
    return Cols().at(1, stn).at(6, delta).at(20, rmk).at(36, tpobs).at(42, tpcal).at(71, fmp);
}

TEST(HypoPrt, SummaryStationsWeightsAndTwoEvents) {
    std::vector<TraceRecord> db = {record("ABC", 'Z'), record("ABC", 'N'), record("DEF", 'Z'),
                                   record("GHI", 'Z'), record("JKL", 'Z'), record("XYZ", 'Z')};
    std::string s_line = Cols()
                             .at(1, "GHI")
                             .at(6, " 30.5")
                             .at(20, "IPD4")
                             .at(36, " 5.10")
                             .at(42, " 5.00")
                             .at(71, " 45")
                             .at(99, "ESU2")
                             .at(110, " 8.90");
    const std::string text = lines({
        "HYPO71 printed output",
        "  DATE    ORIGIN    LAT N    LONG W    DEPTH    MAG NO GAP DMIN  RMS  ERH  ERZ QM",
        prt_summary("05"),
        "",
        "  STN  DIST AZM AIN PRMK HRMN  P-SEC TPOBS TPCAL",
        prt_station("ABC", " 12.5", "IPU0", " 2.25", " 2.20", " 60"),
        prt_station("DEF", " 20.0", "ERD5", " 3.90", " 3.50", " 30"),
        prt_station("JKL", "  9.0", "E  ", " 1.50", " 1.40", ""),
        s_line,
        "  DATE    ORIGIN    LAT N    LONG W    DEPTH    MAG NO GAP DMIN  RMS  ERH  ERZ QM",
        prt_summary("97"),
        "  STN  DIST AZM AIN PRMK HRMN  P-SEC TPOBS TPCAL",
        prt_station("XYZ", " 50.0", "IPD1", " 7.00", " 6.90", ""),
    });
    HypoSummary h;
    read_listing(hypo_read_prt, text, db, h);

    const double origin = suds_make_time(2005, 3, 22, 14, 45, 10.12);
    EXPECT_EQ(h.kind, 1);
    EXPECT_DOUBLE_EQ(h.origin_time, origin);
    EXPECT_EQ(h.lat_degrees, 34);
    EXPECT_FLOAT_EQ(h.lat_minutes, 12.34f);
    EXPECT_EQ(h.lon_degrees, 118);
    EXPECT_FLOAT_EQ(h.lon_minutes, 30.5f);
    EXPECT_FLOAT_EQ(h.depth, 8.25f);
    EXPECT_FLOAT_EQ(h.magnitude, 3.4f);
    EXPECT_EQ(h.station_count, 12);
    EXPECT_EQ(h.gap, 97);
    EXPECT_FLOAT_EQ(h.rms, 0.14f);
    EXPECT_FLOAT_EQ(h.erh, 0.6f);
    EXPECT_FLOAT_EQ(h.erz, 1.1f);

    // Both components of ABC take the line; weight 0 sets every P field.
    for (int i : {0, 1}) {
        EXPECT_FLOAT_EQ(db[i].delta, 12.5f);
        EXPECT_EQ(db[i].p_weight, 0);
        EXPECT_EQ(db[i].p_onset, 'I');
        EXPECT_EQ(db[i].p_first_motion, 'U');
        EXPECT_EQ(db[i].reverse, 0);
        EXPECT_DOUBLE_EQ(db[i].p_observed, origin + 2.25);
        EXPECT_DOUBLE_EQ(db[i].p_calculated, origin + 2.20);
        EXPECT_EQ(db[i].fmp, 60);
    }
    // Weight 5: delta, weight, calculated P and FMP only; "R" reverses.
    EXPECT_EQ(db[2].p_weight, 5);
    EXPECT_EQ(db[2].p_onset, ' ');
    EXPECT_EQ(db[2].p_observed, 0.0);
    EXPECT_DOUBLE_EQ(db[2].p_calculated, origin + 3.5);
    EXPECT_EQ(db[2].reverse, 1);
    EXPECT_EQ(db[2].fmp, 30);
    // S phase fields.
    EXPECT_EQ(db[3].p_weight, 4);
    EXPECT_DOUBLE_EQ(db[3].p_observed, origin + 5.1);
    EXPECT_EQ(db[3].s_onset, 'E');
    EXPECT_EQ(db[3].s_first_motion, 'U');
    EXPECT_EQ(db[3].s_weight, 2);
    EXPECT_DOUBLE_EQ(db[3].s_observed, origin + 8.9);
    EXPECT_EQ(db[3].s_calculated, 0.0);
    // A blank weight column keeps the "no P pick" weight.
    EXPECT_EQ(db[4].p_weight, 6);
    EXPECT_FLOAT_EQ(db[4].delta, 9.0f);
    // The second event's stations are read against the first event's origin.
    EXPECT_FLOAT_EQ(db[5].delta, 50.0f);
    EXPECT_DOUBLE_EQ(db[5].p_observed, origin + 7.0);
}

TEST(HypoPrt, TwoDigitYearsAndMissingParts) {
    std::vector<TraceRecord> db = {record("ABC", 'Z')};
    HypoSummary h;
    read_listing(hypo_read_prt, lines({"  DATE", prt_summary("97")}), db, h);
    EXPECT_DOUBLE_EQ(h.origin_time, suds_make_time(1997, 3, 22, 14, 45, 10.12));
    EXPECT_EQ(db[0].p_weight, 6); // no station header

    HypoSummary none;
    std::vector<TraceRecord> db2 = {record("ABC", 'Z')};
    read_listing(hypo_read_prt,
                 lines({"  STN", prt_station("ABC", " 1.0", "IPU0", " 1.0", " 1.0", "")}), db2,
                 none);
    EXPECT_EQ(none.kind, 0); // a station header before any summary is not looked at
    EXPECT_EQ(db2[0].p_weight, 6);

    HypoSummary cut;
    read_listing(hypo_read_prt, "  DATE\n", db2, cut);
    EXPECT_EQ(cut.kind, 0);
}

std::string evl_summary(bool south_west) {
    return Cols()
        .at(1, "2006")
        .at(6, "09")
        .at(9, "22")
        .at(13, "16")
        .at(16, "45")
        .at(19, "10.50")
        .at(27, "34.125")
        .at(33, south_west ? "S" : "N")
        .at(37, "118.500")
        .at(44, south_west ? "W" : "E")
        .at(46, " 12.30")
        .at(53, "  2.80")
        .at(60, " 0.21")
        .at(68, "14")
        .at(71, " 9")
        .at(75, "123")
        .at(80, " 57.5");
}

std::string evl_phase(const char* stn, const char* chn, const char* delta, const char* hm,
                      const char* sec, const char* pick, const char* res, const char* fmp) {
    return Cols()
        .at(5, stn)
        .at(11, chn)
        .at(15, delta)
        .at(34, hm)
        .at(40, sec)
        .at(48, pick)
        .at(53, res)
        .at(77, fmp);
}

TEST(HypoEvl, SummaryLongNamesAndContinuationLines) {
    std::vector<TraceRecord> db = {record("ABC", 'Z', "ABCD", "HHZ"),
                                   record("ABC", 'N', "ABCD", "HHN"), record("EF", 'Z'),
                                   record("QQ", 'Z')};
    const std::string text = lines({
        "Local event list",
        "    DATE     ORIGIN-TIME    LAT       LONG     DEPTH    ML   RMS   NL NM  GAP",
        evl_summary(true),
        "  STATION  CHN DIST",
        evl_phase("ABCD", "HHZ", "10.5", "16:45", "12.750", "CIP2", " -0.125", "  55"),
        evl_phase("", "", "", "16:45", "14.000", "DES1", "", ""),
        evl_phase("EF", "Z", "22.0", "16:45", "15.000", " EP3", "  0.500", ""),
        evl_phase("", "", "", "16:46", "01.000", "UIS0", "", ""),
    });
    HypoSummary h;
    read_listing(hypo_read_evl, text, db, h);
    const double origin = suds_make_time(2006, 9, 22, 16, 45, 10.5);
    EXPECT_EQ(h.kind, 2);
    EXPECT_DOUBLE_EQ(h.origin_time, origin);
    EXPECT_FLOAT_EQ(h.latitude, -34.125f);
    EXPECT_FLOAT_EQ(h.longitude, -118.5f);
    EXPECT_FLOAT_EQ(h.depth, 12.3f);
    EXPECT_FLOAT_EQ(h.magnitude, 2.8f);
    EXPECT_FLOAT_EQ(h.rms, 0.21f);
    EXPECT_EQ(h.nl, 14);
    EXPECT_EQ(h.nm, 9);
    EXPECT_EQ(h.gap, 123);

    const TraceRecord& z = db[0];
    EXPECT_FLOAT_EQ(z.delta, 10.5f);
    EXPECT_DOUBLE_EQ(z.p_observed, suds_make_time(2006, 9, 22, 16, 45, 12.75));
    EXPECT_DOUBLE_EQ(z.p_calculated, z.p_observed + 0.125);
    EXPECT_EQ(z.p_weight, 2);
    EXPECT_EQ(z.p_onset, 'I');
    EXPECT_EQ(z.p_first_motion, 'C');
    EXPECT_EQ(z.fmp, 55);
    // The blank station columns carry ABCD HHZ down to the S line.
    EXPECT_DOUBLE_EQ(z.s_observed, suds_make_time(2006, 9, 22, 16, 45, 14.0));
    EXPECT_EQ(z.s_weight, 1);
    EXPECT_EQ(z.s_onset, 'E');
    EXPECT_EQ(z.s_first_motion, 'D');
    EXPECT_EQ(db[1].p_weight, 6); // HHN is not named

    const TraceRecord& ef = db[2];
    EXPECT_FLOAT_EQ(ef.delta, 22.0f);
    EXPECT_EQ(ef.p_weight, 3);
    EXPECT_DOUBLE_EQ(ef.s_observed, suds_make_time(2006, 9, 22, 16, 46, 1.0));
    EXPECT_EQ(db[3].p_weight, 6);
}

TEST(HypoEvl, NorthEastIsPositive) {
    std::vector<TraceRecord> db;
    HypoSummary h;
    read_listing(hypo_read_evl, lines({"    DATE     ORIGIN-TIME", evl_summary(false)}), db, h);
    EXPECT_FLOAT_EQ(h.latitude, 34.125f);
    EXPECT_FLOAT_EQ(h.longitude, 118.5f);
}

TEST(HypoEvt, OneDistanceForTheWholeEvent) {
    std::vector<TraceRecord> db = {record("EF", 'Z'), record("AB", 'Z')};
    const std::string text = lines({
        "    DATE     ORIGIN-TIME    LAT       LONG     DEPTH    MB   RMS   NL NM  BAZ  DIST",
        evl_summary(false),
        "  STATION  CHN",
        evl_phase("EF", "Z", "99.0", "16:52", "30.000", " IP1", "  1.000", ""),
        evl_phase("AB", "Z", "11.0", "16:52", "31.000", " EP2", "  0.000", ""),
    });
    HypoSummary h;
    read_listing(hypo_read_evt, text, db, h);
    EXPECT_EQ(h.kind, 3);
    EXPECT_FLOAT_EQ(h.magnitude, 2.8f);
    EXPECT_EQ(h.gap, 123); // back azimuth
    EXPECT_FLOAT_EQ(db[0].delta, 57.5f);
    EXPECT_FLOAT_EQ(db[1].delta, 57.5f);
    EXPECT_DOUBLE_EQ(db[0].p_observed, suds_make_time(2006, 9, 22, 16, 52, 30.0));
    EXPECT_DOUBLE_EQ(db[0].p_calculated, db[0].p_observed - 1.0);
}

TEST(FixedField, BlankOrShortFieldsKeepTheirValue) {
    int32_t w = 6;
    EXPECT_FALSE(read_fixed_field("abc  ", 3, 1, &w));
    EXPECT_EQ(w, 6);
    EXPECT_FALSE(read_fixed_field("ab", 5, 3, &w));
    EXPECT_EQ(w, 6);
    EXPECT_TRUE(read_fixed_field("ab  42x", 2, 4, &w));
    EXPECT_EQ(w, 42);
    float f = 999.0f;
    EXPECT_TRUE(read_fixed_field("x -1.5e1", 1, 7, &f));
    EXPECT_FLOAT_EQ(f, -15.0f);
    EXPECT_TRUE(read_fixed_field("12345", 1, 2, &f)); // the width limits the digits taken
    EXPECT_FLOAT_EQ(f, 23.0f);
    double d = 1.0;
    EXPECT_FALSE(read_fixed_field("   nan", 0, 6, &d));
    EXPECT_EQ(d, 1.0);
}

TEST(HypoPrt, OverlongLinesDoNotSpillIntoNewLines) {
    std::vector<TraceRecord> db = {record("ABC", 'Z')};
    std::string long_line = prt_station("XX", " 1.0", "IPU0", " 1.0", " 1.0", "");
    long_line.resize(254, ' ');
    long_line +=
        " ABC   7.0"; // would read as a station line of ABC if the rest came back as a line
    HypoSummary h;
    read_listing(hypo_read_prt, lines({"  DATE", prt_summary("05"), "  STN", long_line}), db, h);
    EXPECT_FLOAT_EQ(db[0].delta, 999.0f);
}

} // namespace
