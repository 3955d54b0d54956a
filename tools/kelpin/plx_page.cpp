// Page fitting and pen replay: windows, colours, line styles, pen moves with
// origin shifts, exactly as the plot library wrote them.
#include "plx_page.h"

#include <cmath>
#include <cstdlib>

#include "plotdev/plotdev.h"

namespace {

// The first window of the plot, (0, 0, 10, 8) when the file has none.
void first_window(const std::vector<PlxRecord>& records, double w[4]) {
    w[0] = 0, w[1] = 0, w[2] = 10, w[3] = 8;
    for (const PlxRecord& r : records) {
        if (r.code == PLX_WINDOW) {
            for (int i = 0; i < 4; ++i)
                w[i] = r.v[i];
            return;
        }
    }
}

} // namespace

PlxPage plx_fit_page(const std::vector<PlxRecord>& records, bool rotated, double long_side,
                     double margin) {
    double w[4];
    first_window(records, w);
    double dx = std::fabs(w[2] - w[0]), dy = std::fabs(w[3] - w[1]);
    if (!(dx > 0) || !std::isfinite(dx))
        dx = 10;
    if (!(dy > 0) || !std::isfinite(dy))
        dy = 8;
    const double across = rotated ? dy : dx, down = rotated ? dx : dy;
    PlxPage p;
    p.rotated = rotated;
    p.margin = margin;
    const double inner = long_side - 2 * margin;
    if (across >= down) {
        p.width = long_side;
        p.height = inner * down / across + 2 * margin;
    } else {
        p.height = long_side;
        p.width = inner * across / down + 2 * margin;
    }
    return p;
}

void plx_replay(const std::vector<PlxRecord>& records, const PlxPage& page, PlxStrokeSink& sink) {
    const double inner_w = page.width - 2 * page.margin, inner_h = page.height - 2 * page.margin;
    double xmin = 0, ymin = 0, sx = 1, sy = 1;
    double pen_x = 0, pen_y = 0; // user units
    auto set_window = [&](const double w[4]) {
        xmin = w[0], ymin = w[1];
        double dx = w[2] - w[0], dy = w[3] - w[1];
        if (dx == 0 || !std::isfinite(dx))
            dx = 10;
        if (dy == 0 || !std::isfinite(dy))
            dy = 8;
        sx = (page.rotated ? inner_h : inner_w) / dx;
        sy = (page.rotated ? inner_w : inner_h) / dy;
    };
    auto to_page = [&](double x, double y, double& px, double& py) {
        const double u = (x - xmin) * sx, v = (y - ymin) * sy;
        if (page.rotated) {
            px = page.margin + v;
            py = page.margin + u;
        } else {
            px = page.margin + u;
            py = page.height - page.margin - v;
        }
    };
    double first[4];
    first_window(records, first);
    set_window(first);
    int16_t color = 7, style = 0;
    sink.pen(plot_color_value(color), plot_style_of(style));
    bool stroking = false;
    for (const PlxRecord& r : records) {
        if (r.code == PLX_WINDOW) {
            const double w[4] = {r.v[0], r.v[1], r.v[2], r.v[3]};
            set_window(w);
            stroking = false;
        } else if (r.code == PLX_COLOR || r.code == PLX_LINE_STYLE) {
            (r.code == PLX_COLOR ? color : style) = r.value;
            sink.pen(plot_color_value(color), plot_style_of(style));
            stroking = false;
        } else if (r.code == PLX_END) {
            break;
        } else if (plx_is_pen_code(r.code)) {
            const int m = std::abs(r.code);
            double tx = r.v[0], ty = r.v[1];
            if (m == 12 || m == 13) {
                tx += pen_x;
                ty += pen_y;
            }
            if (m == 2 || m == 12) {
                double px, py;
                if (!stroking) {
                    to_page(pen_x, pen_y, px, py);
                    sink.move(px, py);
                    stroking = true;
                }
                to_page(tx, ty, px, py);
                sink.line(px, py);
            } else {
                stroking = false;
            }
            pen_x = tx;
            pen_y = ty;
            if (r.code < 0) {
                // The file's next window record carries the shifted origin.
                pen_x = pen_y = 0;
                stroking = false;
            }
        }
    }
}
