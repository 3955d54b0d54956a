// Trace drawing and sheet layout, checked through the strokes of the .PLX file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "sheet_layout.h"
#include "test_util.h"
#include "trace_db.h"
#include "trace_draw.h"
#include "trace_escape.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

constexpr float kNear = 1.0f, kFar = 2.0f, kCentre = 1.5f, kYL = 0.9f, kYR = 7.97f;

struct Stroke {
    int16_t code;
    float x, y;
};

int g_key = -1;
bool key_waiting() {
    return g_key >= 0;
}
int read_key() {
    return g_key;
}

class Drawing : public ::testing::Test {
  protected:
    void SetUp() override {
        database = TraceDatabase{}; // its file goes before the library's table is reset
        run = TraceDrawRun{};
        vorlane_reset();
        suds_reset();
        plot_reset();
        testkit::set_env("TMP", dir.path());
        g_key = -1;
        trace_escape_set_hooks({key_waiting, read_key});
        ASSERT_EQ(plot_initialize(""), 1);
        plot_set_hardcopy(0);
        st().settings.plot_mode = 3;
        st().settings.annot = 0;
    }
    void TearDown() override {
        database = TraceDatabase{};
        trace_escape_set_hooks({});
        plot_reset();
        vorlane_reset();
    }
    static VorlaneState& st() { return vorlane_state(); }

    // Builds the database of the channels; plot window from the first IST over `span` seconds.
    void load(const std::vector<TestChannel>& chans, double span) {
        write_suds(dir.file("t.dmx"), chans);
        ASSERT_GE(build(dir.file("t.dmx")), 1);
        SheetValues& sv = st().sheet;
        sv.window_start = sv.plot_start = chans[0].ist;
        sv.plot_end = sv.plot_start + span;
        sv.time_scale = static_cast<float>((kYR - kYL) / span);
        sv.band_height = kFar - kNear;
    }

    int build(const std::string& name) {
        database = trace_build_database(name, "", st().settings);
        return static_cast<int>(database.records.size());
    }
    std::vector<TraceRecord>& db() { return database.records; }

    // One trace as a sheet draws it, in the test band.
    int draw_trace(int index) {
        run.listing = database.listing_read();
        return sheet_draw_trace(database, db()[index], TraceBand{kFar, kYL, kNear, kYR}, run,
                                stats);
    }

    // Draws record `index` in the test band and returns the pen strokes of the plot.
    std::vector<Stroke> draw(int index = 0, int expect = 1) {
        EXPECT_EQ(plot_open(3), 1);
        EXPECT_EQ(draw_trace(index), expect);
        if (expect)
            plot_pen(0, 0, PEN_END_PLOT);
        return strokes();
    }

    std::vector<Stroke> strokes() {
        std::vector<Stroke> out;
        const std::string name =
            dir.file("plot" + std::string(4 - std::to_string(plot_no).size(), '0') +
                     std::to_string(plot_no) + ".plx");
        ++plot_no;
        for (const PlxRecord& r : read_plx(name))
            if (r.code == PEN_UP || r.code == PEN_DOWN)
                out.push_back({r.code, r.v[0], r.v[1]});
        return out;
    }

    static float max_deflection(const std::vector<Stroke>& s) {
        float m = 0;
        for (const Stroke& p : s)
            m = std::max(m, std::fabs(p.x - kCentre));
        return m;
    }

    ScratchDir dir;
    int plot_no = 0;
    TraceDatabase database;
    TraceDrawRun run;
    TraceStats stats;
};

TestChannel wave(char type, std::vector<double> samples, float rate = 100.0f) {
    TestChannel c;
    c.station = "AAA";
    c.data_type = type;
    c.rate = rate;
    c.samples = std::move(samples);
    return c;
}

std::vector<double> square(int n, double lo, double hi) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = i % 2 ? hi : lo;
    return v;
}

TEST_F(Drawing, EverySampleAtItsPlaceWithoutDecimation) {
    load({wave('i', {0, 1000, 0, -1000, 0})}, 0.04); // 4 intervals across the axis
    const std::vector<Stroke> s = draw();
    // Samples 0..3 (the fifth lies past the axis end): a move, then one draw per sample.
    ASSERT_EQ(s.size(), 5u);
    const double step = (kYR - kYL) / 4.0;
    const double f = 0.5 / 32767.0;
    EXPECT_EQ(s[0].code, PEN_UP);
    EXPECT_FLOAT_EQ(s[0].x, kCentre);
    EXPECT_FLOAT_EQ(s[0].y, kYL);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s[i + 1].code, PEN_DOWN);
        EXPECT_NEAR(s[i + 1].y, kYL + i * step, 1e-5) << i;
    }
    EXPECT_NEAR(s[2].x, kCentre - 1000 * f, 1e-6);
    EXPECT_NEAR(s[4].x, kCentre + 1000 * f, 1e-6);
    EXPECT_EQ(db()[0].peak, 1000);
    EXPECT_DOUBLE_EQ(db()[0].maximum, 1000.0);
    EXPECT_DOUBLE_EQ(db()[0].minimum, -1000.0);
    EXPECT_DOUBLE_EQ(db()[0].mean, 0.0);
    EXPECT_FLOAT_EQ(stats.centre, kCentre);
    EXPECT_EQ(stats.peak, 1000);
}

TEST_F(Drawing, FullScaleFollowsTheMagnification) {
    load({wave('i', square(200, -1000, 1000))}, 2.0);
    const struct {
        float mag;
        double deflection;
    } cases[] = {
        {1.0f, 0.5 * 1000 / 32767.0},      // absolute amplitude
        {2.0e9f, 0.5},                     // peak to the band edge
        {4.0f, 0.5 * 4 * 1000 / 32767.0},  // up to 4 times
        {100.0f, 0.5},                     // up to 100 times: the peak already fills the band
        {-2.0f, 0.5 * 2 * 1000 / 32767.0}, // fixed 2 times
    };
    for (const auto& c : cases) {
        st().settings.magnification = c.mag;
        EXPECT_NEAR(max_deflection(draw()), c.deflection, 1e-5) << c.mag;
    }
    // A station in the absolute-amplitude list ignores the magnification.
    strcpy(st().abs_list[0], "AAA");
    st().abs_count = 1;
    st().settings.magnification = 2.0e9f;
    EXPECT_NEAR(max_deflection(draw()), 0.5 * 1000 / 32767.0, 1e-6);
}

TEST_F(Drawing, FloatTracesScaleByTheirPeak) {
    load({wave('f', {0.0, 2.5e-6, 0.0, -2.5e-6, 0.0})}, 0.04);
    EXPECT_NEAR(max_deflection(draw()), 0.5, 1e-5); // absolute amplitude: the peak is full scale
    st().settings.magnification = -2.0f;
    EXPECT_NEAR(max_deflection(draw()), 1.0, 1e-5); // fixed 2 times
    st().settings.magnification = 4.0f;
    EXPECT_NEAR(max_deflection(draw()), 0.5, 1e-5); // up to 4 times: the peak

    // Windowing keeps the fractions of float samples.
    SetUp();
    std::vector<double> v(12000, 0.0);
    v[5000] = 3.0e-6;
    load({wave('f', v)}, 120.0);
    run.decimation = 0;
    EXPECT_NEAR(max_deflection(draw()), 0.5, 1e-4);
}

TEST_F(Drawing, OffsetBiasAndMeanAreRemovedAndValuesClipped) {
    load({wave('s', {2048 + 100, 2048 - 100, 2048 + 100, 2048 - 100, 2048 + 100})}, 0.04);
    std::vector<Stroke> s = draw();
    // Mean of the samples (after the bias) is 20.
    EXPECT_NEAR(s[1].x, kCentre - 80 * 0.5 / 2047, 1e-6);
    EXPECT_NEAR(s[2].x, kCentre + 120 * 0.5 / 2047, 1e-6);

    SetUp();
    load({wave('q', {0, 5000, 0, -5000, 0})}, 0.04);
    s = draw();
    EXPECT_FLOAT_EQ(s[2].x, kCentre - 0.5f); // clipped to the 12-bit full scale
    EXPECT_FLOAT_EQ(s[4].x, kCentre + 0.5f);
    EXPECT_EQ(db()[0].peak, 2047);
}

TEST_F(Drawing, ReversedPolarityMirrorsTheTrace) {
    load({wave('l', {0, 70000, -30000, 0, 10})}, 0.04);
    const std::vector<Stroke> plain = draw();
    db()[0].reverse = 1;
    const std::vector<Stroke> mirrored = draw();
    ASSERT_EQ(plain.size(), mirrored.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_NEAR(plain[i].x - kCentre, kCentre - mirrored[i].x, 1e-6) << i;
        EXPECT_FLOAT_EQ(plain[i].y, mirrored[i].y);
    }
}

TEST_F(Drawing, SimpleDecimationDrawsEveryNthSample) {
    std::vector<double> v(101);
    for (int i = 0; i <= 100; ++i)
        v[i] = i * 10;
    load({wave('i', v)}, 1.0);
    run.decimation = 5;
    const std::vector<Stroke> s = draw();
    ASSERT_EQ(s.size(),
              1u + 20u); // move, then samples 0, 5, ..., 95 (100 lies past the last index)
    const double step = (kYR - kYL) / 100.0;
    for (int k = 0; k < 20; ++k) {
        EXPECT_NEAR(s[k + 1].y, kYL + k * 5 * step, 1e-5);
        EXPECT_NEAR(s[k + 1].x, kCentre - (k * 50 - 500) * 0.5 / 32767, 1e-6);
    }
}

TEST_F(Drawing, WindowingDecimationKeepsEveryPeakInTwoStrokesPerPoint) {
    // 100 samples per second over a 120 s axis: about 5.66 samples per output point.
    std::vector<double> v(12000, 0.0);
    v[7777] = 30000;
    v[9001] = -20000;
    load({wave('i', v)}, 120.0);
    run.decimation = 0;
    const std::vector<Stroke> s = draw();
    const int points = static_cast<int>(300 * static_cast<double>(kYR - kYL));
    EXPECT_EQ(points, 2120);
    EXPECT_LE(s.size(), 1u + 2u * points);
    EXPECT_GE(s.size(), 2u * (points - 2));
    EXPECT_EQ(run.decimation, 0);
    // Each point is a stroke at one y; the spikes survive.
    float lo = 10, hi = -10;
    for (size_t i = 1; i + 1 < s.size(); i += 2) {
        EXPECT_FLOAT_EQ(s[i].y, s[i + 1].y);
        EXPECT_GE(s[i].x, s[i + 1].x); // smallest sample first: the larger x
        lo = std::min(lo, s[i + 1].x);
        hi = std::max(hi, s[i].x);
    }
    const double mean = 10000.0 / 12000.0;
    // Plotted values are the mean-free samples truncated towards zero.
    EXPECT_EQ(std::trunc(30000 - mean), 29999);
    EXPECT_NEAR(lo, kCentre - 29999 * 0.5 / 32767, 1e-6);
    EXPECT_NEAR(hi, kCentre + 20000 * 0.5 / 32767, 1e-6);
}

TEST_F(Drawing, WindowingClipsAndPeaksOnlyThePlottedSamples) {
    std::vector<double> v(12000, 0.0);
    v[7777] = 4000; // beyond the 12-bit full scale
    v[9001] = -1500;
    load({wave('q', v)}, 120.0);
    run.decimation = 0;
    std::vector<Stroke> s = draw();
    float lo = 10, hi = -10;
    for (const Stroke& p : s)
        lo = std::min(lo, p.x), hi = std::max(hi, p.x);
    EXPECT_FLOAT_EQ(lo, kCentre - 0.5f);
    EXPECT_NEAR(hi, kCentre + 1500 * 0.5 / 2047, 1e-6);
    EXPECT_EQ(db()[0].peak, 2047);

    // A sample before the plot start counts in the mean but not in the peak.
    SetUp();
    v.assign(12000, 0.0);
    v[100] = -5000;
    v[7777] = 1000;
    load({wave('q', v)}, 110.0);
    st().sheet.plot_start += 10.0;
    run.decimation = 0;
    draw();
    EXPECT_EQ(db()[0].peak, 1000);
    EXPECT_NEAR(db()[0].mean, -4000.0 / 12000, 1e-12);
}

TEST_F(Drawing, WindowingTurnsIntoNoneForSlowTraces) {
    load({wave('i', std::vector<double>(120, 0.0), 1.0f)}, 120.0);
    run.decimation = 0;
    const std::vector<Stroke> s = draw();
    EXPECT_EQ(run.decimation, 1); // for the rest of the run
    EXPECT_EQ(s.size(), 121u);
}

TEST_F(Drawing, LateTraceStartsFurtherAlongTheAxis) {
    TestChannel first = wave('i', std::vector<double>(100, 0.0));
    TestChannel late = wave('i', std::vector<double>(50, 0.0));
    late.station = "BBB";
    late.ist = first.ist + 0.5;
    load({first, late}, 1.0);
    const std::vector<Stroke> s = draw(1);
    EXPECT_NEAR(s[0].y, kYL + 0.5 * (kYR - kYL), 1e-5);
}

TEST_F(Drawing, EscapeOnTheConsoleEndsThePlot) {
    load({wave('i', {1, 2, 3})}, 1.0);
    g_key = 27;
    EXPECT_EQ(plot_open(3), 1);
    EXPECT_EQ(draw_trace(0), 0);
    EXPECT_EQ(plot_state().state, -1); // the plot was ended
    g_key = 'x';                       // other keys are dropped
    EXPECT_EQ(plot_open(3), 1);
    EXPECT_EQ(draw_trace(0), 1);
    plot_pen(0, 0, PEN_END_PLOT);
}

TEST_F(Drawing, PhaseMarksAtTheirTimes) {
    load({wave('i', std::vector<double>(1000, 0.0))}, 10.0);
    st().settings.annot = 0;
    database.hypo.kind = 1;
    TraceRecord& r = db()[0];
    const double t0 = st().sheet.plot_start;
    r.p_observed = t0 + 2.0;
    r.p_calculated = t0 + 2.5;
    r.p_weight = 1;
    r.s_observed = t0 + 6.0;
    r.fmp = 3;
    const float ts = st().sheet.time_scale;
    auto Y = [&](double dt) { return static_cast<float>(kYL + dt * ts); };
    std::vector<Stroke> s = draw();
    // Phase marks follow the 1001 strokes of the trace.
    std::vector<Stroke> m(s.begin() + 1001, s.end());
    ASSERT_GE(m.size(), 10u);
    // Observed P: ticks outside both band edges.
    EXPECT_EQ(m[0].code, PEN_UP);
    EXPECT_FLOAT_EQ(m[0].x, kNear - 0.03f);
    EXPECT_FLOAT_EQ(m[0].y, Y(2.0));
    EXPECT_FLOAT_EQ(m[1].x, kNear - 0.005f);
    EXPECT_FLOAT_EQ(m[3].x, kFar + 0.005f);
    // Calculated P: a solid line across the band.
    EXPECT_FLOAT_EQ(m[4].y, Y(2.5));
    EXPECT_FLOAT_EQ(m[4].x, kNear - 0.03f);
    EXPECT_EQ(m[5].code, PEN_DOWN);
    EXPECT_FLOAT_EQ(m[5].x, kFar + 0.03f);
    // Residual bars from the calculated to the observed time along both edges.
    EXPECT_FLOAT_EQ(m[6].y, Y(2.5));
    EXPECT_FLOAT_EQ(m[7].y, Y(2.0));
    EXPECT_FLOAT_EQ(m[7].x, kNear - 0.03f);
    EXPECT_FLOAT_EQ(m[9].x, kFar + 0.03f);
    // S: a dashed line of 19 steps, then the signal duration line.
    size_t i = 10;
    int moves = 0, draws = 0;
    for (; i < m.size() && m[i].y == Y(6.0); ++i)
        (m[i].code == PEN_UP ? moves : draws)++;
    EXPECT_EQ(moves, 10);
    EXPECT_EQ(draws, 11);
    ASSERT_EQ(m.size(), i + 2);
    EXPECT_FLOAT_EQ(m[i].y, Y(5.0));
    EXPECT_FLOAT_EQ(m[i].x, kNear + 0.1f);
    EXPECT_FLOAT_EQ(m[i + 1].x, kFar - 0.1f);
}

TEST_F(Drawing, PickBeforeThePlotClampsItsResidualBarsToTheAxisStart) {
    load({wave('i', std::vector<double>(1000, 0.0))}, 10.0);
    database.hypo.kind = 2;
    TraceRecord& r = db()[0];
    r.p_observed = st().sheet.plot_start - 1.0;
    r.p_calculated = st().sheet.plot_start + 1.0;
    r.p_weight = 4;
    const float yc = static_cast<float>(kYL + 1.0 * st().sheet.time_scale);
    std::vector<Stroke> s = draw();
    std::vector<Stroke> m(s.begin() + 1001, s.end());
    // No observed ticks (outside the axis); weight 4 dashes the calculated line inside the band.
    EXPECT_FLOAT_EQ(m[0].x, kNear);
    EXPECT_FLOAT_EQ(m[0].y, yc);
    ASSERT_GE(m.size(), 4u);
    const Stroke& bar_end = m[m.size() - 3];
    EXPECT_FLOAT_EQ(bar_end.x, kNear - 0.03f);
    EXPECT_FLOAT_EQ(bar_end.y, kYL);
    EXPECT_FLOAT_EQ(m.back().y, kYL);
}

TEST_F(Drawing, AmplitudeBracketsAtBothEnds) {
    load({wave('i', {0, 0, 0})}, 0.02);
    st().settings.annot = kAnnotAmpBrackets;
    const std::vector<Stroke> s = draw();
    std::vector<Stroke> b(s.begin() + 3, s.end());
    ASSERT_EQ(b.size(), 16u);
    EXPECT_FLOAT_EQ(b[0].x, kFar);
    EXPECT_FLOAT_EQ(b[0].y, kYL + 0.025f);
    EXPECT_FLOAT_EQ(b[3].y, kYL - 0.025f);
    EXPECT_FLOAT_EQ(b[7].x, kFar + 0.0075f); // separator in the label column
    EXPECT_FLOAT_EQ(b[7].y, 0.15f);
    EXPECT_FLOAT_EQ(b[8].y, kYL - 0.125f);
    EXPECT_FLOAT_EQ(b[15].x, kFar);
    EXPECT_FLOAT_EQ(b[15].y, kYR - 0.025f);
}

TEST_F(Drawing, WrongStructureAtTheOffsetIsOutOfSync) {
    load({wave('i', {1, 2, 3})}, 1.0);
    ASSERT_EQ(vorlane_log_open("vorlane.log"), 1);
    db()[0].offset = 0; // the StationComp
    EXPECT_EQ(plot_open(3), 1);
    EXPECT_EQ(draw_trace(0), 0);
    EXPECT_EQ(plot_state().state, -1);
    EXPECT_TRUE(st().error_flag);
    vorlane_log_close();
    EXPECT_EQ(read_text_file(dir.file("vorlane.log")),
              "\nERROR: input file out of sync: " + dir.file("t.dmx") + "\n");
}

TEST(SheetLayout, BestFitAndFixedPageSplits) {
    int per = 0, sheets = 0;
    sheet_page_split(24, 0, &per, &sheets);
    EXPECT_EQ(per, 24);
    EXPECT_EQ(sheets, 1);
    sheet_page_split(25, 0, &per, &sheets);
    EXPECT_EQ(per, 13);
    EXPECT_EQ(sheets, 2);
    sheet_page_split(49, 0, &per, &sheets);
    EXPECT_EQ(per, 25);
    EXPECT_EQ(sheets, 2);
    sheet_page_split(30, 0, &per, &sheets);
    EXPECT_EQ(per, 15);
    EXPECT_EQ(sheets, 2);
    sheet_page_split(25, 10, &per, &sheets);
    EXPECT_EQ(per, 10);
    EXPECT_EQ(sheets, 3);
    sheet_page_split(1, 0, &per, &sheets);
    EXPECT_EQ(per, 1);
    EXPECT_EQ(sheets, 1);
}

TEST(SheetLayout, TimeAxisUnitsAndTicks) {
    TimeAxisSteps s = sheet_time_steps(90);
    EXPECT_STREQ(s.name, "Seconds");
    EXPECT_EQ(s.major, 1000);
    EXPECT_EQ(s.minor, 100);
    s = sheet_time_steps(15 * 60);
    EXPECT_STREQ(s.name, "Minutes");
    EXPECT_EQ(s.major, 6000);
    EXPECT_EQ(s.minor, 1000);
    EXPECT_EQ(sheet_time_steps(20).major, 100);
    EXPECT_EQ(sheet_time_steps(30 * 60).major, 60000);
    EXPECT_STREQ(sheet_time_steps(3 * 3600).name, "Hours");
    EXPECT_EQ(sheet_time_steps(3 * 3600).major, 360000);
    EXPECT_EQ(sheet_time_steps(24 * 3600).major, 3600000);
    EXPECT_STREQ(sheet_time_steps(3 * 86400).name, "Days");
    long major = 0, minor = 0;
    sheet_range_steps(250, &major, &minor);
    EXPECT_EQ(major, 2500);
    EXPECT_EQ(minor, 500);
    sheet_range_steps(0.5, &major, &minor);
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 1);
}

TEST(SheetLayout, NumbersAsText) {
    EXPECT_EQ(sheet_number_text(30.0), "30");
    EXPECT_EQ(sheet_number_text(1.25), "1.2");
    EXPECT_EQ(sheet_number_text(2.5, 2), "2.50");
    EXPECT_EQ(sheet_number_text(-0.75), "-0.8");
    EXPECT_EQ(sheet_number_text(100.0), "100");
}

// A whole sheet in plot mode 3: the time axis ticks of a 90 s window lie where the seconds are.
TEST_F(Drawing, TimeAxisTicksOfANinetySecondSheet) {
    TestChannel c = wave('i', std::vector<double>(9000, 0.0));
    write_suds(dir.file("t.dmx"), {c});
    ASSERT_EQ(build(dir.file("t.dmx")), 1);
    st().sheet_label = "t.dmx";
    ASSERT_EQ(sheet_plot_all(database), 1);
    const std::vector<Stroke> s = strokes();
    std::vector<float> majors, minors;
    for (const Stroke& p : s) {
        if (p.code != PEN_DOWN)
            continue;
        if (p.x == 10.0f - 0.15f)
            majors.push_back(p.y);
        if (p.x == 10.0f - 0.125f)
            minors.push_back(p.y);
    }
    const float scale = (kYR - kYL) / 90.0f;
    ASSERT_EQ(majors.size(), 10u); // 10 .. 90 s, and the axis end
    for (int k = 0; k < 9; ++k)
        EXPECT_NEAR(majors[k], kYL + 10 * (k + 1) * scale, 1e-4);
    EXPECT_FLOAT_EQ(majors.back(), kYR);
    EXPECT_EQ(minors.size(), 90u - 9u);
    EXPECT_FLOAT_EQ(st().sheet.time_scale, scale);
}

TEST_F(Drawing, NoTraceInsideAZeroWindowStillGivesASheet) {
    TestChannel a = wave('i', std::vector<double>(500, 0.0));
    TestChannel b = a;
    b.station = "BBB";
    b.ist = a.ist + 3;
    write_suds(dir.file("t.dmx"), {a, b});
    ASSERT_EQ(build(dir.file("t.dmx")), 2);
    st().settings.half_window = 0.0;
    ASSERT_EQ(sheet_plot_all(database), 1);
    EXPECT_DOUBLE_EQ(st().sheet.window_start, a.ist);
    EXPECT_DOUBLE_EQ(st().sheet.plot_end, a.ist + 5.0);
    EXPECT_EQ(db()[1].include, 0);
    EXPECT_DOUBLE_EQ(db()[1].ist, a.ist); // moved to the reference time
    EXPECT_TRUE(st().error_flag);
    EXPECT_GT(strokes().size(), 1000u);
}

// A file cut at any length either plots or fails with its message; it never crashes.
TEST_F(Drawing, TruncatedFilesPlotOrFailCleanly) {
    TestChannel a = wave('i', {1, -2, 3, -4, 5, -6});
    TestChannel b = wave('l', {10, 20, 30});
    b.station = "BBB";
    write_suds(dir.file("full.dmx"), {a, b});
    const std::string full = read_file(dir.file("full.dmx"));
    int plotted = 0, refused = 0;
    for (size_t n = 0; n <= full.size(); ++n) {
        SetUp();
        write_file(dir.file("t.dmx"), full.substr(0, n));
        const int count = build(dir.file("t.dmx"));
        if (count > 0 && sheet_plot_all(database) == 1)
            ++plotted;
        else
            ++refused;
        database = TraceDatabase{};
    }
    EXPECT_GT(plotted, 0);
    EXPECT_GT(refused, 0);
}

TEST_F(Drawing, RecordSectionPlacesTracesByDistance) {
    TestChannel a = wave('i', std::vector<double>(500, 7.0));
    TestChannel b = a;
    b.station = "BBB";
    write_suds(dir.file("t.dmx"), {a, b});
    ASSERT_EQ(build(dir.file("t.dmx")), 2);
    database.hypo.kind = 1;
    db()[0].delta = 10.0f;
    db()[1].delta = 50.0f;
    PlotSettings& set = st().settings;
    set.record_section = 1;
    set.annot = kAnnotEventLine | kAnnotPRemark;
    database.range_min = 10.0f;
    database.range_max = 50.0f;
    ASSERT_EQ(sheet_plot_all(database), 1);
    // Two bands of the whole page; the far trace's zero line is the range axis end.
    const float band = (10.0f - 0.35f - 0.17f) / 2 - 0.085f;
    const float xs = 0.35f + 0.085f + band / 2, xe = 9.83f - band / 2;
    EXPECT_FLOAT_EQ(st().sheet.range_scale, (xe - xs) / 40.0f);
    int near_line = 0, far_line = 0;
    for (const Stroke& p : strokes()) {
        if (p.code != PEN_DOWN || p.y < 1.1f || p.y > 7.92f)
            continue;
        near_line += std::fabs(p.x - xs) < 1e-4f;
        far_line += std::fabs(p.x - xe) < 1e-4f;
    }
    EXPECT_GE(near_line, 500);
    EXPECT_GE(far_line, 500);
}

TEST_F(Drawing, AmplitudeNumbersInVoltsWhenGainAndConstantAreKnown) {
    TestChannel a = wave('i', square(100, -1000, 1000));
    a.mvolts = 0.5f; // 2000 counts per volt
    a.atod_gain = 4;
    TestChannel b = wave('i', square(100, -1000, 1000));
    b.station = "BBB";
    b.mvolts = 0.5f; // no gain: stays in counts
    write_suds(dir.file("t.dmx"), {a, b});
    ASSERT_EQ(build(dir.file("t.dmx")), 2);
    st().settings.amp_unit = 1;
    ASSERT_EQ(sheet_plot_all(database), 1);
    EXPECT_DOUBLE_EQ(db()[0].maximum, 1000.0 / 2000.0 / 4.0);
    EXPECT_DOUBLE_EQ(db()[1].maximum, 1000.0);
}

} // namespace

TEST(SheetNumbers, WholeNumbersPast32BitsKeepTheirDigits) {
    EXPECT_EQ(sheet_number_text(5e9), "5000000000");
    EXPECT_EQ(sheet_number_text(-1234567890123.0), "-1234567890123");
}
