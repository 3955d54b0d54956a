#include "trace_phase.h"

#include <algorithm>

#include <plotdev/plotdev.h>

namespace {

// A dashed line across the band at y: n steps from xa to xb, starting with a move.
void dashed(float xa, float xb, float y, int n) {
    const float s = (xb - xa) / n;
    for (int k = 0; k <= n; ++k)
        plot_pen(xa + k * s, y, k % 2 == 0 ? PEN_UP : PEN_DOWN);
    plot_pen(xb, y, PEN_DOWN);
}

} // namespace

void trace_phase_marks(const TraceRecord& r, const TraceBand& band, const SheetValues& sv) {
    const float far_edge = band.far_edge, near_edge = band.near_edge;
    const float yL = band.yL, yR = band.yR;
    plot_set_color(vorlane_state().settings.plot_mode == 1 ? 4 : 7);
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
