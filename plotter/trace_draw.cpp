#include "trace_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <plotdev/plotdev.h>
#include <suds/suds.h>

#include "trace_phase.h"
#include "trace_stats.h"

namespace {

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

// Statistics, scale and the strokes of one sample table.
template <typename T>
TraceStats draw_samples(T* s, int32_t count, const TraceRecord& r, const TraceBand& band,
                        const SheetValues& sv, TraceDrawRun& run) {
    const PlotSettings& set = vorlane_state().settings;
    constexpr bool is_float = std::is_same_v<T, float>;
    const float yL = band.yL, yR = band.yR;

    const TraceScan<T> scan = trace_scan(s, count, r.sample_bias);
    TraceStats stats;
    stats.maximum = scan.maximum;
    stats.minimum = scan.minimum;
    stats.mean = scan.mean;

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

    const SampleMap<T> map{static_cast<double>(r.sample_bias), scan.mean,
                           static_cast<double>(r.sample_max)};
    const double peak = trace_peak(s, count, first, last, scan, map);
    stats.peak = static_cast<int32_t>(std::min(peak + 0.5, 2147483647.0));

    const double full =
        trace_full_scale(set.magnification, trace_in_abs_list(r.station), r.sample_max, peak);
    const float dt = yR - yL;
    // dt is single precision, the product is not: 300 x (7.97 - 0.9) gives 2120 points.
    int32_t points = static_cast<int32_t>(set.plot_resolution * static_cast<double>(dt));
    if (points < 1)
        points = 1;
    const float bandh = sv.band_height;
    // Counts are whole numbers, so a full scale below one count is taken as one; float
    // samples may be far below 1 and keep their own full scale.
    const double divisor = is_float ? (full > 0.0 ? full : 1.0) : std::max(full, 1.0);
    Geometry g{band.near_edge + bandh / 2.0f, (bandh / 2.0) / divisor, r.reverse != 0};
    stats.centre = g.centre;
    const double step = static_cast<double>(dt) / n_int;
    const double y0 = yL + std::max(0.0, r.ist - sv.plot_start) * rate * step;
    const double per_point = static_cast<double>(n_int) / points;
    if (run.decimation == 0 && per_point < 2.0)
        run.decimation = 1;

    plot_set_color(set.plot_mode == 1 ? 14 : 7);
    if (first >= last)
        return stats;
    // Float samples already hold their plotted values.
    auto value = [&](int64_t i) -> double {
        if constexpr (is_float)
            return s[i];
        else
            return map.plotted(s[i]);
    };
    plot_pen(g.x(value(first)), static_cast<float>(y0), PEN_UP);
    if (run.decimation >= 1) {
        const int32_t d = run.decimation;
        int64_t k = 0;
        for (int64_t i = first; i < last; i += d, ++k)
            plot_pen(g.x(value(i)), static_cast<float>(y0 + static_cast<double>(k) * d * step),
                     PEN_DOWN);
        return stats;
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
            trace_run_extremes<T, false>(s + i, end - i, tlo, thi, unused);
            i = static_cast<int32_t>(end);
            lo = std::min(lo, map.plotted(tlo));
            hi = std::max(hi, map.plotted(thi));
        }
        --i;
        plot_pen(g.x(lo), static_cast<float>(y0 + y), PEN_DOWN);
        plot_pen(g.x(hi), static_cast<float>(y0 + y), PEN_DOWN);
        y += gap;
    }
    return stats;
}

void amplitude_brackets(const TraceBand& b, float centre, bool listing) {
    plot_set_color(text_color());
    plot_pen(b.far_edge, b.yL + 0.025f, PEN_UP);
    plot_pen(b.far_edge, b.yL, PEN_DOWN);
    plot_pen(centre, b.yL, PEN_DOWN);
    plot_pen(centre, b.yL - 0.025f, PEN_DOWN);
    plot_pen(centre, b.yL, PEN_UP);
    plot_pen(b.near_edge, b.yL, PEN_DOWN);
    plot_pen(b.near_edge, b.yL + 0.025f, PEN_DOWN);
    if (b.far_edge + 0.0075f < 9.83f) {
        const float sx = b.far_edge + (listing ? 0.0425f : 0.0075f);
        plot_pen(sx, 0.15f, PEN_UP);
        plot_pen(sx, b.yL - 0.125f, PEN_DOWN);
    }
    plot_pen(b.near_edge, b.yR - 0.025f, PEN_UP);
    plot_pen(b.near_edge, b.yR, PEN_DOWN);
    plot_pen(centre, b.yR, PEN_DOWN);
    plot_pen(centre, b.yR + 0.025f, PEN_DOWN);
    plot_pen(centre, b.yR, PEN_UP);
    plot_pen(b.far_edge, b.yR, PEN_DOWN);
    plot_pen(b.far_edge, b.yR - 0.025f, PEN_DOWN);
}

} // namespace

TraceStats trace_draw(const TraceRecord& r, TraceSamples& samples, const TraceBand& band,
                      const SheetValues& sheet, TraceDrawRun& run) {
    const PlotSettings& set = vorlane_state().settings;
    TraceStats stats;
    if (samples.i16)
        stats = draw_samples(samples.i16.get(), samples.count, r, band, sheet, run);
    else if (samples.f32)
        stats = draw_samples(samples.f32.get(), samples.count, r, band, sheet, run);
    else if (samples.i32)
        stats = draw_samples(samples.i32.get(), samples.count, r, band, sheet, run);

    if (!r.include) {
        plot_set_color(text_color());
        char text[64];
        snprintf(text, sizeof text, "IST=%s", suds_time_text(samples.start_time, 4));
        plot_text(band.far_edge - 0.02f, band.yL + 0.02f, 0.065f, text, 90.0f,
                  static_cast<int16_t>(strlen(text)));
    }
    if ((set.annot & kAnnotAmpBrackets) && !set.record_section)
        amplitude_brackets(band, stats.centre, run.listing);
    if (run.listing)
        trace_phase_marks(r, band, sheet);
    return stats;
}
