// Pen-plotter replay: windows, colours, line styles, pen moves with origin
// shifts, exactly as the plot library wrote them.
#include "render.h"

#include <algorithm>
#include <cmath>

#include "plotdev/plotdev.h"
#include "plx_page.h"

void kelpin_first_window(const std::vector<PlxRecord>& records, double w[4]) {
    w[0] = 0, w[1] = 0, w[2] = 10, w[3] = 8;
    for (const PlxRecord& r : records) {
        if (r.code == PLX_WINDOW) {
            for (int i = 0; i < 4; ++i)
                w[i] = r.v[i];
            return;
        }
    }
}

PageLayout kelpin_fit_page(const std::vector<PlxRecord>& records, bool rotated, double long_side,
                           double margin) {
    // The page rules are the toolkit-free ones every renderer shares.
    const PlxPage fitted = plx_fit_page(records, rotated, long_side, margin);
    PageLayout p;
    p.rotated = fitted.rotated;
    p.margin = fitted.margin;
    p.width = fitted.width;
    p.height = fitted.height;
    return p;
}

namespace {

struct Pen {
    double xmin = 0, ymin = 0, xmax = 10, ymax = 8;
    double x = 0, y = 0; // pen position in user units
};

void set_style(cairo_t* cr, int16_t index, const PageLayout& page) {
    const std::vector<int> d = plot_pen_dashes(plot_style_of(index));
    std::vector<double> dashes;
    for (int v : d)
        dashes.push_back(v * page.dash_unit);
    cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
}

void set_color(cairo_t* cr, int16_t index) {
    const uint32_t rgb = plot_color_value(index);
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
}

} // namespace

void kelpin_render(cairo_t* cr, const std::vector<PlxRecord>& records, const PageLayout& page) {
    cairo_save(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    double first[4];
    kelpin_first_window(records, first);
    const double inner_w = page.width - 2 * page.margin, inner_h = page.height - 2 * page.margin;
    Pen pen;
    // Device units per user unit: each window fills the page; a shifted window
    // keeps its extent and with it the scale.
    double sx = 1, sy = 1;
    auto set_window = [&](const double w[4]) {
        pen.xmin = w[0], pen.ymin = w[1], pen.xmax = w[2], pen.ymax = w[3];
        double dx = w[2] - w[0], dy = w[3] - w[1];
        if (dx == 0 || !std::isfinite(dx))
            dx = 10;
        if (dy == 0 || !std::isfinite(dy))
            dy = 8;
        sx = (page.rotated ? inner_h : inner_w) / dx;
        sy = (page.rotated ? inner_w : inner_h) / dy;
    };
    set_window(first);
    auto to_page = [&](double x, double y, double& px, double& py) {
        const double u = (x - pen.xmin) * sx, v = (y - pen.ymin) * sy;
        if (page.rotated) {
            px = page.margin + v;
            py = page.margin + u;
        } else {
            px = page.margin + u;
            py = page.height - page.margin - v;
        }
    };

    cairo_set_line_width(cr, page.line_width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    set_color(cr, 7);
    set_style(cr, 0, page);
    cairo_new_path(cr);
    bool has_path = false;
    int segments = 0;
    auto stroke = [&] {
        if (has_path)
            cairo_stroke(cr);
        has_path = false;
        segments = 0;
    };

    for (const PlxRecord& r : records) {
        if (r.code == PLX_WINDOW) {
            stroke();
            const double w[4] = {r.v[0], r.v[1], r.v[2], r.v[3]};
            set_window(w);
        } else if (r.code == PLX_COLOR) {
            stroke();
            set_color(cr, r.value);
        } else if (r.code == PLX_LINE_STYLE) {
            stroke();
            set_style(cr, r.value, page);
        } else if (r.code == PLX_END) {
            break;
        } else if (plx_is_pen_code(r.code)) {
            const int m = std::abs(r.code);
            double tx = r.v[0], ty = r.v[1];
            if (m == 12 || m == 13) {
                tx += pen.x;
                ty += pen.y;
            }
            double px, py;
            to_page(tx, ty, px, py);
            if (m == 2 || m == 12) {
                if (!has_path) {
                    double ox, oy;
                    to_page(pen.x, pen.y, ox, oy);
                    cairo_move_to(cr, ox, oy);
                }
                cairo_line_to(cr, px, py);
                has_path = true;
                // Long polylines are stroked in pieces: one huge self-crossing path
                // costs cairo far more than many short ones, and round caps hide
                // the seams.
                if (++segments == 256) {
                    stroke();
                    cairo_move_to(cr, px, py);
                    has_path = true;
                    segments = 0;
                }
            } else {
                stroke();
            }
            pen.x = tx;
            pen.y = ty;
            if (r.code < 0) {
                // The file's next window record carries the shifted origin.
                stroke();
                pen.x = pen.y = 0;
            }
        }
    }
    stroke();
    cairo_restore(cr);
}
