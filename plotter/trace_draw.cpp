#include "trace_draw.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include <platform/console.h>
#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "vorlane_log.h"
#include "vorlane_state.h"

namespace {

TraceDrawHooks g_hooks;

bool key_waiting() {
    return g_hooks.key_waiting ? g_hooks.key_waiting() : platform::console_key_waiting();
}
int read_key() {
    return g_hooks.read_key ? g_hooks.read_key() : platform::console_read_key(false);
}

int16_t text_color() {
    return vorlane_state().settings.plot_mode == 1 ? 0 : 7;
}

struct Geometry {
    float centre;
    double factor;
    bool reverse;
    float x(double v) const {
        return static_cast<float>(reverse ? centre + v * factor : centre - v * factor);
    }
};

// Smallest and largest of n > 0 whole-number samples, and their sum when asked.
// Four independent lanes, so that each comparison need not wait for the last.
template <typename T, bool WithSum>
void run_extremes(const T* s, int64_t n, T& lo, T& hi, int64_t& sum) {
    T lo4[4] = {s[0], s[0], s[0], s[0]}, hi4[4] = {s[0], s[0], s[0], s[0]};
    int64_t sum4[4] = {0, 0, 0, 0};
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const T v = s[i + k];
            lo4[k] = v < lo4[k] ? v : lo4[k];
            hi4[k] = v > hi4[k] ? v : hi4[k];
            if constexpr (WithSum)
                sum4[k] += v;
        }
    }
    for (; i < n; ++i) {
        lo4[0] = std::min(lo4[0], s[i]);
        hi4[0] = std::max(hi4[0], s[i]);
        if constexpr (WithSum)
            sum4[0] += s[i];
    }
    lo = std::min(std::min(lo4[0], lo4[1]), std::min(lo4[2], lo4[3]));
    hi = std::max(std::max(hi4[0], hi4[1]), std::max(hi4[2], hi4[3]));
    sum = (sum4[0] + sum4[1]) + (sum4[2] + sum4[3]);
}

// Statistics, mean removal and clipping, then the drawing of one sample table.
template <typename T>
void draw_samples(T* s, int32_t count, TraceRecord& r, float yL, float near_edge, float yR) {
    VorlaneState& st = vorlane_state();
    PlotSettings& set = st.settings;
    const SheetValues& sv = st.sheet;
    const bool is_float = std::is_same_v<T, float>;
    const double bias = r.sample_bias;

    double mx = -1.0e30, mn = 1.0e30, sum = 0.0;
    T smax{}, smin{}; // raw extremes of whole-number samples
    if constexpr (is_float) {
        for (int32_t i = 0; i < count; ++i) {
            const double v = s[i];
            mx = std::max(mx, v);
            mn = std::min(mn, v);
            sum += v;
        }
    } else if (count > 0) {
        // Whole-number samples: exact sums and extremes in their own type, bias applied after.
        int64_t isum = 0;
        run_extremes<T, true>(s, count, smin, smax, isum);
        mx = static_cast<double>(smax) - bias;
        mn = static_cast<double>(smin) - bias;
        sum = static_cast<double>(isum) - bias * static_cast<double>(count);
    }
    r.maximum = mx;
    r.minimum = mn;
    r.mean = count > 0 ? sum / count : 0.0;

    const double rate = r.rate > 0 ? r.rate : 0.0;
    int32_t n_int =
        static_cast<int32_t>(std::min((sv.plot_end - sv.plot_start) * rate + 0.5, 2.0e9));
    if (n_int < 1)
        n_int = 1;
    const int32_t first =
        static_cast<int32_t>(std::min(std::max(0.0, sv.plot_start - r.ist) * rate + 0.5, 2.0e9));
    const int32_t last = std::min(
        std::min(r.length, count),
        static_cast<int32_t>(std::clamp((sv.plot_end - r.ist) * rate + 0.5, -2.0e9, 2.0e9)));

    // Mean removal and clipping map a raw sample to its plotted value, and the map
    // never decreases: the smallest and largest plotted values of any run of samples
    // are the plotted values of its smallest and largest raw ones. Whole-number
    // samples are therefore scanned raw and only the extremes are mapped.
    const double lim = r.sample_max;
    auto clipped = [&](double raw) {
        const double v = raw - bias - r.mean;
        return is_float ? v : std::clamp(v, -lim, lim);
    };
    auto plotted = [&](T raw) -> double {
        if constexpr (is_float)
            return static_cast<double>(static_cast<T>(clipped(raw)));
        else
            return static_cast<double>(static_cast<T>(std::trunc(clipped(raw))));
    };
    double peak = 0.0;
    if constexpr (is_float) {
        // Float samples are mapped one by one: a NaN or an infinity among them
        // does not follow the order of the others.
        for (int32_t i = first; i < last; ++i) {
            const double v = clipped(s[i]);
            s[i] = static_cast<T>(v);
            peak = std::max(peak, std::fabs(v));
        }
    } else if (first < last) {
        T lo = s[first], hi = s[first];
        if (first == 0 && last == count) {
            lo = smin;
            hi = smax;
        } else {
            int64_t unused = 0;
            run_extremes<T, false>(s + first, last - first, lo, hi, unused);
        }
        peak = std::max(std::fabs(clipped(lo)), std::fabs(clipped(hi)));
    }
    r.peak = static_cast<int32_t>(std::min(peak + 0.5, 2147483647.0));

    const double full =
        trace_full_scale(set.magnification, trace_in_abs_list(r.station), r.sample_max, peak);
    const float dt = yR - yL;
    // dt is single precision, the product is not: 300 x (7.97 - 0.9) gives 2120 points.
    int32_t points = static_cast<int32_t>(set.plot_resolution * static_cast<double>(dt));
    if (points < 1)
        points = 1;
    const float band = sv.band_height;
    // Counts are whole numbers, so a full scale below one count is taken as one; float
    // samples may be far below 1 and keep their own full scale.
    const double divisor = is_float ? (full > 0.0 ? full : 1.0) : std::max(full, 1.0);
    Geometry g{near_edge + band / 2.0f, (band / 2.0) / divisor, r.reverse != 0};
    st.sheet.trace_centre = g.centre;
    const double step = static_cast<double>(dt) / n_int;
    const double y0 = yL + std::max(0.0, r.ist - sv.plot_start) * rate * step;
    const double per_point = static_cast<double>(n_int) / points;
    if (set.decimation == 0 && per_point < 2.0)
        set.decimation = 1;

    plot_set_color(set.plot_mode == 1 ? 14 : 7);
    if (first >= last)
        return;
    // Float samples already hold their plotted values.
    auto value = [&](int64_t i) -> double {
        if constexpr (is_float)
            return s[i];
        else
            return plotted(s[i]);
    };
    plot_pen(g.x(value(first)), static_cast<float>(y0), PEN_UP);
    if (set.decimation >= 1) {
        const int32_t d = set.decimation;
        int64_t k = 0;
        for (int64_t i = first; i < last; i += d, ++k)
            plot_pen(g.x(value(i)), static_cast<float>(y0 + static_cast<double>(k) * d * step),
                     PEN_DOWN);
        return;
    }
    // Windowing: each output point is a stroke from the smallest to the largest
    // sample that falls in it; the last sample of a point also opens the next.
    // Every sample a point takes lies before `last`.
    const double gap = static_cast<double>(dt) / points;
    const double top = is_float ? 2147483647.0 : (sizeof(T) == 2 ? 32767.0 : 2147483647.0);
    double p = first - 1.0;
    int32_t i = first;
    const int64_t stop = static_cast<int64_t>(last) - static_cast<int64_t>(per_point) - 1;
    double y = 0.0;
    while (y <= dt && i < stop) {
        double lo = top, hi = -top;
        p += per_point;
        const int64_t end = static_cast<int64_t>(p);
        if constexpr (is_float) {
            // Float samples keep their fractions: values in physical units are often far
            // below one, and cutting them to whole numbers would flatten the trace.
            for (; i < end; ++i) {
                const double v = static_cast<double>(s[i]);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        } else if (i < end) {
            T tlo, thi;
            int64_t unused = 0;
            run_extremes<T, false>(s + i, end - i, tlo, thi, unused);
            i = static_cast<int32_t>(end);
            lo = std::min(lo, plotted(tlo));
            hi = std::max(hi, plotted(thi));
        }
        --i;
        plot_pen(g.x(lo), static_cast<float>(y0 + y), PEN_DOWN);
        plot_pen(g.x(hi), static_cast<float>(y0 + y), PEN_DOWN);
        y += gap;
    }
}

void fail_with(const char* fmt, const char* arg) {
    plot_pen(0.0f, 0.0f, PEN_END_PLOT);
    vorlane_message(fmt, arg);
    vorlane_state().error_flag = true;
}

// A dashed line across the band at y: n steps from xa to xb, starting with a move.
void dashed(float xa, float xb, float y, int n) {
    const float s = (xb - xa) / n;
    for (int k = 0; k <= n; ++k)
        plot_pen(xa + k * s, y, k % 2 == 0 ? PEN_UP : PEN_DOWN);
    plot_pen(xb, y, PEN_DOWN);
}

// Read the data block into one buffer of the sample type, put the samples into
// host order in place, and draw them. 1 on success, 0 on failure (plot ended).
template <typename T>
int read_and_draw(int32_t nbytes, const SudsDescripTrace& dt, TraceRecord& r, float yL,
                  float near_edge, float yR) {
    VorlaneState& st = vorlane_state();
    // Not zero-filled: every byte used is read from the file first.
    std::unique_ptr<T[]> s(new (std::nothrow) T[static_cast<size_t>(nbytes) / sizeof(T) + 1]);
    if (!s) {
        fail_with("%s", "\nERROR: not enough memory!\n");
        return 0;
    }
    uint8_t* raw = reinterpret_cast<uint8_t*>(s.get());
    if (nbytes > 0 && suds_read_data(st.suds_fd, raw, nbytes) != 1) {
        fail_with("\n%s\n", suds_error_text());
        return 0;
    }
    if (st.settings.plot_mode == 3)
        vorlane_print("station %s       \r", std::string(r.station, strnlen(r.station, 5)).c_str());
    // The samples the block really holds, whatever the structure announces.
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(
        std::max(dt.number_of_samples, 0), nbytes / static_cast<int32_t>(sizeof(T))));
    // The file is little-endian: on a little-endian host the bytes already are the samples.
    if constexpr (std::endian::native != std::endian::little) {
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* p = raw + static_cast<size_t>(i) * sizeof(T);
            if constexpr (sizeof(T) == 2)
                s[i] = suds_get_i16(p);
            else if constexpr (std::is_same_v<T, float>)
                s[i] = suds_get_f32(p);
            else
                s[i] = suds_get_i32(p);
        }
    }
    draw_samples(s.get(), count, r, yL, near_edge, yR);
    return 1;
}

} // namespace

void trace_draw_set_hooks(const TraceDrawHooks& hooks) {
    g_hooks = hooks;
}

bool trace_in_abs_list(const char station[5]) {
    const VorlaneState& st = vorlane_state();
    const std::string name(station, strnlen(station, 5));
    for (int k = 0; k < st.abs_count; ++k)
        if (name == st.abs_list[k])
            return true;
    return false;
}

double trace_full_scale(float magnification, bool absolute, int32_t sample_max, double peak) {
    // Float samples have no full-scale count (sample max 0): at absolute amplitude and
    // with a fixed magnification their peak stands in for it, so that a float trace is
    // neither a flat line nor thrown across the whole sheet.
    const double full = sample_max > 0 ? static_cast<double>(sample_max) : peak;
    if (magnification == 1.0f || absolute)
        return full;
    if (magnification < 0)
        return full / -static_cast<double>(magnification);
    const double m = magnification;
    if (sample_max / std::max(peak, 1.0) > m)
        return sample_max / m;
    return peak;
}

int trace_draw(int index, float far_edge, float yL, float near_edge, float yR) {
    VorlaneState& st = vorlane_state();
    TraceRecord& r = st.db[index];
    const PlotSettings& set = st.settings;

    if (key_waiting() && read_key() == 27) {
        plot_pen(0.0f, 0.0f, PEN_END_PLOT);
        return 0;
    }

    SudsRecord rec;
    if (suds_seek(st.suds_fd, r.offset) != 1 || suds_read_struct(st.suds_fd, &rec) != 1) {
        fail_with("\n%s\n", suds_error_text());
        return 0;
    }
    SudsDescripTrace dt;
    if (!suds_record_get(rec, &dt)) {
        fail_with("\nERROR: input file out of sync: %s\n", st.suds_name.c_str());
        return 0;
    }
    const int32_t nbytes = std::max<int32_t>(rec.data_length, 0);
    const size_t width = (r.data_type == 'i' || r.data_type == 'q' || r.data_type == 's') ? 2 : 4;
    int ok = 0;
    if (width == 2)
        ok = read_and_draw<int16_t>(nbytes, dt, r, yL, near_edge, yR);
    else if (r.data_type == 'f')
        ok = read_and_draw<float>(nbytes, dt, r, yL, near_edge, yR);
    else
        ok = read_and_draw<int32_t>(nbytes, dt, r, yL, near_edge, yR);
    if (!ok)
        return 0;

    const float centre = st.sheet.trace_centre;
    if (!r.include) {
        plot_set_color(text_color());
        char text[64];
        snprintf(text, sizeof text, "IST=%s",
                 suds_time_text(dt.initial_sample_time + dt.time_correction, 4));
        plot_text(far_edge - 0.02f, yL + 0.02f, 0.065f, text, 90.0f,
                  static_cast<int16_t>(strlen(text)));
    }
    if ((set.annot & kAnnotAmpBrackets) && !set.record_section) {
        plot_set_color(text_color());
        plot_pen(far_edge, yL + 0.025f, PEN_UP);
        plot_pen(far_edge, yL, PEN_DOWN);
        plot_pen(centre, yL, PEN_DOWN);
        plot_pen(centre, yL - 0.025f, PEN_DOWN);
        plot_pen(centre, yL, PEN_UP);
        plot_pen(near_edge, yL, PEN_DOWN);
        plot_pen(near_edge, yL + 0.025f, PEN_DOWN);
        if (far_edge + 0.0075f < 9.83f) {
            const float sx = far_edge + (st.hypo.kind != 0 ? 0.0425f : 0.0075f);
            plot_pen(sx, 0.15f, PEN_UP);
            plot_pen(sx, yL - 0.125f, PEN_DOWN);
        }
        plot_pen(near_edge, yR - 0.025f, PEN_UP);
        plot_pen(near_edge, yR, PEN_DOWN);
        plot_pen(centre, yR, PEN_DOWN);
        plot_pen(centre, yR + 0.025f, PEN_DOWN);
        plot_pen(centre, yR, PEN_UP);
        plot_pen(far_edge, yR, PEN_DOWN);
        plot_pen(far_edge, yR - 0.025f, PEN_DOWN);
    }
    if (st.hypo.kind != 0)
        trace_phase_marks(index, far_edge, yL, near_edge, yR);
    return 1;
}

void trace_phase_marks(int index, float far_edge, float yL, float near_edge, float yR) {
    const VorlaneState& st = vorlane_state();
    const TraceRecord& r = st.db[index];
    const SheetValues& sv = st.sheet;
    plot_set_color(st.settings.plot_mode == 1 ? 4 : 7);
    auto Y = [&](double t) { return static_cast<float>(yL + (t - sv.plot_start) * sv.time_scale); };
    auto inside = [&](float y) { return yL < y && y < yR; };
    auto K = [&](float y) { return y < yL ? yL : std::min(y, yR); };
    const float yc = Y(r.p_calculated);
    if (r.p_observed == 0.0) {
        if (inside(yc))
            dashed(near_edge - 0.03f, far_edge + 0.03f, yc, 9);
    } else {
        const float yo = Y(r.p_observed);
        if (inside(yo)) {
            plot_pen(near_edge - 0.03f, yo, PEN_UP);
            plot_pen(near_edge - 0.005f, yo, PEN_DOWN);
            plot_pen(far_edge + 0.03f, yo, PEN_UP);
            plot_pen(far_edge + 0.005f, yo, PEN_DOWN);
        }
        if (inside(yc)) {
            if (r.p_weight == 4) {
                dashed(near_edge, far_edge, yc, 9);
            } else {
                plot_pen(near_edge - 0.03f, yc, PEN_UP);
                plot_pen(far_edge + 0.03f, yc, PEN_DOWN);
            }
        }
        plot_pen(near_edge - 0.03f, K(yc), PEN_UP);
        plot_pen(near_edge - 0.03f, K(yo), PEN_DOWN);
        plot_pen(far_edge + 0.03f, K(yc), PEN_UP);
        plot_pen(far_edge + 0.03f, K(yo), PEN_DOWN);
    }
    if (r.s_observed != 0.0) {
        const float ys = Y(r.s_observed);
        if (inside(ys))
            dashed(near_edge - 0.03f, far_edge + 0.03f, ys, 19);
    }
    if (r.fmp != 0 && r.p_observed != 0.0) {
        const float yf = Y(r.p_observed + r.fmp);
        if (inside(yf)) {
            plot_pen(near_edge + 0.1f, yf, PEN_UP);
            plot_pen(far_edge - 0.1f, yf, PEN_DOWN);
        }
    }
}
