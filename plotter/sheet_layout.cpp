#include "sheet_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "trace_db.h"
#include "trace_draw.h"
#include "trace_escape.h"
#include "trace_samples.h"
#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

// Tick loops stop after this many ticks, whatever the times in the file say.
constexpr long kMaxTicks = 100000;

// Whole hundredths of a value, kept inside 64 bits whatever the file holds
// (seconds since 1970 in hundredths pass 32 bits, the size of long on Windows).
std::int64_t hundredths(double v) {
    return static_cast<std::int64_t>(std::clamp(v * 100.0, -9.0e18, 9.0e18));
}

int16_t text_color() {
    return vorlane_state().settings.plot_mode == 1 ? 0 : 7;
}

void text_at(float x, float y, float h, const std::string& t, float angle) {
    plot_text(x, y, h, t.c_str(), angle, static_cast<int16_t>(std::min<size_t>(t.size(), 32767)));
}

void text_centred(float x, float y, float h, const std::string& t, float angle) {
    plot_text(x, y, h, t.c_str(), angle,
              static_cast<int16_t>(-static_cast<int>(std::min<size_t>(t.size(), 32767))));
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

struct Layout {
    float top_margin, band_gap, yL, yR, band_height;
};

Layout layout(int per_page, bool listing) {
    const VorlaneState& st = vorlane_state();
    Layout l;
    l.top_margin = listing && (st.settings.annot & kAnnotEventLine) ? 0.35f : 0.25f;
    l.band_gap = listing && (st.settings.annot & kAnnotPRemark) ? 0.085f : 0.015f;
    l.yL = st.settings.record_section ? 1.1f : 0.9f;
    l.yR = st.settings.record_section ? 7.92f : 7.97f;
    l.band_height = (10.0f - l.top_margin - 0.17f) / per_page - l.band_gap;
    return l;
}

void time_axis(float a, float b, float yL, float yR) {
    VorlaneState& st = vorlane_state();
    SheetValues& sv = st.sheet;
    const double span = sv.plot_end - sv.plot_start;
    const double t0 = sv.plot_start - sv.window_start;
    const double tend = t0 + span;
    sv.time_scale = static_cast<float>((yR - yL) / std::max(span, 0.01));
    const TimeAxisSteps steps = sheet_time_steps(span);

    plot_set_color(text_color());
    text_centred(a - 0.07f, yL / 2, 0.07f, steps.name, 90.0f);
    text_centred(a - 0.04f, yL, 0.07f, sheet_number_text(t0 / steps.unit), 90.0f);

    const std::int64_t first = (hundredths(t0) / steps.minor + 1) * steps.minor;
    const std::int64_t end = hundredths(tend);
    plot_pen(a - 0.15f, yL, PEN_UP);
    plot_pen(a - 0.1f, yL, PEN_DOWN);
    long ticks = 0;
    for (std::int64_t v = first; v <= end && ticks < kMaxTicks; v += steps.minor, ++ticks) {
        const float y = static_cast<float>(yL + (v / 100.0 - t0) * sv.time_scale);
        plot_pen(a - 0.1f, y, PEN_DOWN);
        if (v % steps.major == 0) {
            plot_pen(a - 0.15f, y, PEN_DOWN);
            const std::string t = sheet_number_text(v / 100.0 / steps.unit);
            const float room = 2.0f * t.size() * 0.07f;
            if (yL + room < y && y < yR - room)
                text_centred(a - 0.04f, y, 0.07f, t, 90.0f);
        } else {
            plot_pen(a - 0.125f, y, PEN_DOWN);
        }
        plot_pen(a - 0.1f, y, PEN_UP);
    }
    plot_pen(a - 0.1f, yR, PEN_DOWN);
    plot_pen(a - 0.15f, yR, PEN_DOWN);
    const std::string te = sheet_number_text(tend / steps.unit, 2);
    text_centred(a - 0.04f, yR - te.size() / 2.0f * 0.07f, 0.07f, te, 90.0f);

    plot_pen(b + 0.05f, yL, PEN_UP);
    plot_pen(b, yL, PEN_DOWN);
    ticks = 0;
    for (std::int64_t v = first; v <= end && ticks < kMaxTicks; v += steps.minor, ++ticks) {
        const float y = static_cast<float>(yL + (v / 100.0 - t0) * sv.time_scale);
        plot_pen(b, y, PEN_DOWN);
        plot_pen(b + (v % steps.major == 0 ? 0.05f : 0.025f), y, PEN_DOWN);
        plot_pen(b, y, PEN_UP);
    }
    plot_pen(b, yR, PEN_DOWN);
    plot_pen(b + 0.05f, yR, PEN_DOWN);
}

void range_axis(const TraceDatabase& db, float xs, float xe, float ya, float yb) {
    VorlaneState& st = vorlane_state();
    const float range_min = db.range_min, range_max = db.range_max;
    const double span = std::fabs(static_cast<double>(range_max) - range_min);
    st.sheet.range_scale = static_cast<float>((xe - xs) / std::max(span, 0.01));
    long major, minor;
    sheet_range_steps(span, &major, &minor);
    const std::int64_t first = (hundredths(range_min) / minor + 1) * minor;
    const std::int64_t end = hundredths(range_max);
    auto X = [&](std::int64_t v) {
        return static_cast<float>(xs + (v / 100.0 - range_min) * st.sheet.range_scale);
    };

    plot_set_color(text_color());
    text_centred(xs, ya - 0.07f, 0.07f, sheet_number_text(range_min), 0.0f);
    plot_pen(xs, ya + 0.05f, PEN_UP);
    plot_pen(xs, ya, PEN_DOWN);
    long ticks = 0;
    for (std::int64_t v = first; v <= end && ticks < kMaxTicks; v += minor, ++ticks) {
        const float x = X(v);
        plot_pen(x, ya, PEN_DOWN);
        if (v % major == 0) {
            plot_pen(x, ya + 0.05f, PEN_DOWN);
            if (xs + 0.28f < x && x < xe - 0.28f)
                text_centred(x, ya - 0.07f, 0.07f, sheet_number_text(v / 100.0), 0.0f);
        } else {
            plot_pen(x, ya + 0.025f, PEN_DOWN);
        }
        plot_pen(x, ya, PEN_UP);
    }
    plot_pen(xe, ya, PEN_DOWN);
    plot_pen(xe, ya + 0.05f, PEN_DOWN);
    text_centred(xe, ya - 0.07f, 0.07f, sheet_number_text(range_max), 0.0f);

    plot_pen(xs, yb - 0.05f, PEN_UP);
    plot_pen(xs, yb, PEN_DOWN);
    ticks = 0;
    for (std::int64_t v = first; v <= end && ticks < kMaxTicks; v += minor, ++ticks) {
        const float x = X(v);
        plot_pen(x, yb, PEN_DOWN);
        plot_pen(x, yb - (v % major == 0 ? 0.05f : 0.025f), PEN_DOWN);
        plot_pen(x, yb, PEN_UP);
    }
    plot_pen(xe, yb, PEN_DOWN);
    plot_pen(xe, yb - 0.05f, PEN_DOWN);
}

std::string event_line(const HypoSummary& h) {
    const std::string org = suds_time_text(h.origin_time, vorlane_time_code());
    switch (h.kind) {
    case 1:
        return format("ORG=%s LAT=%+02d-%05.2f LON=%+03d-%05.2f DEP=%.2f MAG=%.1f STN=%d GAP=%d "
                      "RMS=%.2f ERH=%.1f ERZ=%.1f",
                      org.c_str(), h.lat_degrees, h.lat_minutes, -h.lon_degrees, h.lon_minutes,
                      h.depth, h.magnitude, static_cast<int>(h.station_count),
                      static_cast<int>(h.gap), h.rms, h.erh, h.erz);
    case 2:
        return format("ORG=%s LAT=%+6.3f LON=%+7.3f DEP=%.2f ML=%.1f NL=%d NM=%d GAP=%d RMS=%.2f",
                      org.c_str(), h.latitude, h.longitude, h.depth, h.magnitude,
                      static_cast<int>(h.nl), static_cast<int>(h.nm), static_cast<int>(h.gap),
                      h.rms);
    default:
        return format("ORG=%s LAT=%+6.3f LON=%+7.3f DEP=%.2f MB=%.1f NL=%d NM=%d BAZ=%d RMS=%.2f",
                      org.c_str(), h.latitude, h.longitude, h.depth, h.magnitude,
                      static_cast<int>(h.nl), static_cast<int>(h.nm), static_cast<int>(h.gap),
                      h.rms);
    }
}

// Labels and numbers beside a trace that has just been drawn, its zero line at `centre`.
void trace_labels(TraceRecord& r, bool listing, float centre, float near_edge, float far_edge,
                  float yL, float yR) {
    const PlotSettings& s = vorlane_state().settings;
    plot_set_color(text_color());
    if (s.counts_per_volt != kNotSet)
        r.dig_con = s.counts_per_volt;
    if (s.amp_gain != kNotSet)
        r.gain = s.amp_gain;
    const bool dig_set = r.dig_con != kNotSet, gain_set = r.gain != kNotSet;
    if (s.amp_unit == 1 && dig_set && gain_set) {
        for (double* v : {&r.maximum, &r.minimum, &r.mean})
            *v = *v / r.dig_con / r.gain;
    } else if (s.amp_unit == 2 && dig_set && gain_set && s.volts_per_gmu != kNotSet) {
        for (double* v : {&r.maximum, &r.minimum, &r.mean})
            *v = *v / r.dig_con / r.gain * s.volts_per_gmu;
    }
    if (!s.record_section) {
        const double amp = std::max(std::fabs(r.maximum - r.mean), std::fabs(r.minimum - r.mean));
        text_centred(near_edge + 0.06f, 0.45f, 0.075f, format("%.0lf", amp), 90.0f);
        text_centred(centre, 0.83f, 0.05f, format("%.0lf", r.mean), 0.0f);
    }
    if (s.plot_mode == 1)
        plot_set_color(10);
    const std::string long_station(r.long_id + 8, strnlen(r.long_id + 8, 16));
    const std::string long_comp(r.long_id + 24, strnlen(r.long_id + 24, 8));
    if (!long_station.empty() && !long_comp.empty()) {
        if (!s.record_section) {
            const std::string id = trace_long_id_text(r);
            text_at(near_edge + 0.1f, yR - id.size() * 0.075f - 0.025f, 0.075f, id, 90.0f);
        }
        text_centred(centre, 0.45f, 0.075f,
                     format("%.5s:%.3s", long_station.c_str(), long_comp.c_str()), 90.0f);
    } else {
        text_centred(centre, 0.45f, 0.075f, std::string(r.station, strnlen(r.station, 4)), 90.0f);
    }
    if (s.annot & kAnnotSampleRate) {
        const std::string num = sheet_number_text(r.rate);
        plot_text(std::min(centre + 0.2f, far_edge - 0.06f), 0.45f, 0.065f, (num + "sps").c_str(),
                  90.0f, static_cast<int16_t>(-static_cast<int>(num.size() + 3)));
    }
    if (s.plot_mode == 1)
        plot_set_color(0);
    if (!s.record_section && listing && (s.annot & kAnnotPRemark)) {
        text_at(near_edge - 0.02f, yL, 0.045f,
                format("%.1f %c%c%c%d %d", r.delta, r.p_onset, r.reverse ? 'R' : 'P',
                       r.p_first_motion, static_cast<int>(r.p_weight), static_cast<int>(r.fmp)),
                90.0f);
    }
}

// Ends the plot and gives the message of a failure that ends the plotting.
void fail_with(const std::string& message) {
    plot_pen(0.0f, 0.0f, PEN_END_PLOT);
    vorlane_message("%s", message.c_str());
    vorlane_state().error_flag = true;
}

} // namespace

int sheet_draw_trace(TraceDatabase& db, TraceRecord& r, const TraceBand& band, TraceDrawRun& run,
                     TraceStats& stats) {
    VorlaneState& st = vorlane_state();
    if (trace_escape_pressed()) {
        plot_pen(0.0f, 0.0f, PEN_END_PLOT);
        return 0;
    }
    TraceSamples samples;
    std::string message;
    if (!trace_load_samples(db, r, samples, message)) {
        fail_with(message);
        return 0;
    }
    if (st.settings.plot_mode == 3)
        vorlane_print("station %s       \r", std::string(r.station, strnlen(r.station, 5)).c_str());
    stats = trace_draw(r, samples, band, st.sheet, run);
    r.maximum = stats.maximum;
    r.minimum = stats.minimum;
    r.mean = stats.mean;
    r.peak = stats.peak;
    return 1;
}

namespace {

int plot_sheet(TraceDatabase& db, TraceDrawRun& run, int sheet, int sheets, int per_page) {
    VorlaneState& st = vorlane_state();
    const PlotSettings& s = st.settings;
    const int count = static_cast<int>(db.records.size());
    if (!plot_open(s.plot_mode))
        return 0;
    if (s.plot_mode == 1)
        plot_fill_rect(0, 0, 10, 8, 1);
    const Layout l = layout(per_page, db.listing_read());
    st.sheet.band_height = l.band_height;
    plot_set_color(text_color());
    const int code = vorlane_time_code();

    std::string heading = suds_time_text(st.sheet.window_start, code);
    heading += " - ";
    heading += s.amp_unit_text;
    heading += " - ";
    heading += st.sheet_label;
    text_at(0.121f, 0.0f, 0.09f, heading, 90.0f);
    if (db.listing_read() && (s.annot & kAnnotEventLine))
        text_at(0.21f, 0.0f, 0.07f, event_line(db.hypo), 90.0f);
    if (s.annot & kAnnotSideLine)
        text_centred(
            2.875f, 0.03f, 0.04f,
            format("SHEET %d OF %d %s", sheet, sheets, suds_time_text(st.session_time, code)),
            0.0f);
    if (s.annot & kAnnotClArgs)
        text_centred(7.125f, 0.03f, 0.04f,
                     format("VORLANE %.4s - %s", kVorlaneVersion, st.switch_text.c_str()), 0.0f);

    time_axis(10.0f, l.top_margin - 0.07f, l.yL, l.yR);
    float near_edge = l.top_margin + l.band_gap;
    if (s.record_section)
        range_axis(db, near_edge + l.band_height / 2, 9.83f - l.band_height / 2, l.yL - 0.1f, 8.0f);

    float far_edge = near_edge + l.band_height;
    for (int p = 0; p < per_page; ++p) {
        const int i = per_page * (sheet - 1) + p;
        if (i >= count)
            break;
        if (s.plot_mode == 3)
            vorlane_print("Processing sheet %d ", sheet);
        TraceRecord& r = db.records[i];
        if (s.record_section) {
            near_edge = (r.delta - db.range_min) * st.sheet.range_scale + l.top_margin + l.band_gap;
            far_edge = near_edge + l.band_height;
        }
        TraceStats stats;
        if (!sheet_draw_trace(db, r, TraceBand{far_edge, l.yL, near_edge, l.yR}, run, stats))
            return 0;
        trace_labels(r, db.listing_read(), stats.centre, near_edge, far_edge, l.yL, l.yR);
        if (!s.record_section) {
            near_edge += l.band_height + l.band_gap;
            far_edge += l.band_height + l.band_gap;
        }
    }
    if (s.plot_mode == 1) {
        for (;;) {
            const int16_t ev = plot_wait_event(1);
            if (ev == 27 || ev == 0)
                break;
        }
    }
    plot_pen(0.0f, 0.0f, PEN_END_PLOT);
    return 1;
}

} // namespace

std::string sheet_number_text(double value, int precision) {
    if (value == std::trunc(value) && std::fabs(value) < 9.2e18)
        return format("%lld", static_cast<long long>(value));
    std::string t = format("%-12.*f", precision, value);
    return t.substr(0, t.find(' '));
}

TimeAxisSteps sheet_time_steps(double span) {
    if (span > 172800)
        return {86400, "Days", 8640000, 360000};
    if (span > 7200) {
        if (span <= 12 * 3600.0)
            return {3600, "Hours", 360000, 60000};
        return {3600, "Hours", 3600000, 360000};
    }
    if (span > 120) {
        if (span <= 20 * 60.0)
            return {60, "Minutes", 6000, 1000};
        return {60, "Minutes", 60000, 6000};
    }
    if (span <= 20)
        return {1, "Seconds", 100, 10};
    return {1, "Seconds", 1000, 100};
}

void sheet_range_steps(double span, long* major, long* minor) {
    if (span > 1200)
        *major = 10000, *minor = 1000;
    else if (span > 500)
        *major = 5000, *minor = 1000;
    else if (span > 180)
        *major = 2500, *minor = 500;
    else if (span > 60)
        *major = 1000, *minor = 100;
    else if (span > 12)
        *major = 500, *minor = 100;
    else if (span > 1)
        *major = 100, *minor = 10;
    else
        *major = 10, *minor = 1;
}

void sheet_page_split(int count, int setting, int* per_page, int* sheets) {
    if (setting == 0) {
        *per_page = count;
        *sheets = 1;
        for (int s = 1; s <= 998; ++s) {
            if (count / s <= 24) {
                *per_page = count / s + (count / s * s < count ? 1 : 0);
                *sheets = s;
                break;
            }
        }
    } else {
        *per_page = setting;
        *sheets = (count - 1) / setting + 1;
    }
}

void sheet_time_window(TraceDatabase& db) {
    VorlaneState& st = vorlane_state();
    SheetValues& sv = st.sheet;
    const double hw = st.settings.half_window;
    sv.reference_time = db.records.front().ist;
    sv.window_start = 2147472000.0;
    sv.window_end = -2147472000.0;
    bool any_inside = false;
    for (TraceRecord& r : db.records) {
        vorlane_log("%.5s:%c %ld %s\n", r.station, r.component, static_cast<long>(r.offset),
                    suds_time_text(r.ist, 4));
        if (sv.reference_time - hw < r.ist && r.ist < sv.reference_time + hw) {
            sv.window_start = std::min(sv.window_start, r.ist);
            any_inside = true;
        } else {
            r.include = 0;
            vorlane_log("Station %.4s outside of plot window: IST=%s\n", r.station,
                        suds_time_text(r.ist, 4));
            r.ist = sv.reference_time;
            st.error_flag = true;
        }
        const double duration = r.rate > 0 ? r.length / static_cast<double>(r.rate) : 0.0;
        sv.window_end = std::max(sv.window_end, r.ist + duration);
    }
    // With no trace inside the window every trace has been moved to the reference
    // time, so the window starts there.
    if (!any_inside)
        sv.window_start = sv.reference_time;
    if (st.settings.dump)
        trace_dump(db);
}

int sheet_plot_all(TraceDatabase& db) {
    VorlaneState& st = vorlane_state();
    const PlotSettings& s = st.settings;
    SheetValues& sv = st.sheet;
    const int count = static_cast<int>(db.records.size());
    sheet_time_window(db);
    int per_page, sheets;
    if (s.record_section) {
        per_page = count;
        sheets = 1;
    } else {
        sheet_page_split(count, s.traces_per_page, &per_page, &sheets);
    }

    sv.plot_start = sv.window_start;
    sv.plot_end = sv.window_end;
    if (s.jump > 0 && sv.plot_start + s.jump < sv.plot_end)
        sv.plot_start += s.jump;
    if (s.length != kLengthAll && sv.plot_start + s.length < sv.plot_end)
        sv.plot_end = sv.plot_start + s.length;

    TraceDrawRun run;
    run.decimation = s.decimation;
    run.listing = db.listing_read();
    for (int sheet = 1; sheet <= sheets; ++sheet)
        if (!plot_sheet(db, run, sheet, sheets, per_page))
            return 0;
    return 1;
}
